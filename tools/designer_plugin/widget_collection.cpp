#include "tools/designer_plugin/widget_collection.h"

#include <kvqmxtmr/dialfen_widgets.h>

#include "runtime/host/dialfen.h"
#include "tools/designer_plugin/control_plugin.h"

namespace {

template <class Widget>
QWidget* Create(QWidget* parent, kvqmxtmr::Mode mode) {
  return new Widget(parent, mode);
}

}  // namespace

WidgetCollection::WidgetCollection(QObject* parent) : QObject(parent) {
  widgets_ = {
      new ControlPlugin({"Dialfen::KvDispVU", kvqmxtmr::kProgID_KvDispVU, "kvDispVU",
                         "VU meter: the sound output's peak level", &Create<Dialfen::KvDispVU>},
                        this),
      new ControlPlugin({"Dialfen::KvQmxFasTmr", kvqmxtmr::kProgID_KvQmxFasTmr, "kvQmxFasTmr",
                         "Fast timer: raises QmxTimer over and over while Enabled", &Create<Dialfen::KvQmxFasTmr>},
                        this),
  };
}
