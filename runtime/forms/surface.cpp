#include "runtime/forms/detail/surface.h"

#include <QCoreApplication>
#include <QPaintEvent>
#include <QPainter>
#include <QPointer>
#include <QWindow>
#include <vector>

#include "runtime/forms/detail/surface_owner.h"

namespace forms::detail {
namespace {

std::vector<QPointer<Surface>>& PendingShows() {
  static std::vector<QPointer<Surface>> pending;
  return pending;
}

}  // namespace

Surface::Surface(SurfaceOwner* owner, QWidget* parent) : QWidget(parent), owner_(owner) {
  // The container paints every pixel itself (background first).
  setAttribute(Qt::WA_OpaquePaintEvent);
  setAutoFillBackground(false);
}

Surface::~Surface() = default;

void Surface::DetachOwner() {
  owner_ = nullptr;
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
  QWidget::setVisible(visible);
  FlushPendingShows();
}

void Surface::ScheduleRepaintChanges() {
  if (pacer_) return;
  FramePacer& pacer = FramePacer::Of(this);
  pacer_ = &pacer;
  pacer.Request(this, *this);
}

bool Surface::PaintFrame() {
  pacer_ = nullptr;
  return owner_ != nullptr && owner_->RepaintChanges();
}

bool Surface::event(QEvent* e) {
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

void Surface::QueueShowHandler() {
  if (showPending_) return;
  showPending_ = true;
  PendingShows().push_back(this);
  QMetaObject::invokeMethod(this, [] { FlushPendingShows(); }, Qt::QueuedConnection);
}

void Surface::FlushPendingShows() {
  std::vector<QPointer<Surface>> pending;
  pending.swap(PendingShows());
  bool deferred = false;
  for (const QPointer<Surface>& surface : pending) {
    if (!surface) continue;
    // Inside the show of its top-level window, before Qt has asked for the
    // window to be mapped: later, from the event loop.
    const QWindow* top = surface->window()->windowHandle();
    if (surface->isVisible() && (top == nullptr || !top->isVisible())) {
      PendingShows().push_back(surface);
      deferred = true;
      continue;
    }
    surface->RunShowHandler();
  }
  if (deferred) QMetaObject::invokeMethod(QCoreApplication::instance(), [] { FlushPendingShows(); }, Qt::QueuedConnection);
}

void Surface::RunShowHandler() {
  if (!showPending_) return;
  showPending_ = false;
  OnShown();
}

}  // namespace forms::detail
