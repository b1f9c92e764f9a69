#pragma once
// A control placed on a form or picture box, by class identity, in the way a
// container of the platform hosts one: the host creates the control, gives it
// its site first, connects to its property notifications and its events,
// loads its saved bag (or starts it new), gives it its extent and places its
// window, hiding it when it is invisible at run time and the host runs.
//
// The host's bag for one control holds the control's own entries and the
// host's "_extentx" / "_extenty": the control's size in HIMETRIC (2540 an
// inch; 420 x 405 twips are 741 x 714).
//
// Handlers connected with Connect run synchronously inside the control's
// RaiseEvent; an error a handler raises reaches the code that raised the
// event.
#include "runtime/platform/export.h"
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <QPointer>

#include "runtime/com/com_ptr.h"
#include "runtime/com/dispatch_driver.h"
#include "runtime/com/interfaces.h"
#include "runtime/com/snapshot_list.h"
#include "runtime/forms/container.h"
#include "runtime/forms/property_bag.h"

namespace com {

struct HostedPlacement {
  float left = 0;
  float top = 0;
  float width = 0;  // used when the saved bag holds no extent
  float height = 0;
};

class KVQMXTMR_EXPORT HostedControl {
 public:
  using EventHandler = std::function<void(const std::vector<Variant>& args)>;

  // Creates, sites, loads (or initialises) and places the control. `saved`
  // is the control's bag from a saved host, or nullptr for a new control.
  // `userMode` is the host's ambient UserMode (false while being designed).
  // Throws platform::Error when the class cannot be created, is not a
  // control, or refuses its saved properties.
  HostedControl(forms::Container& container, std::string name, const CLSID& clsid, const HostedPlacement& place,
                const forms::PropertyBag* saved = nullptr, bool userMode = true);
  // The same in a plain widget of the host's own (a QMainWindow's central
  // widget, say): the control's window becomes a child of `parent`, placed at
  // `place` (twips from the parent's top-left corner).
  HostedControl(QWidget& parent, std::string name, const CLSID& clsid, const HostedPlacement& place,
                bool userMode = true);
  ~HostedControl();
  HostedControl(const HostedControl&) = delete;
  HostedControl& operator=(const HostedControl&) = delete;

  const std::string& Name() const { return name_; }
  // Late-bound calls on the control's default interface.
  const DispatchDriver& Object() const { return driver_; }
  ComPtr<IUnknown> Unknown() const { return object_; }

  // Runs `handler` whenever the control raises event `dispid`.
  void Connect(DISPID dispid, std::function<void()> handler);
  void Connect(DISPID dispid, EventHandler handler);
  // Runs `handler` with the DISPID of every event the control raises, after
  // the handlers connected to that DISPID; nothing for a class without events.
  void ConnectAll(std::function<void(DISPID, const std::vector<Variant>&)> handler);
  // Runs `handler` with the property's DISPID (DISPID_UNKNOWN when the
  // control named no property of its interface) after every PropertyChanged.
  void OnPropertyChanged(std::function<void(DISPID)> handler);
  // The host's record that the control changed since it was last saved.
  bool Dirty() const { return dirty_; }

  // Position and size in twips, relative to the container's client area.
  // The size is the control's own, which it may have kept or snapped to.
  float Left() const { return left_; }
  float Top() const { return top_; }
  float Width() const;
  float Height() const;
  void Move(float left, float top, float width, float height);
  SIZEL Extent() const;  // HIMETRIC
  uint32_t MiscStatus() const { return miscStatus_; }
  bool UserMode() const { return userMode_; }
  // Whether the control's window shows (always false for an
  // invisible-at-run-time control while the host runs).
  bool Visible() const;
  void SetVisible(bool visible);

  // The control's bag: the extent and what the control writes.
  forms::PropertyBag Save();

 private:
  class Site;
  class EventSink;
  friend class Site;
  friend class EventSink;

  void Build(const CLSID& clsid, const HostedPlacement& place, const forms::PropertyBag* saved);
  void Teardown();
  void Place(float left, float top, float width, float height);
  void PlaceInWidget(QWidget* widget, float left, float top);
  void ApplyVisibility();
  void OnEvent(DISPID dispid, const std::vector<Variant>& args);
  void OnChanged(DISPID dispid);

  forms::Container* container_ = nullptr;  // one of these two is the host
  QPointer<QWidget> parentWidget_;
  std::string name_;
  bool userMode_;
  bool visible_ = true;
  bool dirty_ = false;
  uint32_t miscStatus_ = 0;
  float left_ = 0;
  float top_ = 0;
  ComPtr<IUnknown> object_;
  ComPtr<IOleObject> ole_;
  DispatchDriver driver_;
  ComPtr<IConnectionPoint> notifyPoint_;
  uint32_t notifyCookie_ = 0;
  ComPtr<IConnectionPoint> eventPoint_;
  uint32_t eventCookie_ = 0;
  Site* site_ = nullptr;       // counted object; this holds one reference
  EventSink* sink_ = nullptr;  // counted object; this holds one reference
  // Each event runs the handlers present when it started.
  std::map<DISPID, SnapshotList<EventHandler>> handlers_;
  SnapshotList<std::function<void(DISPID, const std::vector<Variant>&)>> anyEventHandlers_;
  SnapshotList<std::function<void(DISPID)>> changeHandlers_;
};

}  // namespace com
