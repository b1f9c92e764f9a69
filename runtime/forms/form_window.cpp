#include "runtime/forms/detail/form_window.h"

#include <QCloseEvent>
#include <QScreen>
#include <QTimer>
#include <QWindow>

#include "runtime/forms/detail/form_window_owner.h"
#include "runtime/forms/detail/runtime_state.h"
#include "runtime/forms/detail/surface.h"

namespace forms::detail {

FormWindow::FormWindow(FormWindowOwner* form) : QMainWindow(nullptr), form_(form) {
  // The program decides when it ends, not the last window.
  setAttribute(Qt::WA_QuitOnClose, false);
  setAttribute(Qt::WA_DeleteOnClose, false);
}

bool FormWindow::Paintable(const QWidget* widget) {
  if (widget == nullptr) return false;
  const QWidget* top = widget->window();
  if (const auto* formWindow = qobject_cast<const FormWindow*>(top)) {
    if (formWindow->form_ != nullptr && formWindow->form_->Closed()) return false;
  }
  const QWindow* native = top->windowHandle();
  return top->isVisible() && native != nullptr && native->handle() != nullptr;
}

bool FormWindow::event(QEvent* e) {
  // Every paint of the window and its children, repaint() included, comes
  // to the top-level window as one of these; once the window has closed
  // they would only size and fill a backing store for a window that is gone.
  switch (e->type()) {
    case QEvent::UpdateRequest:
    case QEvent::UpdateLater:
      if (!Paintable(this)) return true;
      break;
    case QEvent::Paint:  // a grab of a hidden window still paints it
      if (form_ != nullptr && form_->Closed()) return true;
      break;
    default:
      break;
  }
  return QMainWindow::event(e);
}

void FormWindow::closeEvent(QCloseEvent* e) {
  if (form_ == nullptr) {
    e->accept();
    return;
  }
  // The window manager's close takes the same road as Unload from code; the
  // form hides the window itself when the sequence lets it close.
  if (e->spontaneous()) {
    // Qt destroys the native window at once when the window system's close
    // is accepted, while its Wayland event thread may still be delivering a
    // frame callback to it. Refused here, the close runs on the next turn of
    // the loop and ends in a hide, which waits for that delivery.
    e->ignore();
    if (closeQueued_) return;
    closeQueued_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
          closeQueued_ = false;
          if (form_ != nullptr) Guarded("Form close request", [&] { form_->CloseFromWindowManager(); });
        },
        Qt::QueuedConnection);
    return;
  }
  bool closed = false;
  Guarded("Form close request", [&] { closed = form_->CloseFromWindowManager(); });
  e->setAccepted(closed);
}

}  // namespace forms::detail

namespace forms::detail {

void FormWindow::showEvent(QShowEvent* e) {
  QMainWindow::showEvent(e);
  WatchScreen();
  // A top-level window hears of its own show after Qt has shown its
  // children but before it asks for the window to be mapped, so the
  // controls' Show handlers run once this show is over, however the window
  // came to be shown (Form::Show runs them itself as soon as it can).
  QMetaObject::invokeMethod(this, [] { Surface::FlushPendingShows(); }, Qt::QueuedConnection);
}

}  // namespace forms::detail

namespace forms::detail {

void FormWindow::moveEvent(QMoveEvent* e) {
  QMainWindow::moveEvent(e);
  if (form_ != nullptr) Guarded("Form frame change", [&] { form_->FollowFrame(); });
}

void FormWindow::resizeEvent(QResizeEvent* e) {
  QMainWindow::resizeEvent(e);
  if (form_ != nullptr) Guarded("Form frame change", [&] { form_->FollowFrame(); });
}

}  // namespace forms::detail

namespace forms::detail {

bool FormWindow::eventFilter(QObject* watched, QEvent* e) {
  if (watched == watchedWindow_ && e->type() == QEvent::ScreenChangeInternal) {
    QMetaObject::invokeMethod(this, [this] { WatchScreen(); }, Qt::QueuedConnection);
  }
  return QMainWindow::eventFilter(watched, e);
}

void FormWindow::WatchScreen() {
  QWindow* native = windowHandle();
  if (native == nullptr) return;
  if (native != watchedWindow_) {
    if (watchedWindow_) watchedWindow_->removeEventFilter(this);
    watchedWindow_ = native;
    native->installEventFilter(this);
  }
  QScreen* screen = native->screen();
  if (screen != watchedScreen_) {
    for (auto& c : screenChanges_) disconnect(c);
    watchedScreen_ = screen;
    if (screen != nullptr) {
      // A scale change comes with a change of the screen's logical geometry
      // or DPI; Qt has finished taking it in by the next turn of the loop.
      const auto follow = [this] {
        QMetaObject::invokeMethod(this, [this] { FollowScale(); }, Qt::QueuedConnection);
      };
      screenChanges_[0] = connect(screen, &QScreen::geometryChanged, this, follow);
      screenChanges_[1] = connect(screen, &QScreen::logicalDotsPerInchChanged, this, follow);
      screenChanges_[2] = connect(screen, &QScreen::physicalDotsPerInchChanged, this, follow);
    }
  }
  FollowScale();
}

void FormWindow::FollowScale() {
  QWindow* native = windowHandle();
  if (remaking_ || native == nullptr || native->handle() == nullptr || !isVisible()) return;
  if (form_ != nullptr && form_->Closed()) return;
  const QScreen* screen = native->screen();
  if (screen == nullptr || qFuzzyCompare(native->devicePixelRatio(), screen->devicePixelRatio())) return;
  // Qt's Wayland plugin (6.4) takes the output's scale for a window only
  // when the window enters another output, so a change of scale on the
  // output it is on would leave it drawing at the old one, blurred by the
  // compositor. A native window made anew takes the scale of its output. It
  // is hidden first (which waits for a frame callback on its way) and
  // destroyed only on the next turn of the loop.
  remaking_ = true;
  hide();
  QTimer::singleShot(0, this, [this] {
    if (QWindow* old = windowHandle()) old->destroy();
    remaking_ = false;
    if (form_ == nullptr || !form_->Closed()) show();
  });
}

}  // namespace forms::detail
