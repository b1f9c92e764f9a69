#include "runtime/forms/form.h"

#include <algorithm>

#include <QAction>
#include <QGuiApplication>
#include <QIcon>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QPixmap>
#include <QScreen>

#include "runtime/forms/command_button.h"
#include "runtime/forms/detail/form_window.h"
#include "runtime/forms/detail/menu_access_keys.h"
#include "runtime/forms/detail/runtime_state.h"
#include "runtime/forms/detail/surface.h"
#include "runtime/forms/detail/wayland_layer.h"
#include "runtime/forms/detail/window_system.h"
#include "runtime/forms/screen.h"
#include "runtime/forms/units.h"

namespace forms {

using detail::CheckExtent;

namespace {

// The size a new form has until its code says otherwise.
constexpr float kDefaultWidth = 4800;
constexpr float kDefaultHeight = 3600;

// The float that was set, unless the window really took another size.
float Kept(float set, int actualPixels, int (*toPixels)(float), float (*toTwips)(int)) {
  return toPixels(set) == actualPixels ? set : toTwips(actualPixels);
}

// Whether the platform lets a program choose where its top-level windows
// stand. A Wayland compositor places every window itself and tells a client
// neither its place nor the screen's origin.
bool PlatformPlacesWindows() { return !detail::OnWayland(); }

// Whether an outer geometry in twips covers the primary screen.
bool CoversScreen(float left, float top, float width, float height) {
  const QScreen* screen = QGuiApplication::primaryScreen();
  if (screen == nullptr) return false;
  const QRect wanted(TwipsToPixelsX(left), TwipsToPixelsY(top), TwipsToPixelsX(width), TwipsToPixelsY(height));
  return wanted.contains(screen->geometry());
}

QPointF ScreenOriginTwips() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  const QPoint origin = screen != nullptr ? screen->geometry().topLeft() : QPoint();
  return QPointF(PixelsToTwipsX(origin.x()), PixelsToTwipsY(origin.y()));
}

}  // namespace

Form::Form()
    : window_(std::make_unique<detail::FormWindow>(static_cast<detail::FormWindowOwner*>(this))),
      box_{0, 0, kDefaultWidth, kDefaultHeight} {
  auto* surface = new detail::Surface(this, nullptr);
  window_->setCentralWidget(surface);
  detail::WaylandLayer::Attach(surface);
  SetSurface(surface);
  detail::RegisterForm(this);
  ApplyGeometry();
}

Form::~Form() {
  detail::UnregisterForm(this);
  window_->DetachForm();
  SuspendTimers(true);
}

QWidget* Form::Window() const { return window_.get(); }

void Form::Load() {
  if (loaded_ || closed_) return;
  loaded_ = true;
  Form_Load();
}

void Form::Show() {
  // A closed form's life is over; addressing it never brings it back.
  if (closed_) return;
  Load();
  if (closed_) return;  // Form_Load may have unloaded it
  shown_ = true;
  FocusFirstButton();
  window_->show();
  // Only a shown window knows its frame: apply the size once more, keeping
  // whichever of the outer or the client size the code set last.
  if (clientSized_) {
    SetClientSize(clientWidth_, clientHeight_);
  } else {
    ApplyGeometry();
  }
  if (centred_) CenterOnScreen();
  window_->raise();
  window_->activateWindow();
  detail::Surface::FlushPendingShows();
}

bool Form::IsOpen() const { return shown_ && !closed_; }

bool Form::Unload() {
  if (closed_) return true;
  if (!loaded_) return true;
  return RunClosingSequence(kUnloadFromCode);
}

bool Form::RunClosingSequence(int16_t unloadMode) {
  if (closed_) return true;
  // A second request while the handlers of the first still run (one of them
  // pumping messages) would run them nested; the first request decides.
  if (inClosingSequence_) return false;
  struct Busy {
    bool& flag;
    explicit Busy(bool& f) : flag(f) { flag = true; }
    ~Busy() { flag = false; }
  } busy(inClosingSequence_);

  int16_t cancel = 0;
  int16_t mode = unloadMode;
  Form_QueryUnload(cancel, mode);
  if (cancel != 0) return false;
  Form_Unload(cancel);
  if (cancel != 0) return false;

  // From now on the geometry lives here only: what the window last had,
  // then whatever code sets.
  box_.left = Left();
  box_.top = Top();
  box_.width = Width();
  box_.height = Height();
  closed_ = true;
  SuspendTimers(true);
  window_->hide();
  detail::WakeUp();
  return true;
}

