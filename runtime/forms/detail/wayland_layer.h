#pragma once
// A form's client area, shown on Wayland through a surface of the runtime's
// own laid over the window (a desynchronised subsurface that takes no
// input). Qt 6.4's shared-memory backing store copies the whole window into
// another buffer at every frame while the compositor holds the last one (a
// renderer that reads client memory, as pixman does, holds it until the next
// commit), so a frame costs the window's size, not what changed. This layer
// keeps buffers of its own: a frame paints the changed areas into a free
// buffer, after bringing it up to date by the areas that changed since that
// buffer was last shown, copied from the one on screen.
//
// Only a client area made of the runtime's own surfaces is shown this way,
// since their changes all come through the frame pacer; a client area with
// any other widget (a button, which repaints itself) is left to Qt.
#include <chrono>
#include <functional>
#include <memory>
#include <vector>

#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QRegion>
#include <QSize>

#include "runtime/forms/detail/frame_pacer.h"

class QWidget;
class QWindow;
struct wl_callback;
struct wl_compositor;
struct wl_display;
struct wl_event_queue;
struct wl_shm;
struct wl_subcompositor;
struct wl_subsurface;
struct wl_surface;

namespace forms::detail {

class WaylandBuffer;

class WaylandLayer : public QObject, public FrameClient, public FrameSource {
  Q_OBJECT

 public:
  // Lays a layer over `clientArea`, the central widget of a top-level
  // window, where the window system is Wayland; does nothing elsewhere.
  static void Attach(QWidget* clientArea);
  // The layer of the top-level window `widget` lies in, if it has one.
  static WaylandLayer* Of(const QWidget* widget);
  // Damage on the layer of `widget`'s window, if it has one: false when Qt
  // is to paint `region` of `widget` instead.
  static bool Show(const QWidget* widget, const QRegion& region);

  ~WaylandLayer() override;

  // True while the client area is shown through the layer: `region` of
  // `widget` (a widget in the client area) then appears in the window's
  // next frame. False: Qt shows it, and the caller asks Qt.
  bool Damage(const QWidget* widget, const QRegion& region);
  // Runs `frame` when the compositor is ready for the next one; false when
  // the layer is not showing (the compositor is asked through Qt then).
  bool AskFrame(std::function<void()> frame) override;
  // Shows what changed since the last frame.
  void Present();

  // The pacer's frame came for changes made outside a frame: they are shown
  // once it is over. Qt has nothing to paint.
  bool PaintFrame() override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  using Clock = std::chrono::steady_clock;
  explicit WaylandLayer(QWidget* clientArea);

  // Makes the layer's surface over the window's current one when it can
  // show the client area, and takes it away when it no longer can.
  bool Showing();
  bool CanShow() const;
  void Build(QWindow* native, wl_surface* parent, QPoint position, int scale);
  void TearDown();
  WaylandBuffer* FreeBuffer();
  // Runs the frame asked for, then shows what it changed.
  void RunFrame();
  static void FrameDone(void* self, wl_callback* callback, uint32_t time);

  QPointer<QWidget> clientArea_;
  QPointer<QWindow> native_;
  wl_display* display_ = nullptr;
  wl_compositor* compositor_ = nullptr;
  wl_subcompositor* subcompositor_ = nullptr;
  wl_shm* shm_ = nullptr;
  // Buffer releases: taken when a frame needs a buffer, not as they come,
  // so they wake nobody.
  wl_event_queue* releases_ = nullptr;

  wl_surface* parent_ = nullptr;  // the window's surface the layer lies on
  wl_surface* surface_ = nullptr;
  wl_subsurface* subsurface_ = nullptr;
  QPoint position_;
  QSize size_;  // logical pixels
  int scale_ = 1;
  std::vector<std::unique_ptr<WaylandBuffer>> buffers_;
  WaylandBuffer* shown_ = nullptr;  // the buffer last committed

  QRegion pending_;  // changed since the last frame, logical pixels
  bool waiting_ = false;  // a frame is asked of the pacer for pending_
  bool inFrame_ = false;
  bool retryQueued_ = false;
  wl_callback* frameCallback_ = nullptr;
  Clock::time_point frameAskedAt_{};
  std::function<void()> nextFrame_;
};

}  // namespace forms::detail
