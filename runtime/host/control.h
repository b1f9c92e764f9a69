#pragma once
// One control of a registered control module, hosted in a program of your
// own: created by ProgID or class identity, placed in any QWidget or on a
// kit form, driven by late-bound property calls, and heard through Qt
// signals. The late-bound road for any registered control; the kit's own
// controls also come as typed widgets (<kvqmxtmr/dialfen_widgets.h>).
//
//   auto* meter = new kvqmxtmr::Control("Dialfen.KvDispVU", &window);   // owned by window
//   meter->PutLong("SetDispDelay", 0);
//   meter->PutLong("DisplayMode", kvqmxtmr::UseVULowTimer);
//   QObject::connect(timer, &kvqmxtmr::Control::EventRaised, [&](int dispid) { ... });
//
// Errors, as everywhere in Qt, never throw. A call that fails returns a
// neutral value (0, false), leaves the control as it was, emits exception()
// and warns on the logging category "kvqmxtmr"; the text names the control,
// the member and the reason. Every call belongs on the thread that created
// the control (the GUI thread): a call from another thread is refused so and
// changes nothing. An exception a handler connected to EventRaised lets out
// is caught where the event is raised, reported the same way, and the
// control goes on.
//
// Lifetime: a Control placed in a widget is that widget's QObject child, so
// it goes with the widget (or earlier, deleted by the host). Closing or
// hiding the window ends nothing: shown again, the control carries on. A
// loop the control runs inside one of its puts (the fast timer switched on,
// the meter in mode UseVUHiTimer) is switched off when its top-level window
// closes, so the put returns after its pass and the program can end.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include <QObject>
#include <QString>

#include "runtime/platform/export.h"

class QWidget;

namespace forms {
class Container;
}
namespace com {
class Variant;
}

namespace kvqmxtmr {

// Run: the host's ambient UserMode is true, the control runs. Design: the
// control is being laid out (a form designer): UserMode false, and a control
// invisible at run time shows its face.
enum class Mode { Run, Design };

class KVQMXTMR_EXPORT Control : public QObject {
  Q_OBJECT

 public:
  // `classId` is a ProgID ("Dialfen.KvDispVU") or a class identity in its
  // braced form ("{57C5E3A7-A274-43C4-A827-474AEEA12D7E}"). The control's
  // window becomes a child of `parent` at (x, y) pixels, at the size the
  // control chooses, and this object a QObject child of `parent`. When the
  // class is not registered, its module is missing or broken, or it is not a
  // control, the object is created closed: Closed() is true, Error() says
  // why, and every call fails with that reason.
  Control(std::string_view classId, QWidget* parent, int x = 0, int y = 0);
  Control(std::string_view classId, QWidget* parent, Mode mode);
  // The same on a kit form or picture box, at (left, top) twips of its
  // client area (no QObject parent: the host owns it).
  Control(std::string_view classId, forms::Container& container, float left = 0, float top = 0);
  ~Control() override;
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;

  // The control's window (nullptr once closed). A control that is invisible
  // at run time (the fast timer) keeps it hidden while the mode is Run.
  QWidget* Widget() const;
  bool Closed() const;
  Mode mode() const;
  // The name the control goes by in messages: its ProgID where the registry
  // knows one, or the class identity it was created by.
  QString Name() const;
  // Why the control could not be created or has closed; empty while it runs.
  QString Error() const;

  // The DISPID of a property of the control's default interface, by name
  // (any case); -1 (DISPID_UNKNOWN) when it has none of that name.
  int32_t DispatchId(std::string_view property) const;

  // Properties by name or DISPID. Long properties (and enumerations) take and
  // give 32-bit integers, Boolean ones bool; a call of the other kind fails
  // (a Boolean read as a Long would answer -1, a Long read as a Boolean
  // would answer true for any value but 0).
  int32_t GetLong(std::string_view property) const;
  int32_t GetLong(int32_t dispid) const;
  bool PutLong(std::string_view property, int32_t value);
  bool PutLong(int32_t dispid, int32_t value);
  bool GetBool(std::string_view property) const;
  bool GetBool(int32_t dispid) const;
  bool PutBool(std::string_view property, bool value);
  bool PutBool(int32_t dispid, bool value);
  // The puts answer whether the control took the value.

  // Ends the control now, as deleting it does, keeping this object (closed).
  void Close();

 signals:
  // The control raised an event (the fast timer's QmxTimer: DISPID 1). The
  // handlers run synchronously, inside the control's own call; the control
  // goes on when they return.
  void EventRaised(int dispid);
  // The control announced a change of one of its properties (DISPID).
  void PropertyChanged(int dispid);
  // A call failed: the status code, the source (the control's name), the
  // description naming the control, the member and the reason, and a help
  // file (none).
  void exception(int code, const QString& source, const QString& description, const QString& help);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  friend class ControlWidget;
  struct Impl;
  // Where a call came from, for its report: a member and the property by
  // name or DISPID, or the typed class's property name.
  struct CallSite {
    const char* member;
    std::string_view property;
    int32_t dispid = 0;
    const char* typedName = nullptr;
    std::string Text() const;
  };
  template <class R, class F>
  R Call(const CallSite& site, R neutral, F&& call) const;
  bool Put(const CallSite& site, const com::Variant& value);
  int32_t GetLong(int32_t dispid, const char* name) const;
  bool GetBool(int32_t dispid, const char* name) const;
  bool PutLong(int32_t dispid, int32_t value, const char* name);
  bool PutBool(int32_t dispid, bool value, const char* name);
  void Fail(int code, const std::string& member, const std::string& reason) const;
  void Create(std::string_view classId, QWidget* parent, int x, int y, Mode mode);
  void Wire();
  void EndLoops();
  void WatchTop();
  std::unique_ptr<Impl> impl_;
};

// Runs every event pending on the GUI thread once and returns: the pump a
// host calls inside a long handler of its own, as the controls' loops do.
KVQMXTMR_EXPORT void DoEvents();

}  // namespace kvqmxtmr
