#include "runtime/forms/detail/wayland_buffer.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstring>

#include <wayland-client.h>

namespace forms::detail {

WaylandBuffer::WaylandBuffer(wl_shm* shm, wl_event_queue* queue, QSize size, int scale) : size_(size), scale_(scale) {
  const int stride = size.width() * 4;
  bytes_ = static_cast<size_t>(stride) * static_cast<size_t>(size.height());
  if (bytes_ == 0) return;
  const int fd = memfd_create("kvqmxtmr-frame", MFD_CLOEXEC | MFD_ALLOW_SEALING);
  if (fd < 0) return;
  if (ftruncate(fd, static_cast<off_t>(bytes_)) != 0) {
    close(fd);
    return;
  }
  void* memory = mmap(nullptr, bytes_, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
  if (memory == MAP_FAILED) {
    close(fd);
    return;
  }
  memory_ = memory;
  wl_shm_pool* pool = wl_shm_create_pool(shm, fd, static_cast<int32_t>(bytes_));
  buffer_ = wl_shm_pool_create_buffer(pool, 0, size.width(), size.height(), stride, WL_SHM_FORMAT_XRGB8888);
  // The buffer keeps the pool's memory; neither the pool nor the descriptor
  // is needed any more.
  wl_shm_pool_destroy(pool);
  close(fd);
  wl_proxy_set_queue(reinterpret_cast<wl_proxy*>(buffer_), queue);
  static const wl_buffer_listener listener = {&WaylandBuffer::Released};
  wl_buffer_add_listener(buffer_, &listener, this);
  image_ = QImage(static_cast<uchar*>(memory_), size.width(), size.height(), stride, QImage::Format_RGB32);
  image_.setDevicePixelRatio(scale);
}

WaylandBuffer::~WaylandBuffer() {
  if (buffer_ != nullptr) wl_buffer_destroy(buffer_);
  if (memory_ != nullptr) munmap(memory_, bytes_);
}

void WaylandBuffer::Released(void* self, wl_buffer* /*buffer*/) { static_cast<WaylandBuffer*>(self)->busy_ = false; }

void WaylandBuffer::CopyFrom(const WaylandBuffer& from, const QRegion& region) {
  const QRect bounds(QPoint(0, 0), size_);
  const int bytesPerLine = image_.bytesPerLine();
  auto* to = static_cast<uchar*>(memory_);
  const auto* source = static_cast<const uchar*>(from.memory_);
  for (const QRect& logical : region) {
    const QRect rect = QRect(logical.topLeft() * scale_, logical.size() * scale_) & bounds;
    if (rect.isEmpty()) continue;
    const size_t offset = static_cast<size_t>(rect.left()) * 4;
    const size_t length = static_cast<size_t>(rect.width()) * 4;
    for (int y = rect.top(); y <= rect.bottom(); ++y) {
      const size_t row = static_cast<size_t>(y) * static_cast<size_t>(bytesPerLine);
      std::memcpy(to + row + offset, source + row + offset, length);
    }
  }
}

}  // namespace forms::detail
