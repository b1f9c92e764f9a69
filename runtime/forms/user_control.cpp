#include "runtime/forms/user_control.h"

#include <algorithm>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QPointer>
#include <QWindow>

#include "runtime/forms/detail/runtime_state.h"
#include "runtime/forms/detail/surface.h"
#include "runtime/forms/units.h"
#include "runtime/platform/error.h"
#include "runtime/platform/stack_space.h"

namespace forms::detail {
namespace {

// A control's window: the surface that paints the control, whose show and
// double-click run the control's handlers.
class ControlWindow final : public Surface {
 public:
  explicit ControlWindow(UserControl* control) : Surface(control, nullptr), control_(control) {}

  // The control whose window this is; nullptr once the control is gone (the
  // window may outlive it inside its host).
  UserControl* Control() const { return control_; }
  void SetControl(UserControl* control) { control_ = control; }

  void setVisible(bool visible) override;

 protected:
  void showEvent(QShowEvent* e) override;
  void mouseDoubleClickEvent(QMouseEvent* e) override;
  void OnShown() override;

 private:
  // Pumps (no input) until the top-level window is on the screen, painted.
  void WaitUntilOnScreen();

  UserControl* control_;
};

void ControlWindow::setVisible(bool visible) {
  // A control that is invisible at run time stays hidden however its host
  // asks, but shows while the host is being designed.
  if (visible && control_ != nullptr && control_->InvisibleAtRuntime() && control_->AmbientUserMode()) {
    visible = false;
  }
  Surface::setVisible(visible);
}

void ControlWindow::showEvent(QShowEvent* e) {
  Surface::showEvent(e);
  if (control_ == nullptr) return;
  QueueShowHandler();
}

void ControlWindow::WaitUntilOnScreen() {
  // Until the window manager has mapped the top-level window and Qt has
  // painted it, whatever the handler shows (a modal message) would stand on
  // an empty screen, and the window would come only after it. Input waits;
  // the wait is short, and bounded for a window that is never exposed
  // (minimised, on another desktop).
  constexpr int kLongestWaitMs = 2000;
  QWidget* top = window();
  QElapsedTimer waited;
  waited.start();
  while (top->isVisible() && !(top->windowHandle() != nullptr && top->windowHandle()->isExposed()) &&
         waited.elapsed() < kLongestWaitMs) {
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents | QEventLoop::WaitForMoreEvents, 20);
  }
  // The expose paints the window; let that paint reach the screen.
  QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateRequest);
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void ControlWindow::OnShown() {
  if (control_ == nullptr || !isVisible()) return;
  // The wait and the handler may run host code that lets go of the control
  // or destroys its window.
  Ref<UserControl> hold = control_->HoldReference();
  QPointer<Surface> self(this);
  WaitUntilOnScreen();
  if (!self || control_ == nullptr || !isVisible()) return;
  Guarded("UserControl_Show", [&] { hold->NotifyShown(); });
}

void ControlWindow::mouseDoubleClickEvent(QMouseEvent* e) {
  if (control_ != nullptr && e->button() == Qt::LeftButton) {
    Ref<UserControl> hold = control_->HoldReference();
    Guarded("UserControl_DblClick", [&] { hold->DoubleClicked(); });
    e->accept();
    return;
  }
  Surface::mouseDoubleClickEvent(e);
}

}  // namespace
}  // namespace forms::detail

