#pragma once
// One control class in Qt Designer's widget box: its typed widget class, the
// header that declares it, and its toolbox picture from the class's
// registration. Designer initialises the plugin and gets controls in design
// mode (the meter draws its strip and never opens the sound server, the fast
// timer shows its face and never runs); QUiLoader does not initialise it and
// gets running controls, as uic-generated code does.
#include <QIcon>
#include <QObject>
#include <QString>
#include <QtUiPlugin/QDesignerCustomWidgetInterface>

#include "runtime/host/control_widget.h"

class ControlPlugin : public QObject, public QDesignerCustomWidgetInterface {
  Q_OBJECT
  Q_INTERFACES(QDesignerCustomWidgetInterface)

 public:
  using Factory = QWidget* (*)(QWidget* parent, kvqmxtmr::Mode mode);
  struct Description {
    const char* className;   // with its namespace, as uic writes it
    const char* progId;      // the registration the toolbox picture comes from
    const char* objectName;  // of the first control on a form
    const char* toolTip;
    Factory create;
  };

  ControlPlugin(const Description& description, QObject* parent);

  QString name() const override { return QString::fromLatin1(d_.className); }
  QString group() const override;
  QString toolTip() const override { return QString::fromLatin1(d_.toolTip); }
  QString whatsThis() const override { return toolTip(); }
  QString includeFile() const override;
  QIcon icon() const override { return icon_; }
  bool isContainer() const override { return false; }
  QString domXml() const override;
  QWidget* createWidget(QWidget* parent) override;
  bool isInitialized() const override { return designer_; }
  void initialize(QDesignerFormEditorInterface* core) override;

 private:
  Description d_;
  QIcon icon_;
  bool designer_ = false;
};
