#include "runtime/forms/user_control.h"

#include <algorithm>

#include "runtime/forms/detail/surface.h"
#include "runtime/forms/units.h"
#include "runtime/platform/stack_space.h"

namespace forms {

UserControl::UserControl() {
  auto* surface = new detail::Surface(this, nullptr);
  surface->SetControl(this);
  SetSurface(surface);
}

UserControl::~UserControl() {
  // The window may outlive us inside its host until the host goes; it must
  // not call back into a control that no longer exists.
  if (auto* surface = static_cast<detail::Surface*>(Widget())) surface->SetControl(nullptr);
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

UserControl* UserControl::FromWidget(const QWidget* widget) {
  const auto* surface = qobject_cast<const detail::Surface*>(widget);
  return surface != nullptr ? surface->Control() : nullptr;
}

}  // namespace forms