namespace forms {

UserControl::UserControl() { SetSurface(new detail::ControlWindow(this)); }

UserControl::~UserControl() {
  // The window may outlive us inside its host until the host goes; it must
  // not call back into a control that no longer exists.
  if (auto* window = static_cast<detail::ControlWindow*>(Widget())) window->SetControl(nullptr);
}

uint32_t UserControl::AddRef() { return ++refs_; }

uint32_t UserControl::Release() {
  if (refs_ == 0) return 0;  // over-release: ignore rather than free twice
  const uint32_t left = --refs_;
  if (left == 0) {
    // Keep the count up while the last handler runs, so a reference taken
    // and dropped inside it does not delete us twice.
    refs_ = 1;
    if (!terminated_) {
      try {
        Terminate();
      } catch (...) {
        // Destruction goes on; a failing handler cannot keep the object.
      }
    }
    delete this;
  }
  return left;
}

void UserControl::SetSite(ControlSite* site) {
  site_ = site;
  // Visibility may depend on the new site's mode.
  if (QWidget* w = Widget()) {
    if (invisibleAtRuntime_) w->setVisible(!AmbientUserMode() && w->parentWidget() != nullptr);
  }
}

bool UserControl::AmbientUserMode() const { return site_ == nullptr ? true : site_->UserMode(); }

void UserControl::SetInvisibleAtRuntime(bool invisible) {
  invisibleAtRuntime_ = invisible;
  if (QWidget* w = Widget()) {
    if (invisible && AmbientUserMode()) w->hide();
  }
}

void UserControl::ApplySize() {
  if (QWidget* w = Widget()) w->resize(std::max(0, TwipsToPixelsX(box_.width)), std::max(0, TwipsToPixelsY(box_.height)));
}

void UserControl::SetWidth(float twips) {
  box_.SetWidth(twips);
  ApplySize();
  if (site_ != nullptr) site_->OnRequestSize(box_.width, box_.height);
}

void UserControl::SetHeight(float twips) {
  box_.SetHeight(twips);
  ApplySize();
  if (site_ != nullptr) site_->OnRequestSize(box_.width, box_.height);
}

void UserControl::PropertyChanged(std::string_view name) {
  if (site_ != nullptr) site_->OnPropertyChanged(name);
}

void UserControl::RaiseEvent(int32_t dispid, std::vector<com::Variant> args) {
  if (site_ == nullptr) return;
  // The host's handler may call back into the member that raised the event.
  platform::RequireStackSpace();
  // The host's handler may drop its reference to us.
  Ref<UserControl> hold = HoldReference();
  site_->OnEvent(dispid, args);
}

void UserControl::InitNew() { UserControl_InitProperties(); }

void UserControl::Load(PropertyBag& bag) { UserControl_ReadProperties(bag); }

void UserControl::Save(PropertyBag& bag) { UserControl_WriteProperties(bag); }

void UserControl::NotifyShown() {
  if (terminated_) return;
  UserControl_Show();
}

void UserControl::HostResize(float width, float height) {
  const bool changed = width != box_.width || height != box_.height;
  box_.SetSize(width, height);
  ApplySize();
  // The handler usually sets the size it wants; that must not call it again.
  if (!changed || inResize_ || terminated_) return;
  inResize_ = true;
  struct Reset {
    bool& flag;
    ~Reset() { flag = false; }
  } reset{inResize_};
  UserControl_Resize();
}

void UserControl::Terminate() {
  if (terminated_) return;
  terminated_ = true;
  UserControl_Terminate();
}

void UserControl::DoubleClicked() {
  if (terminated_) return;
  UserControl_DblClick();
}

void Container::PlaceChildWidget(QWidget* child, float left, float top, float width, float height) {
  if (child == nullptr) {
    throw platform::Error(platform::kErrorInvalidArgument, "There is no window to place.");
  }
  QWidget* surface = Widget();
  if (surface == nullptr) {
    throw platform::Error(platform::kErrorFail, "This container's window no longer exists.");
  }
  if (child->parentWidget() != surface) {
    // Reparenting hides a widget; a newly placed window is meant to be seen
    // (an invisible-at-run-time control stays hidden through its surface).
    child->setParent(surface);
    child->show();
  }
  child->move(TwipsToPixelsX(left), TwipsToPixelsY(top));
  if (UserControl* control = UserControl::FromWidget(child)) {
    control->HostResize(width, height);
  } else {
    child->resize(std::max(0, TwipsToPixelsX(width)), std::max(0, TwipsToPixelsY(height)));
  }
}

UserControl* UserControl::FromWidget(const QWidget* widget) {
  const auto* window = dynamic_cast<const detail::ControlWindow*>(widget);
  return window != nullptr ? window->Control() : nullptr;
}

}  // namespace forms
