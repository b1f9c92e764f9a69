#include "runtime/forms/detail/element_painting.h"

#include <cmath>

#include <QPainter>
#include <QTransform>

#include "runtime/forms/units.h"

namespace forms::detail {

QRect PixelBox(float left, float top, float width, float height) {
  const int x0 = TwipsToPixelsX(left);
  const int y0 = TwipsToPixelsY(top);
  const int x1 = TwipsToPixelsX(left + width);
  const int y1 = TwipsToPixelsY(top + height);
  return QRect(x0, y0, x1 - x0, y1 - y0);
}

QRectF DeviceAligned(const QPainter& painter, const QRectF& box) {
  const QTransform toDevice = painter.deviceTransform();
  if (toDevice.type() > QTransform::TxScale) return box;
  const QRectF d = toDevice.mapRect(box);
  const QRectF snapped(QPointF(std::round(d.left()), std::round(d.top())),
                       QPointF(std::round(d.right()), std::round(d.bottom())));
  return toDevice.inverted().mapRect(snapped);
}

}  // namespace forms::detail
