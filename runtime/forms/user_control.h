#pragma once
// The base of visual controls that a host window places on itself. The control
// is not a QWidget: it owns its window through a QPointer, so a host that
// destroys the window (with itself) never frees the control twice, and the
// control's life is decided by its reference count alone.
//
// Host-side driver calls (InitNew, Load, Save, NotifyShown, HostResize,
// Terminate) run the lifecycle handlers; the runtime itself calls NotifyShown
// each time the control's window becomes visible and UserControl_DblClick on a
// double-click on the window.
#include "runtime/platform/export.h"
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/automation/variant.h"
#include "runtime/forms/container.h"
#include "runtime/forms/property_bag.h"
#include "runtime/forms/ref.h"
#include "runtime/forms/twips_box.h"

namespace forms {

// Implemented by whatever hosts a control.
class ControlSite {
 public:
  virtual ~ControlSite() = default;
  virtual void OnPropertyChanged(std::string_view name) = 0;
  // True when the host runs (false while it is being designed).
  virtual bool UserMode() const = 0;
  // A control event, raised synchronously: it returns when the host's
  // handlers have.
  virtual void OnEvent(int32_t dispid, const std::vector<com::Variant>& args) = 0;
  // The control changed its own size (twips).
  virtual void OnRequestSize(float widthTwips, float heightTwips) = 0;
};

class KVQMXTMR_EXPORT UserControl : public Container {
 public:
  UserControl();
  ~UserControl() override;

  // A new control holds one reference, its creator's (MakeRef adopts it).
  // Virtual so a component wrapper can keep one count for both.
  virtual uint32_t AddRef();
  // Runs Terminate (if not yet run) and deletes the control at zero.
  virtual uint32_t Release();
  uint32_t RefCount() const { return refs_; }
  // Keeps the control alive until the handle goes; for members that may run
  // host code (events, message loops) which could drop the last reference.
  [[nodiscard]] Ref<UserControl> HoldReference() { return Ref<UserControl>(this); }

  void SetSite(ControlSite* site);
  ControlSite* Site() const { return site_; }
  // The site's UserMode; true without a site.
  bool AmbientUserMode() const;

  // Hidden while the host runs; shown at design time. A hidden window is
  // never shown, so such a control gets no UserControl_Show at run time.
  void SetInvisibleAtRuntime(bool invisible);
  bool InvisibleAtRuntime() const { return invisibleAtRuntime_; }

  // Size in twips. The control's own setters resize its window and tell the
  // site; they do not call UserControl_Resize.
  float Width() const { return box_.width; }
  float Height() const { return box_.height; }
  void SetWidth(float twips);
  void SetHeight(float twips);

  // Notifies the site that a property changed (nothing without a site).
  void PropertyChanged(std::string_view name);
  // Raises an event to the site, synchronously (nothing without a site).
  void RaiseEvent(int32_t dispid, std::vector<com::Variant> args = {});

  // --- Host-side driver calls ---
  void InitNew();                 // -> UserControl_InitProperties
  void Load(PropertyBag& bag);    // -> UserControl_ReadProperties
  void Save(PropertyBag& bag);    // -> UserControl_WriteProperties
  void NotifyShown();             // -> UserControl_Show
  // The host gives the control a size (twips); runs UserControl_Resize when
  // the size changes. Size setters called inside the handler take effect but
  // do not run it again.
  void HostResize(float width, float height);
  void Terminate();               // -> UserControl_Terminate, once
  bool Terminated() const { return terminated_; }
  void DoubleClicked();           // -> UserControl_DblClick

  // The control whose window this is, or nullptr.
  static UserControl* FromWidget(const QWidget* widget);

 protected:
  virtual void UserControl_InitProperties() {}
  virtual void UserControl_ReadProperties(PropertyBag& bag) { (void)bag; }
  virtual void UserControl_WriteProperties(PropertyBag& bag) { (void)bag; }
  virtual void UserControl_Show() {}
  virtual void UserControl_Resize() {}
  virtual void UserControl_Terminate() {}
  virtual void UserControl_DblClick() {}

 private:
  void ApplySize();

  ControlSite* site_ = nullptr;
  // The host places the window; the size is the control's.
  TwipsBox box_;
  uint32_t refs_ = 1;
  bool invisibleAtRuntime_ = false;
  bool inResize_ = false;
  bool terminated_ = false;
};

}  // namespace forms
