#include "runtime/forms/shape.h"

#include <algorithm>

#include <QPainter>
#include <QPainterPath>

#include "runtime/forms/detail/element_painting.h"
#include "runtime/platform/error.h"

namespace forms {

using detail::DeviceAligned;
using detail::PixelBox;
using detail::ToQColor;

void Shape::CheckBorderWidth(int16_t pixels) {
  if (pixels < kMinBorderWidth || pixels > kMaxBorderWidth) {
    throw platform::Error(platform::kErrorInvalidArgument,
                          "Invalid property value: a border width must be 1 to 8192 pixels.");
  }
}

void Shape::SetShape(ShapeKind kind) { SetLook(kind_, kind); }

void Shape::SetBorderColor(Color color) { SetLook(borderColor_, color); }

void Shape::SetBorderWidth(int16_t pixels) {
  CheckBorderWidth(pixels);
  SetLook(borderWidth_, pixels);
}

QRect Shape::OutlineBox() const {
  const QRect box = PixelBox(Left(), Top(), Width(), Height());
  if (box.width() <= 0 || box.height() <= 0) return {};
  if (kind_ != ShapeKind::Circle) return box;
  const int d = std::min(box.width(), box.height());
  return QRect(box.x() + (box.width() - d) / 2, box.y() + (box.height() - d) / 2, d, d);
}

QRect Shape::PaintBounds() const {
  const QRect box = OutlineBox();
  if (box.isEmpty() || kind_ != ShapeKind::Circle) return box;
  // An antialiased circle's edge pixels lie inside its box; one pixel more
  // on every side keeps rounding in the rasteriser from leaving a trace.
  return box.adjusted(-1, -1, 1, 1);
}

void Shape::Paint(QPainter& painter) const {
  const QRect box = OutlineBox();
  if (box.isEmpty()) return;
  // The outline is a ring lying wholly inside the box: the outer path minus
  // the inner one, filled. A pen would straddle the box's edge.
  const int w = std::min<int>(borderWidth_, (std::min(box.width(), box.height()) + 1) / 2);
  const QRectF outer = DeviceAligned(painter, QRectF(box));
  const QRectF inner = DeviceAligned(painter, QRectF(box).adjusted(w, w, -w, -w));
  QPainterPath path;
  path.setFillRule(Qt::OddEvenFill);
  if (kind_ == ShapeKind::Circle) {
    path.addEllipse(outer);
    if (inner.width() > 0 && inner.height() > 0) path.addEllipse(inner);
  } else {
    path.addRect(outer);
    if (inner.width() > 0 && inner.height() > 0) path.addRect(inner);
  }
  // Hard pixel edges, circles included: smoothing a ring's edges costs more
  // than the rest of the pulsing shapes' frame together.
  painter.setRenderHint(QPainter::Antialiasing, false);
  painter.fillPath(path, ToQColor(borderColor_));
}

}  // namespace forms
