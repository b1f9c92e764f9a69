#include "runtime/forms/detail/wayland_layer.h"

#include <cmath>
#include <cstring>

#include <QEvent>
#include <QGuiApplication>
#include <QPainter>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <qpa/qplatformnativeinterface.h>
#include <qpa/qplatformwindow.h>
#include <wayland-client.h>

#include "runtime/forms/detail/surface.h"
#include "runtime/forms/detail/wayland_buffer.h"
#include "runtime/forms/detail/window_system.h"

namespace forms::detail {
namespace {

// Two buffers suffice while the compositor lets go of the one it showed once
// the next arrives; a third covers a release still on its way.
constexpr size_t kMaxBuffers = 3;

QPlatformNativeInterface* Native() { return QGuiApplication::platformNativeInterface(); }

struct Globals {
  wl_compositor* compositor = nullptr;
  wl_subcompositor* subcompositor = nullptr;
  wl_shm* shm = nullptr;
};

void Announce(void* data, wl_registry* registry, uint32_t name, const char* interface, uint32_t version) {
  auto* globals = static_cast<Globals*>(data);
  // Version 4 of the compositor's surfaces takes damage in buffer pixels.
  if (std::strcmp(interface, wl_compositor_interface.name) == 0 && version >= 4) {
    globals->compositor = static_cast<wl_compositor*>(wl_registry_bind(registry, name, &wl_compositor_interface, 4));
  } else if (std::strcmp(interface, wl_subcompositor_interface.name) == 0) {
    globals->subcompositor =
        static_cast<wl_subcompositor*>(wl_registry_bind(registry, name, &wl_subcompositor_interface, 1));
  } else if (std::strcmp(interface, wl_shm_interface.name) == 0) {
    globals->shm = static_cast<wl_shm*>(wl_registry_bind(registry, name, &wl_shm_interface, 1));
  }
}

void Withdraw(void*, wl_registry*, uint32_t) {}

// Binds what the layer needs on a queue of its own, so that Qt's handlers do
// not run inside the round trip, then hands the objects to the display's
// default queue, which Qt dispatches on the GUI thread: the layer's events
// (buffer releases, frame callbacks) come in the GUI thread's event loop.
Globals Bind(wl_display* display) {
  Globals globals;
  wl_event_queue* queue = wl_display_create_queue(display);
  auto* wrapper = static_cast<wl_display*>(wl_proxy_create_wrapper(display));
  wl_proxy_set_queue(reinterpret_cast<wl_proxy*>(wrapper), queue);
  wl_registry* registry = wl_display_get_registry(wrapper);
  wl_proxy_wrapper_destroy(wrapper);
  static const wl_registry_listener listener = {&Announce, &Withdraw};
  wl_registry_add_listener(registry, &listener, &globals);
  const bool answered = wl_display_roundtrip_queue(display, queue) >= 0;
  wl_registry_destroy(registry);
  for (wl_proxy* proxy : {reinterpret_cast<wl_proxy*>(globals.compositor),
                          reinterpret_cast<wl_proxy*>(globals.subcompositor), reinterpret_cast<wl_proxy*>(globals.shm)}) {
    if (proxy != nullptr) wl_proxy_set_queue(proxy, nullptr);
  }
  wl_event_queue_destroy(queue);
  if (!answered || globals.compositor == nullptr || globals.subcompositor == nullptr || globals.shm == nullptr) {
    if (globals.compositor != nullptr) wl_compositor_destroy(globals.compositor);
    if (globals.subcompositor != nullptr) wl_subcompositor_destroy(globals.subcompositor);
    if (globals.shm != nullptr) wl_shm_destroy(globals.shm);
    return {};
  }
  return globals;
}

}  // namespace

void WaylandLayer::Attach(QWidget* clientArea) {
  if (!OnWayland() || qEnvironmentVariable("KV_WAYLAND_LAYER") == QLatin1String("0")) return;
  new WaylandLayer(clientArea);
}

WaylandLayer* WaylandLayer::Of(const QWidget* widget) {
  if (widget == nullptr) return nullptr;
  return widget->window()->findChild<WaylandLayer*>(QString(), Qt::FindDirectChildrenOnly);
}

bool WaylandLayer::Show(const QWidget* widget, const QRegion& region) {
  WaylandLayer* layer = Of(widget);
  return layer != nullptr && layer->Damage(widget, region);
}

WaylandLayer::WaylandLayer(QWidget* clientArea) : QObject(clientArea->window()), clientArea_(clientArea) {
  QPlatformNativeInterface* native = Native();
  display_ = native != nullptr ? static_cast<wl_display*>(native->nativeResourceForIntegration("wl_display")) : nullptr;
  if (display_ == nullptr) return;
  const Globals globals = Bind(display_);
  compositor_ = globals.compositor;
  subcompositor_ = globals.subcompositor;
  shm_ = globals.shm;
  if (compositor_ == nullptr) return;
  releases_ = wl_display_create_queue(display_);
  clientArea->installEventFilter(this);
  FramePacer::Of(clientArea).UseFrameSource(this, *this);
}

WaylandLayer::~WaylandLayer() {
  TearDown();
  if (compositor_ != nullptr) wl_compositor_destroy(compositor_);
  if (subcompositor_ != nullptr) wl_subcompositor_destroy(subcompositor_);
  if (shm_ != nullptr) wl_shm_destroy(shm_);
  if (releases_ != nullptr) wl_event_queue_destroy(releases_);
}

bool WaylandLayer::Damage(const QWidget* widget, const QRegion& region) {
  // Inside the layer's own frame the check waits for Present, once, at its
  // end; it hands the changes back to Qt if the layer can no longer show them.
  if (!(inFrame_ && surface_ != nullptr) && !Showing()) return false;
  pending_ += region.translated(widget->mapTo(clientArea_, QPoint()));
  // Changes made while a frame runs are shown at its end; others ask for one.
  if (!inFrame_ && !waiting_) {
    waiting_ = true;
    FramePacer::Of(clientArea_).Request(clientArea_, *this);
  }
  return true;
}

bool WaylandLayer::PaintFrame() {
  waiting_ = false;
  // A frame of the layer's own shows the changes when it ends; any other
  // (the pacer joining a frame Qt is painting) leaves them to the next turn.
  if (!inFrame_) QMetaObject::invokeMethod(this, [this] { Present(); }, Qt::QueuedConnection);
  return false;
}

bool WaylandLayer::AskFrame(std::function<void()> frame) {
  if (!Showing()) return false;
  nextFrame_ = std::move(frame);
  // A callback that never came (the window left the output) is given up on.
  const bool callbackDue =
      frameCallback_ != nullptr && Clock::now() - frameAskedAt_ < 4 * FramePeriod(clientArea_);
  if (!callbackDue) QMetaObject::invokeMethod(this, [this] { RunFrame(); }, Qt::QueuedConnection);
  return true;
}

void WaylandLayer::RunFrame() {
  std::function<void()> frame;
  frame.swap(nextFrame_);
  if (!frame) return;
  inFrame_ = true;
  frame();
  inFrame_ = false;
  Present();
}

void WaylandLayer::FrameDone(void* self, wl_callback* callback, uint32_t /*time*/) {
  auto* layer = static_cast<WaylandLayer*>(self);
  wl_callback_destroy(callback);
  layer->frameCallback_ = nullptr;
  layer->RunFrame();
}

void WaylandLayer::Present() {
  if (pending_.isEmpty()) return;
  if (!Showing()) {
    // Qt shows the client area again: it paints what changed.
    if (clientArea_) clientArea_->update(pending_);
    pending_ = QRegion();
    return;
  }
  WaylandBuffer* buffer = FreeBuffer();
  if (buffer == nullptr) {
    // Every buffer is still the compositor's, or none could be made: the
    // changes wait a little for a release.
    if (!retryQueued_) {
      retryQueued_ = true;
      QTimer::singleShot(1, this, [this] {
        retryQueued_ = false;
        Present();
      });
    }
    return;
  }
  const QRegion all(QRect(QPoint(0, 0), size_));
  QRegion changed = pending_ & all;
  pending_ = QRegion();
  if (shown_ != nullptr && shown_ != buffer) {
    buffer->CopyFrom(*shown_, buffer->Behind() - changed);
  } else if (shown_ == nullptr) {
    changed = all;
  }
  {
    QPainter painter(&buffer->Image());
    // The region lands with its bounding rectangle's corner at the offset.
    clientArea_->render(&painter, changed.boundingRect().topLeft(), changed, QWidget::DrawChildren);
  }
  for (const auto& other : buffers_) {
    if (other.get() != buffer) other->Behind() += changed;
  }
  buffer->Behind() = QRegion();

  wl_surface_attach(surface_, buffer->Handle(), 0, 0);
  for (const QRect& rect : changed) {
    wl_surface_damage_buffer(surface_, rect.x() * scale_, rect.y() * scale_, rect.width() * scale_,
                             rect.height() * scale_);
  }
  if (frameCallback_ == nullptr) {
    static const wl_callback_listener listener = {&WaylandLayer::FrameDone};
    frameCallback_ = wl_surface_frame(surface_);
    wl_callback_add_listener(frameCallback_, &listener, this);
  }
  frameAskedAt_ = Clock::now();
  wl_surface_commit(surface_);
  buffer->MarkCommitted();
  shown_ = buffer;
  wl_display_flush(display_);
}

WaylandBuffer* WaylandLayer::FreeBuffer() {
  wl_display_dispatch_queue_pending(display_, releases_);
  // A compositor that copies what it shows lets go of the last buffer at
  // once, and that one needs nothing brought up to date.
  if (shown_ != nullptr && !shown_->Busy()) return shown_;
  for (const auto& buffer : buffers_) {
    if (!buffer->Busy()) return buffer.get();
  }
  if (buffers_.size() >= kMaxBuffers) return nullptr;
  auto buffer = std::make_unique<WaylandBuffer>(shm_, releases_, size_ * scale_, scale_);
  if (!buffer->Valid()) return nullptr;
  buffer->Behind() = QRect(QPoint(0, 0), size_);
  buffers_.push_back(std::move(buffer));
  return buffers_.back().get();
}

bool WaylandLayer::CanShow() const {
  if (compositor_ == nullptr || !clientArea_ || !clientArea_->isVisible() || clientArea_->size().isEmpty())
    return false;
  const QWindow* native = clientArea_->window()->windowHandle();
  if (native == nullptr || native->handle() == nullptr || !native->isExposed()) return false;
  // Positions and sizes are the compositor's units only while Qt scales
  // nothing on top of the output's scale (QT_SCALE_FACTOR and the like).
  if (!qFuzzyCompare(native->devicePixelRatio(), native->handle()->devicePixelRatio())) return false;
  // Only the runtime's own surfaces send every change through the pacer.
  const auto children = clientArea_->findChildren<QWidget*>();
  for (const QWidget* child : children) {
    if (qobject_cast<const Surface*>(child) == nullptr) return false;
  }
  return true;
}

bool WaylandLayer::Showing() {
  if (!CanShow()) {
    TearDown();
    return false;
  }
  QWidget* window = clientArea_->window();
  QWindow* native = window->windowHandle();
  auto* parent = static_cast<wl_surface*>(Native()->nativeResourceForWindow("surface", native));
  if (parent == nullptr) {
    TearDown();
    return false;
  }
  const QMargins frame = native->frameMargins();
  const QPoint position = QPoint(frame.left(), frame.top()) + clientArea_->mapTo(window, QPoint(0, 0));
  const int scale = std::max(1, static_cast<int>(std::ceil(native->devicePixelRatio())));
  if (surface_ != nullptr && parent == parent_ && native == native_ && position == position_ &&
      clientArea_->size() == size_ && scale == scale_)
    return true;
  TearDown();
  Build(native, parent, position, scale);
  return true;
}

void WaylandLayer::Build(QWindow* native, wl_surface* parent, QPoint position, int scale) {
  native_ = native;
  native->installEventFilter(this);
  parent_ = parent;
  position_ = position;
  size_ = clientArea_->size();
  scale_ = scale;
  surface_ = wl_compositor_create_surface(compositor_);
  subsurface_ = wl_subcompositor_get_subsurface(subcompositor_, surface_, parent);
  wl_subsurface_set_position(subsurface_, position.x(), position.y());
  wl_subsurface_set_desync(subsurface_);
  // Input goes through to the window beneath, where Qt takes it.
  wl_region* none = wl_compositor_create_region(compositor_);
  wl_surface_set_input_region(surface_, none);
  wl_region_destroy(none);
  wl_region* opaque = wl_compositor_create_region(compositor_);
  wl_region_add(opaque, 0, 0, size_.width(), size_.height());
  wl_surface_set_opaque_region(surface_, opaque);
  wl_region_destroy(opaque);
  wl_surface_set_buffer_scale(surface_, scale);
  pending_ = QRect(QPoint(0, 0), size_);
  // A new subsurface, and its place, take effect with the window's next
  // commit: Qt makes one when it repaints a pixel of the window.
  clientArea_->window()->update(QRect(0, 0, 1, 1));
}

void WaylandLayer::TearDown() {
  if (surface_ == nullptr) return;
  if (frameCallback_ != nullptr) {
    wl_callback_destroy(frameCallback_);
    frameCallback_ = nullptr;
  }
  buffers_.clear();
  shown_ = nullptr;
  wl_subsurface_destroy(subsurface_);
  wl_surface_destroy(surface_);
  subsurface_ = nullptr;
  surface_ = nullptr;
  parent_ = nullptr;
  if (display_ != nullptr) wl_display_flush(display_);
  // Qt's own picture of the client area is behind by everything the layer
  // showed; it shows the client area again from now on.
  if (clientArea_ && clientArea_->isVisible()) clientArea_->update();
  // A frame asked for runs through Qt's paths again.
  if (nextFrame_) QMetaObject::invokeMethod(this, [this] { RunFrame(); }, Qt::QueuedConnection);
}

bool WaylandLayer::eventFilter(QObject* watched, QEvent* event) {
  // The window's surface goes when the window is hidden or its native window
  // is made anew; the layer goes before it.
  if (watched == native_) {
    if ((event->type() == QEvent::Expose && !native_->isExposed()) || event->type() == QEvent::PlatformSurface ||
        event->type() == QEvent::Hide)
      TearDown();
  } else if (watched == clientArea_ && event->type() == QEvent::Hide) {
    TearDown();
  }
  return false;
}

}  // namespace forms::detail
