#include "tools/designer_plugin/control_plugin.h"

#include <QDebug>
#include <QPixmap>

#include "runtime/host/toolbox_picture.h"

ControlPlugin::ControlPlugin(const Description& description, QObject* parent)
    : QObject(parent), d_(description) {
  QString error;
  const QImage picture = kvqmxtmr::ToolboxPicture(d_.progId, &error);
  // Designer lists the class all the same, with its default icon.
  if (picture.isNull())
    qWarning().noquote() << "KvQmxTmr Designer plugin: no toolbox picture for" << d_.className << "-" << error;
  else
    icon_ = QIcon(QPixmap::fromImage(picture));
}

QString ControlPlugin::group() const { return QStringLiteral("KvQmxTmr"); }

QString ControlPlugin::includeFile() const { return QStringLiteral("kvqmxtmr/dialfen_widgets.h"); }

QString ControlPlugin::domXml() const {
  return QStringLiteral("<ui language=\"c++\">\n <widget class=\"%1\" name=\"%2\"/>\n</ui>\n")
      .arg(name(), QString::fromLatin1(d_.objectName));
}

QWidget* ControlPlugin::createWidget(QWidget* parent) {
  return d_.create(parent, designer_ ? kvqmxtmr::Mode::Design : kvqmxtmr::Mode::Run);
}

void ControlPlugin::initialize(QDesignerFormEditorInterface*) {
  // Only Designer calls this; QUiLoader goes straight to createWidget.
  designer_ = true;
}
