#pragma once
// What a surface asks of the container whose client area it paints; the
// surface knows its container only through this.
class QPainter;
class QRegion;

namespace forms::detail {

class SurfaceOwner {
 public:
  // Draws the client area's pixels in `region`; the painter is clipped to it.
  virtual void PaintClientArea(QPainter& painter, const QRegion& region) = 0;
  // Asks for a paint of the pixels that changes since the last call touched;
  // true if there were any.
  virtual bool RepaintChanges() = 0;

 protected:
  ~SurfaceOwner() = default;
};

}  // namespace forms::detail
