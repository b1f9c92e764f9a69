#include "runtime/host/control_widget.h"

#include <QSizePolicy>

namespace kvqmxtmr {

ControlWidget::ControlWidget(const char* classId, QWidget* parent, Mode mode)
    : QWidget(parent), control_(new Control(classId, this, mode)) {
  setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
  connect(control_, &Control::exception, this, &ControlWidget::exception);
  connect(control_, &Control::EventRaised, this, [this](int dispid) { controlEvent(dispid); });
  connect(control_, &Control::PropertyChanged, this, [this](int dispid) { controlPropertyChanged(dispid); });
  // Hidden explicitly, a run-time-invisible control stays hidden when its
  // window shows and takes no room in a layout.
  QWidget* window = control_->Widget();
  if (window == nullptr || window->isHidden()) {
    setVisible(false);
    return;
  }
  resize(window->size());
}

ControlWidget::~ControlWidget() {
  // The control goes first, while this widget is still whole: its
  // termination may still reach its own window, a child of this one.
  delete control_;
}

Mode ControlWidget::mode() const { return control_->mode(); }
Control* ControlWidget::control() const { return control_; }

QSize ControlWidget::sizeHint() const {
  const QWidget* window = control_->Widget();
  if (window == nullptr || window->isHidden()) return QSize(0, 0);
  return window->size();
}

QSize ControlWidget::minimumSizeHint() const { return sizeHint(); }

int ControlWidget::getLong(int dispid, const char* name) const {
  if (mode() == Mode::Design) {
    const auto it = designed_.constFind(dispid);
    if (it != designed_.constEnd()) return *it;
  }
  return control_->GetLong(dispid, name);
}

bool ControlWidget::getBool(int dispid, const char* name) const {
  if (mode() == Mode::Design) {
    const auto it = designed_.constFind(dispid);
    if (it != designed_.constEnd()) return *it != 0;
  }
  return control_->GetBool(dispid, name);
}

void ControlWidget::putLong(int dispid, const char* name, int value) {
  if (mode() == Mode::Run) {
    control_->PutLong(dispid, value, name);  // may run a loop that deletes this widget: nothing follows
    return;
  }
  designed_.insert(dispid, value);
  controlPropertyChanged(dispid);
}

void ControlWidget::putBool(int dispid, const char* name, bool value) {
  if (mode() == Mode::Run) {
    control_->PutBool(dispid, value, name);
    return;
  }
  designed_.insert(dispid, value ? 1 : 0);
  controlPropertyChanged(dispid);
}

void ControlWidget::controlEvent(int) {}
void ControlWidget::controlPropertyChanged(int) {}

}  // namespace kvqmxtmr
