#pragma once
// The Qt Designer plugin of the KvQmxTmr controls: both typed classes of the
// control module, in the widget box group "KvQmxTmr". QUiLoader finds it in
// the same folder and creates the same classes for a loaded form.
#include <QList>
#include <QObject>
#include <QtUiPlugin/QDesignerCustomWidgetInterface>

class WidgetCollection : public QObject, public QDesignerCustomWidgetCollectionInterface {
  Q_OBJECT
  Q_PLUGIN_METADATA(IID "org.qt-project.Qt.QDesignerCustomWidgetCollectionInterface")
  Q_INTERFACES(QDesignerCustomWidgetCollectionInterface)

 public:
  explicit WidgetCollection(QObject* parent = nullptr);
  QList<QDesignerCustomWidgetInterface*> customWidgets() const override { return widgets_; }

 private:
  QList<QDesignerCustomWidgetInterface*> widgets_;
};