bool Form::CloseFromWindowManager() { return RunClosingSequence(kUnloadFromWindowManager); }

void Form::Terminate() {
  if (terminated_) return;
  terminated_ = true;
  Form_Terminate();
}

void Form::SetCaption(std::string caption) {
  caption_ = std::move(caption);
  window_->setWindowTitle(QString::fromStdString(caption_));
}

void Form::SetIcon(const QImage& icon) { window_->setWindowIcon(QIcon(QPixmap::fromImage(icon))); }

// Where the platform places windows, a client learns nothing of its place;
// a maximised window stands at the screen's origin, any other where it asked.
float Form::Left() const {
  if (closed_) return box_.left;
  if (!PlatformPlacesWindows()) return window_->isMaximized() ? ScreenOriginTwips().x() : box_.left;
  return Kept(box_.left, window_->frameGeometry().x(), TwipsToPixelsX, PixelsToTwipsX);
}
float Form::Top() const {
  if (closed_) return box_.top;
  if (!PlatformPlacesWindows()) return window_->isMaximized() ? ScreenOriginTwips().y() : box_.top;
  return Kept(box_.top, window_->frameGeometry().y(), TwipsToPixelsY, PixelsToTwipsY);
}
float Form::Width() const {
  if (closed_) return box_.width;
  return Kept(box_.width, window_->frameGeometry().width(), TwipsToPixelsX, PixelsToTwipsX);
}
float Form::Height() const {
  if (closed_) return box_.height;
  return Kept(box_.height, window_->frameGeometry().height(), TwipsToPixelsY, PixelsToTwipsY);
}

void Form::SetLeft(float twips) {
  centred_ = false;
  box_.left = twips;
  ApplyGeometry();
}

void Form::SetTop(float twips) {
  centred_ = false;
  box_.top = twips;
  ApplyGeometry();
}

void Form::SetWidth(float twips) {
  box_.SetWidth(twips);
  clientSized_ = false;
  ApplyGeometry();
}

void Form::SetHeight(float twips) {
  box_.SetHeight(twips);
  clientSized_ = false;
  ApplyGeometry();
}

void Form::Move(float left, float top, float width, float height) {
  box_.Move(left, top, width, height);
  clientSized_ = false;
  centred_ = false;
  ApplyGeometry();
}

QMargins Form::FrameMargins() const {
  const QRect frame = window_->frameGeometry();
  const QRect inner = window_->geometry();
  return QMargins(inner.left() - frame.left(), inner.top() - frame.top(), frame.right() - inner.right(),
                  frame.bottom() - inner.bottom());
}

void Form::ApplyGeometry() {
  // A closed window is never shown again: nothing may resize it.
  if (closed_) return;
  // Where windows cannot be placed, a form that places itself over the whole
  // screen asks for what an X11 window manager gives it there: the window,
  // frame included, over the whole output. That is the maximised window; the
  // compositor sizes it, and Left, Top, Width and Height read what it gave.
  // Until the compositor has answered, the window has the size asked for.
  const bool maximise = !PlatformPlacesWindows() && CoversScreen(box_.left, box_.top, box_.width, box_.height);
  if (maximise && window_->isVisible()) {
    // The compositor's to size (a tiling one may tile rather than maximise).
    if (!window_->isMaximized()) window_->setWindowState(window_->windowState() | Qt::WindowMaximized);
    return;
  }
  if (!maximise && !PlatformPlacesWindows() && window_->isMaximized()) {
    window_->setWindowState(window_->windowState() & ~Qt::WindowMaximized);
  }
  // Left, Top, Width and Height describe the outer window; Qt moves by the
  // frame but sizes the inside, so take off what the frame adds. Before the
  // window manager has framed the window the frame is unknown (nothing);
  // FollowFrame places the window again once it is known.
  const QMargins margins = FrameMargins();
  placedMargins_ = margins;
  const int w = std::max(1, TwipsToPixelsX(box_.width) - margins.left() - margins.right());
  const int h = std::max(1, TwipsToPixelsY(box_.height) - margins.top() - margins.bottom());
  const bool fixed = borderStyle_ == BorderStyle::FixedSingle || borderStyle_ == BorderStyle::FixedDialog;
  if (fixed) {
    window_->setFixedSize(w, h);
  } else {
    window_->setMinimumSize(0, 0);
    window_->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    window_->resize(w, h);
  }
  window_->move(TwipsToPixelsX(box_.left), TwipsToPixelsY(box_.top));
  if (maximise && !window_->isMaximized()) window_->setWindowState(window_->windowState() | Qt::WindowMaximized);
}

