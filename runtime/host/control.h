#pragma once
// One control of a registered control module, hosted in a program of your
// own: created by ProgID or class identity, placed in any QWidget or on a
// kit form, driven by late-bound property calls, and heard through Qt
// signals.
//
//   kvqmxtmr::Control meter("Dialfen.KvDispVU", &window);
//   meter.PutLong("SetDispDelay", 0);
//   meter.PutLong("DisplayMode", kvqmxtmr::UseVULowTimer);
//   QObject::connect(&timer, &kvqmxtmr::Control::EventRaised, [&](int dispid) { ... });
//
// Everything runs on the GUI thread. A failing call throws std::runtime_error
// whose text names the control, the member and the reason.
//
// The control lives as long as this object, and no longer than the window it
// shows in: when its top-level window closes, or its parent widget is
// destroyed, the control is terminated (its timers stop, and a loop running
// inside one of its property puts ends after its current pass). From then on
// Closed() is true and every call throws.
#include "runtime/platform/export.h"
#include <cstdint>
#include <memory>
#include <string_view>

#include <QObject>

class QWidget;

namespace forms {
class Container;
}

namespace kvqmxtmr {

class KVQMXTMR_EXPORT Control : public QObject {
  Q_OBJECT

 public:
  // `classId` is a ProgID ("Dialfen.KvDispVU") or a class identity in its
  // braced form ("{57C5E3A7-A274-43C4-A827-474AEEA12D7E}"). The control's
  // window becomes a child of `parent` at (x, y) pixels, at the size the
  // control chooses. Throws when the class is not registered, its module is
  // missing or broken, or it is not a control.
  Control(std::string_view classId, QWidget* parent, int x = 0, int y = 0);
  // The same on a kit form or picture box, at (left, top) twips of its
  // client area.
  Control(std::string_view classId, forms::Container& container, float left = 0, float top = 0);
  ~Control() override;
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;

  // The control's window (nullptr once closed). A control that is invisible
  // at run time (the fast timer) keeps it hidden.
  QWidget* Widget() const;
  bool Closed() const;

  // The DISPID of a property of the control's default interface, by name
  // (any case).
  int32_t DispatchId(std::string_view property) const;

  // Properties by name or DISPID. Long properties (and enumerations) take and
  // give 32-bit integers, Boolean ones bool; a value of another type is
  // converted as automation converts it, or the call throws.
  int32_t GetLong(std::string_view property) const;
  int32_t GetLong(int32_t dispid) const;
  void PutLong(std::string_view property, int32_t value);
  void PutLong(int32_t dispid, int32_t value);
  bool GetBool(std::string_view property) const;
  bool GetBool(int32_t dispid) const;
  void PutBool(std::string_view property, bool value);
  void PutBool(int32_t dispid, bool value);

  // Ends the control now, as closing its window does.
  void Close();

 signals:
  // The control raised an event (the fast timer's QmxTimer: DISPID 1). The
  // handlers run synchronously, inside the control's own call; the control
  // goes on when they return.
  void EventRaised(int dispid);
  // A property put was stored and announced by the control (DISPID of the
  // property).
  void PropertyChanged(int dispid);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  struct Impl;
  void Wire();
  std::unique_ptr<Impl> impl_;
};

// Runs every event pending on the GUI thread once and returns: the pump a
// host calls inside a long handler of its own, as the controls' loops do.
KVQMXTMR_EXPORT void DoEvents();

}  // namespace kvqmxtmr
