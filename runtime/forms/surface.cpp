#include "runtime/forms/detail/surface.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPointer>
#include <vector>

#include "runtime/forms/container.h"
#include "runtime/forms/detail/runtime_state.h"
#include "runtime/forms/user_control.h"

namespace forms::detail {
namespace {

std::vector<QPointer<Surface>>& PendingShows() {
  static std::vector<QPointer<Surface>> pending;
  return pending;
}

const QEvent::Type kRepaintChanges = static_cast<QEvent::Type>(QEvent::registerEventType());

}  // namespace

Surface::Surface(Container* owner, QWidget* parent) : QWidget(parent), owner_(owner) {
  // The container paints every pixel itself (background first).
  setAttribute(Qt::WA_OpaquePaintEvent);
  setAutoFillBackground(false);
}

Surface::~Surface() = default;

void Surface::DetachOwner() {
  owner_ = nullptr;
  control_ = nullptr;
}

void Surface::Dispose() {
  DetachOwner();
  if (InEvent()) {
    hide();
    deleteLater();
  } else {
    delete this;
  }
}

void Surface::setVisible(bool visible) {
  // A control that is invisible at run time stays hidden however its host
  // asks, but shows while the host is being designed.
  if (visible && control_ != nullptr && control_->InvisibleAtRuntime() && control_->AmbientUserMode()) {
    visible = false;
  }
  QWidget::setVisible(visible);
  FlushPendingShows();
}

void Surface::ScheduleRepaintChanges() {
  if (repaintPosted_) return;
  repaintPosted_ = true;
  QCoreApplication::postEvent(this, new QEvent(kRepaintChanges));
}

bool Surface::event(QEvent* e) {
  if (e->type() == kRepaintChanges) {
    repaintPosted_ = false;
    if (owner_ != nullptr) owner_->RepaintChanges();
    return true;
  }
  ++eventDepth_;
  const bool handled = QWidget::event(e);
  --eventDepth_;
  return handled;
}

void Surface::paintEvent(QPaintEvent* e) {
  QPainter painter(this);
  if (owner_ != nullptr) {
    owner_->PaintClientArea(painter, e->region());
  } else {
    painter.fillRect(rect(), Qt::black);
  }
}

void Surface::showEvent(QShowEvent* e) {
  QWidget::showEvent(e);
  if (control_ == nullptr || showPending_) return;
  showPending_ = true;
  PendingShows().push_back(this);
  QMetaObject::invokeMethod(this, [] { FlushPendingShows(); }, Qt::QueuedConnection);
}

void Surface::FlushPendingShows() {
  std::vector<QPointer<Surface>> pending;
  pending.swap(PendingShows());
  for (const QPointer<Surface>& surface : pending) {
    if (surface) surface->RunShowHandler();
  }
}

void Surface::RunShowHandler() {
  if (!showPending_) return;
  showPending_ = false;
  if (control_ == nullptr || !isVisible()) return;
  // The handler may run host code that lets go of the control.
  Ref<UserControl> hold = control_->HoldReference();
  Guarded("UserControl_Show", [&] { hold->NotifyShown(); });
}

void Surface::mouseDoubleClickEvent(QMouseEvent* e) {
  if (control_ != nullptr && e->button() == Qt::LeftButton) {
    Ref<UserControl> hold = control_->HoldReference();
    Guarded("UserControl_DblClick", [&] { hold->DoubleClicked(); });
    e->accept();
    return;
  }
  QWidget::mouseDoubleClickEvent(e);
}

}  // namespace forms::detail
