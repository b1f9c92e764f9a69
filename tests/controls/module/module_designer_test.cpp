// The controls in Qt Designer and in forms made with it: the plugin Designer
// and QUiLoader load, what Designer's widget box shows, the design-time
// controls Designer places, and a saved form read back by QUiLoader and by
// uic-generated code.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <set>
#include <string>

#include <QFile>
#include <QMetaProperty>
#include <QPluginLoader>
#include <QSignalSpy>
#include <QUiLoader>
#include <QtUiPlugin/QDesignerCustomWidgetInterface>

#include <kvqmxtmr/dialfen_widgets.h>

#include "runtime/forms/application.h"
#include "runtime/registry/registry.h"
#include "runtime/host/toolbox_picture.h"
#include "tests/controls/module/module_host.h"
#include "ui_stopped_meter.h"

namespace kvmodule_test {
namespace {

struct ClassRow {
  const char* name;
  const char* progId;
  const char* picture;  // the asset the module embeds as its toolbox bitmap
};
const ClassRow kClasses[] = {
    {"Dialfen::KvDispVU", dialfen::kProgID_KvDispVU, "toolbox_meter.bmp"},
    {"Dialfen::KvQmxFasTmr", dialfen::kProgID_KvQmxFasTmr, "toolbox_fasttimer.bmp"},
};

// Every persisted property of both classes and the value the saved form
// (stopped_meter.ui) gives it; none is its default.
struct SavedValue {
  const char* object;
  const char* property;
  int value;
};
const SavedValue kSaved[] = {
    {"meter", "DisplayMode", 2},  // DONotUseTimer
    {"meter", "SetDispVolumeStep", 1500},
    {"meter", "SetDispDelay", 0},
    {"meter", "GetPeekData", 77},
    {"ticker", "SleepDelay", 25},
};

class DesignerPlugin : public ModuleHostTest {
 protected:
  void SetUp() override {
    ModuleHostTest::SetUp();
    loader_.setFileName(QStringLiteral(KV_DESIGNER_PLUGIN));
    ASSERT_TRUE(loader_.load()) << loader_.errorString().toStdString();
    auto* collection = qobject_cast<QDesignerCustomWidgetCollectionInterface*>(loader_.instance());
    ASSERT_NE(collection, nullptr) << "not a Designer widget collection";
    for (QDesignerCustomWidgetInterface* w : collection->customWidgets()) widgets_[w->name().toStdString()] = w;
  }

  QDesignerCustomWidgetInterface* Widget(const char* name) {
    auto it = widgets_.find(name);
    return it == widgets_.end() ? nullptr : it->second;
  }

  // Pumps until the controls' deferred Show handlers have run.
  static void Settle() {
    for (int i = 0; i < 20; ++i) forms::DoEvents();
  }

