#pragma once
// What the kinds of windowless element share in drawing themselves.
#include <QColor>
#include <QRect>
#include <QRectF>

#include "runtime/forms/color.h"

class QPainter;

namespace forms::detail {

inline QColor ToQColor(Color c) { return QColor(c.r, c.g, c.b); }

// The element's box in pixels. Edges are rounded, not the size, so that
// neighbouring elements meet without gaps or overlaps.
QRect PixelBox(float left, float top, float width, float height);

// The box moved to the nearest device-pixel edges. At a fractional screen
// scale a logical pixel edge falls inside a device pixel; rounding each edge
// (not the size) keeps neighbouring elements meeting without gaps and gives
// every picture and border the same width wherever it lies.
QRectF DeviceAligned(const QPainter& painter, const QRectF& box);

}  // namespace forms::detail
