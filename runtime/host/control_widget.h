#pragma once
// A control of a registered control module as a QWidget: the base of the
// typed classes kvqmxtmr-genclasses writes from a module's type library
// (<kvqmxtmr/dialfen_widgets.h> for the kit's own controls). The widget owns
// its Control (control()), which lives exactly as long as the widget.
//
// The widget takes the control's own size, with a fixed size policy, so a
// layout places it at the size the control keeps; a control invisible at
// run time (the fast timer) is hidden and takes no room, unless designed.
// Errors never throw: a failed call returns a neutral value, changes
// nothing, and is reported by exception() and a warning on the logging
// category "kvqmxtmr" (see control.h).
#include <QHash>
#include <QSize>
#include <QString>
#include <QWidget>

// Beside it in the source tree and in P/include/kvqmxtmr/ alike.
#include "control.h"

namespace kvqmxtmr {

class KVQMXTMR_EXPORT ControlWidget : public QWidget {
  Q_OBJECT

 public:
  // `classId`: a ProgID ("Dialfen.KvDispVU") or a braced class identity.
  // In Mode::Design the host's ambient UserMode is false: the control shows
  // its design-time face, and the typed properties are only kept (see
  // below), never run.
  ControlWidget(const char* classId, QWidget* parent, Mode mode = Mode::Run);
  ~ControlWidget() override;

  Mode mode() const;
  // The late-bound object; never null (a control that could not be created
  // is a closed one, whose calls fail with the reason).
  Control* control() const;
  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 signals:
  // A failed call: status code, source (the control's ProgID), description
  // naming the control, the member and the reason, help file (empty).
  void exception(int code, const QString& source, const QString& description, const QString& help);

 protected:
  // The typed classes' property calls, by DISPID, with the property's name
  // for reports. In Mode::Design a put
  // only keeps the value (a get then returns it, and the change is
  // announced as the control would): a designed control never runs a
  // metering pass or loop.
  int getLong(int dispid, const char* name) const;
  void putLong(int dispid, const char* name, int value);
  bool getBool(int dispid, const char* name) const;
  void putBool(int dispid, const char* name, bool value);
  // Called for each event the control raises and each change of a property
  // it announces; the typed classes turn them into their signals.
  virtual void controlEvent(int dispid);
  virtual void controlPropertyChanged(int dispid);

 private:
  Control* control_;
  QHash<int, int> designed_;  // Mode::Design: the values put, by DISPID
};

}  // namespace kvqmxtmr
