#pragma once
// One picture handed to a Wayland compositor: shared memory that both sides
// map, wrapped as a QImage the runtime paints into. The compositor may read
// it from the commit that shows it until it says it has let go (release).
#include <cstddef>

#include <QImage>
#include <QRegion>
#include <QSize>

struct wl_buffer;
struct wl_event_queue;
struct wl_shm;

namespace forms::detail {

class WaylandBuffer {
 public:
  // Size in device pixels. Valid() is false when the memory or the buffer
  // could not be made (out of memory, file descriptors or mappings). The
  // compositor's release comes on `queue`.
  WaylandBuffer(wl_shm* shm, wl_event_queue* queue, QSize size, int scale);
  ~WaylandBuffer();
  WaylandBuffer(const WaylandBuffer&) = delete;
  WaylandBuffer& operator=(const WaylandBuffer&) = delete;

  bool Valid() const { return buffer_ != nullptr; }
  wl_buffer* Handle() const { return buffer_; }
  QImage& Image() { return image_; }
  QSize Size() const { return size_; }

  // Held by the compositor: committed and not released yet.
  bool Busy() const { return busy_; }
  void MarkCommitted() { busy_ = true; }

  // What changed on screen since this buffer was last shown, in logical
  // pixels; it must be brought up to date there before it is shown again.
  QRegion& Behind() { return behind_; }

  // Copies `region` (logical pixels) from `from`, a buffer of the same size.
  void CopyFrom(const WaylandBuffer& from, const QRegion& region);

 private:
  static void Released(void* self, wl_buffer* buffer);

  QSize size_;
  int scale_;
  size_t bytes_ = 0;
  void* memory_ = nullptr;
  wl_buffer* buffer_ = nullptr;
  QImage image_;
  bool busy_ = false;
  QRegion behind_;
};

}  // namespace forms::detail
