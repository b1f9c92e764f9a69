#include "runtime/forms/detail/surface.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPointer>
#include <QWindow>
#include <vector>

#include "runtime/forms/container.h"
#include "runtime/forms/detail/frame_pacer.h"
#include "runtime/forms/detail/runtime_state.h"
#include "runtime/forms/user_control.h"

namespace forms::detail {
namespace {

std::vector<QPointer<Surface>>& PendingShows() {
  static std::vector<QPointer<Surface>> pending;
  return pending;
}

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
  if (pacer_) return;
  FramePacer& pacer = FramePacer::Of(this);
  pacer_ = &pacer;
  pacer.Request(this);
}

bool Surface::PaintChanges() {
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

void Surface::WaitUntilOnScreen() {
  // Until the window manager has mapped the top-level window and Qt has
  // painted it, whatever the handler shows (a modal message) would stand on
  // an empty screen, and the window would come only after it. Input waits;
  // the wait is short, and bounded for a window that is never exposed
  // (minimised, on another desktop).
  constexpr int kLongestWaitMs = 2000;
  QWidget* top = window();
  QElapsedTimer waited;
  waited.start();
  while (top->isVisible() && !(top->windowHandle() != nullptr && top->windowHandle()->isExposed()) &&
         waited.elapsed() < kLongestWaitMs) {
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents | QEventLoop::WaitForMoreEvents, 20);
  }
  // The expose paints the window; let that paint reach the screen.
  QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateRequest);
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void Surface::RunShowHandler() {
  if (!showPending_) return;
  showPending_ = false;
  if (control_ == nullptr || !isVisible()) return;
  // The wait and the handler may run host code that lets go of the control
  // or destroys its window.
  Ref<UserControl> hold = control_->HoldReference();
  QPointer<Surface> self(this);
  WaitUntilOnScreen();
  if (!self || control_ == nullptr || !isVisible()) return;
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