  QPluginLoader loader_;
  std::map<std::string, QDesignerCustomWidgetInterface*> widgets_;
};

TEST_F(DesignerPlugin, ListsBothClassesInTheirGroupWithTheModulesToolboxPictures) {
  EXPECT_EQ(widgets_.size(), std::size(kClasses));
  for (const ClassRow& row : kClasses) {
    QDesignerCustomWidgetInterface* w = Widget(row.name);
    ASSERT_NE(w, nullptr) << row.name;
    EXPECT_EQ(w->group(), "KvQmxTmr");
    EXPECT_EQ(w->includeFile(), "kvqmxtmr/dialfen_widgets.h");
    EXPECT_FALSE(w->isContainer());
    EXPECT_TRUE(w->domXml().contains(QStringLiteral("class=\"%1\"").arg(row.name))) << w->domXml().toStdString();
    ASSERT_FALSE(w->icon().isNull()) << row.name;
    const QImage asset(QStringLiteral(KV_SOURCE_ASSETS "/") + row.picture);
    ASSERT_FALSE(asset.isNull()) << row.picture;
    const QImage shown = w->icon().pixmap(asset.size()).toImage().convertToFormat(asset.format());
    EXPECT_EQ(shown, asset) << row.name << ": the icon is not the toolbox picture";
  }
}

TEST_F(DesignerPlugin, AToolboxPictureThatCannotBeFoundSaysWhy) {
  struct Row {
    std::string progId;
    std::string registered;  // the class's ToolboxBitmap32 from now on; empty: as it is
    const char* said;
  } rows[] = {
      {"Dialfen.Nothing", "", "not registered"},
      {dialfen::kProgID_KvDispVU, ModulePath(), "not \"module, number\""},
      {dialfen::kProgID_KvDispVU, ModulePath() + ", 3x", "resource number"},
      {dialfen::kProgID_KvDispVU, ModulePath() + ", 31000", "holds no bitmap 31000"},
      {dialfen::kProgID_KvDispVU, "/nowhere/KvQmxTmr.ocx, 30001", "/nowhere/KvQmxTmr.ocx"},
  };
  const std::string key = com::ClassesKey("CLSID\\" + dialfen::CLSID_KvDispVU.ToString() + "\\ToolboxBitmap32");
  for (const Row& row : rows) {
    if (!row.registered.empty()) com::Registry::User().SetString(key, "", row.registered);
    QString error;
    EXPECT_TRUE(kvqmxtmr::ToolboxPicture(row.progId, &error).isNull()) << row.said;
    EXPECT_TRUE(error.contains(QString::fromStdString(row.said))) << error.toStdString();
  }
}

// QUiLoader creates the controls through the same plugin; they run. Designer
// initialises the plugin first; its controls are being designed.
TEST_F(DesignerPlugin, QUiLoaderGetsRunningControlsAndDesignerDesignedOnes) {
  QUiLoader loader;
  EXPECT_TRUE(loader.availableWidgets().contains("Dialfen::KvDispVU"));
  for (const ClassRow& row : kClasses) {
    std::unique_ptr<QWidget> made(loader.createWidget(row.name));
    auto* control = qobject_cast<kvqmxtmr::ControlWidget*>(made.get());
    ASSERT_NE(control, nullptr) << row.name << ": " << loader.errorString().toStdString();
    EXPECT_EQ(control->mode(), kvqmxtmr::Mode::Run) << row.name;
  }

  QWidget form;
  for (const ClassRow& row : kClasses) {
    Widget(row.name)->initialize(nullptr);  // Designer passes its form editor
    EXPECT_TRUE(Widget(row.name)->isInitialized());
    auto* control = qobject_cast<kvqmxtmr::ControlWidget*>(Widget(row.name)->createWidget(&form));
    ASSERT_NE(control, nullptr) << row.name;
    EXPECT_EQ(control->mode(), kvqmxtmr::Mode::Design) << row.name;
    EXPECT_EQ(control->parentWidget(), &form);
  }
}

// What Designer places: the meter draws its strip and never reaches the
// sound server; the fast timer shows its face, and switching it on stores the
// value and raises nothing.
TEST_F(DesignerPlugin, DesignedControlsShowTheirFacesStayQuietAndOfferWhatIsPersisted) {
  QWidget form;
  for (const ClassRow& row : kClasses) Widget(row.name)->initialize(nullptr);
  // The plugin carries its own copy of the typed classes: reached here
  // through their shared base and the meta-object, as QUiLoader's users do.
  QWidget* meter = Widget("Dialfen::KvDispVU")->createWidget(&form);
  QWidget* ticker = Widget("Dialfen::KvQmxFasTmr")->createWidget(&form);
  ASSERT_TRUE(meter != nullptr && meter->inherits("Dialfen::KvDispVU"));
  ASSERT_TRUE(ticker != nullptr && ticker->inherits("Dialfen::KvQmxFasTmr"));
  meter->setObjectName("meter");
  ticker->setObjectName("ticker");
  ticker->move(0, 40);
  QSignalSpy events(ticker, SIGNAL(QmxTimer()));
  form.show();
  Settle();

  for (const SavedValue& v : kSaved) {
    QObject* target = v.object == std::string("meter") ? static_cast<QObject*>(meter) : ticker;
    EXPECT_TRUE(target->setProperty(v.property, v.value)) << v.property;
  }
  // At run time this would not return until switched off.
  EXPECT_TRUE(ticker->setProperty("Enabled", true));
  EXPECT_TRUE(ticker->property("Enabled").toBool());
  Settle();
  EXPECT_EQ(MixerOpens(), 0u) << "a designed meter opened the mixer";
  EXPECT_EQ(events.count(), 0) << "a designed fast timer raised QmxTimer";
  EXPECT_TRUE(Sleeps().empty());
  EXPECT_TRUE(ticker->isVisible()) << "the fast timer's face is hidden at design time";
  EXPECT_EQ(ticker->size(), QSize(28, 27));  // 420 x 405 twips at 96 DPI
  const QImage strip = meter->grab().toImage();
  int red = 0;
  for (int y = 0; y < strip.height(); ++y)
    for (int x = 0; x < strip.width(); ++x) red += strip.pixelColor(x, y).red() > 200 && strip.pixelColor(x, y).green() < 80;
  EXPECT_GT(red, 10) << "the strip's red segments are not drawn";

  // Designer's property editor shows, and its forms save, the designable
  // stored properties: every persisted one, and Enabled, never persisted,
  // not.
  for (QWidget* control : {meter, ticker}) {
    const QMetaObject* meta = control->metaObject();
    std::set<std::string> saved;
    for (int i = meta->propertyOffset(); i < meta->propertyCount(); ++i) {
      const QMetaProperty p = meta->property(i);
      if (p.isDesignable() && p.isStored() && p.isWritable()) saved.insert(p.name());
    }
    std::set<std::string> persisted;
    for (const SavedValue& v : kSaved)
      if ((v.object == std::string("meter")) == (control == meter)) persisted.insert(v.property);
    EXPECT_EQ(saved, persisted) << meta->className();
  }
}

// A form Designer saved with a stopped meter and changed values: uic's code
// and QUiLoader give every value back, and the stopped meter never meters.
TEST_F(DesignerPlugin, ASavedFormLoadsItsValuesThroughUicAndQUiLoader) {
  UseMixerScript("values 4321");
  QWidget byUic;
  Ui::StoppedMeter ui;
  ui.setupUi(&byUic);
  QFile file(QStringLiteral(KV_STOPPED_METER_UI));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  QUiLoader loader;
  std::unique_ptr<QWidget> byLoader(loader.load(&file));
  ASSERT_NE(byLoader, nullptr) << loader.errorString().toStdString();

  EXPECT_EQ(ui.meter->DisplayMode(), Dialfen::KvDispVU::DONotUseTimer);
  EXPECT_EQ(ui.ticker->SleepDelay(), 25);
  for (QWidget* form : {&byUic, byLoader.get()}) {
    form->show();
    Settle();
    for (const SavedValue& v : kSaved) {
      auto* control = form->findChild<kvqmxtmr::ControlWidget*>(v.object);
      ASSERT_NE(control, nullptr) << v.object;
      EXPECT_EQ(control->mode(), kvqmxtmr::Mode::Run);
      EXPECT_EQ(control->property(v.property).toInt(), v.value) << v.property;
    }
  }
  EXPECT_EQ(MixerReads(), 0u) << "a stopped meter read the mixer";
}

}  // namespace
}  // namespace kvmodule_test