void Form::FollowFrame() {
  if (!shown_ || closed_ || followingFrame_ || !window_->isVisible()) return;
  // A maximised, minimised or full-screen window is the window manager's to
  // place.
  if (window_->windowState() != Qt::WindowNoState) return;
  if (FrameMargins() == placedMargins_) return;
  struct Busy {
    bool& flag;
    explicit Busy(bool& f) : flag(f) { flag = true; }
    ~Busy() { flag = false; }
  } busy(followingFrame_);
  if (clientSized_) {
    SetClientSize(clientWidth_, clientHeight_);
  } else {
    ApplyGeometry();
  }
  if (centred_) CenterOnScreen();
}

QSize Form::ClientPixels() const {
  // A hidden window lays out its menu bar and client area only when asked.
  // A hidden window gets no resize events, so its layout must be told that
  // the window's size changed.
  if (QLayout* layout = window_->layout()) {
    layout->invalidate();
    layout->activate();
  }
  const QWidget* surface = Widget();
  return surface != nullptr ? surface->size() : window_->size();
}

float Form::ScaleWidth() const { return PixelsToTwipsX(ClientPixels().width()); }

float Form::ScaleHeight() const { return PixelsToTwipsY(ClientPixels().height()); }

void Form::SetClientSize(float width, float height) {
  CheckExtent(width, "ScaleWidth");
  CheckExtent(height, "ScaleHeight");
  clientSized_ = true;
  clientWidth_ = width;
  clientHeight_ = height;
  const int wantW = TwipsToPixelsX(width);
  const int wantH = TwipsToPixelsY(height);
  // The menu bar's height depends on the width (it may wrap), so size twice:
  // once to learn what the bar takes, once to give the client area its size.
  for (int pass = 0; pass < 2; ++pass) {
    const QSize client = ClientPixels();
    const QRect frame = window_->frameGeometry();
    box_.width = PixelsToTwipsX(frame.width() + wantW - client.width());
    box_.height = PixelsToTwipsY(frame.height() + wantH - client.height());
    ApplyGeometry();
  }
}

void Form::SetBorderStyle(BorderStyle style) {
  borderStyle_ = style;
  Qt::WindowFlags flags = Qt::Window;
  switch (style) {
    case BorderStyle::None:
      flags |= Qt::FramelessWindowHint;
      break;
    case BorderStyle::FixedSingle:
      flags |= Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
               Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint;
      break;
    case BorderStyle::Sizable:
      break;
    case BorderStyle::FixedDialog:
      flags |= Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
               Qt::WindowCloseButtonHint;
      break;
  }
  if (closed_) return;
  const bool visible = window_->isVisible();
  window_->setWindowFlags(flags);
  ApplyGeometry();
  if (visible) window_->show();  // changing flags hides a window
}

void Form::CenterOnScreen() {
  centred_ = true;  // again once the frame is known (at Show)
  box_.left = (Screen::Width() - Width()) / 2;
  box_.top = (Screen::Height() - Height()) / 2;
  ApplyGeometry();
}

Menu& Form::AddMenu(std::string name, std::string caption) {
  QMenuBar* bar = window_->menuBar();
  if (accessKeys_ == nullptr) {
    // Keep the bar inside the window on desktops that export menus.
    bar->setNativeMenuBar(false);
    accessKeys_ = new detail::MenuAccessKeys(bar);
  }
  QMenu* menu = bar->addMenu(QString::fromStdString(caption));
  accessKeys_->Watch(menu);
  menu->setObjectName(QString::fromStdString(name));
  menus_.push_back(std::make_unique<Menu>(menu, std::move(name)));
  return *menus_.back();
}

Menu* Form::FindMenu(const std::string& name) const {
  for (const auto& m : menus_) {
    if (m->Name() == name) return m.get();
  }
  return nullptr;
}

QAction* Form::MenuAction(const std::string& name) const {
  for (const auto& m : menus_) {
    if (m->Name() == name) return m->MenuAction();
    if (QAction* item = m->Item(name)) return item;
  }
  return nullptr;
}

void Form::FocusFirstButton() {
  if (CommandButton* first = FirstTabStop()) first->SetFocus();
}

}  // namespace forms
