#include "runtime/forms/line.h"

#include <algorithm>
#include <cmath>

#include <QPainter>
#include <QPen>

#include "runtime/forms/detail/element_painting.h"
#include "runtime/forms/shape.h"
#include "runtime/forms/units.h"

namespace forms {

using detail::CheckExtent;
using detail::ToQColor;

float Line::Left() const { return std::min(x1_, x2_); }
float Line::Top() const { return std::min(y1_, y2_); }
float Line::Width() const { return std::fabs(x2_ - x1_); }
float Line::Height() const { return std::fabs(y2_ - y1_); }

// Two lines can share a box and differ in which corners they join, so new
// ends count as new looks.
void Line::SetX1(float twips) { SetPoints(twips, y1_, x2_, y2_); }
void Line::SetY1(float twips) { SetPoints(x1_, twips, x2_, y2_); }
void Line::SetX2(float twips) { SetPoints(x1_, y1_, twips, y2_); }
void Line::SetY2(float twips) { SetPoints(x1_, y1_, x2_, twips); }

void Line::SetPoints(float x1, float y1, float x2, float y2) {
  const bool same = x1 == x1_ && y1 == y1_ && x2 == x2_ && y2 == y2_;
  x1_ = x1;
  y1_ = y1;
  x2_ = x2;
  y2_ = y2;
  if (!same) LooksChanged();
}

void Line::SetLeft(float twips) {
  const float dx = twips - Left();
  SetPoints(x1_ + dx, y1_, x2_ + dx, y2_);
}

void Line::SetTop(float twips) {
  const float dy = twips - Top();
  SetPoints(x1_, y1_ + dy, x2_, y2_ + dy);
}

void Line::SetWidth(float twips) {
  CheckExtent(twips, "Width");
  // The left end stays; the right end moves.
  if (x1_ <= x2_) {
    SetX2(x1_ + twips);
  } else {
    SetX1(x2_ + twips);
  }
}

void Line::SetHeight(float twips) {
  CheckExtent(twips, "Height");
  if (y1_ <= y2_) {
    SetY2(y1_ + twips);
  } else {
    SetY1(y2_ + twips);
  }
}

void Line::SetBorderColor(Color color) { SetLook(color_, color); }

void Line::SetBorderWidth(int16_t pixels) {
  Shape::CheckBorderWidth(pixels);
  SetLook(width_px_, pixels);
}

QPoint Line::PixelEnd(float x, float y) { return QPoint(TwipsToPixelsX(x), TwipsToPixelsY(y)); }

QRect Line::PaintBounds() const {
  const QPoint a = PixelEnd(x1_, y1_);
  const QPoint b = PixelEnd(x2_, y2_);
  // The pen reaches half its width to either side of the ends' pixels, a
  // dot of zero length as much; one pixel more covers the odd half.
  const int reach = width_px_ / 2 + 1;
  return QRect(QPoint(std::min(a.x(), b.x()), std::min(a.y(), b.y())),
               QPoint(std::max(a.x(), b.x()), std::max(a.y(), b.y())))
      .adjusted(-reach, -reach, reach, reach);
}

void Line::Paint(QPainter& painter) const {
  const QPointF a(PixelEnd(x1_, y1_));
  const QPointF b(PixelEnd(x2_, y2_));
  QPen pen(ToQColor(color_));
  pen.setWidth(width_px_);
  pen.setCapStyle(Qt::FlatCap);
  pen.setStyle(Qt::SolidLine);
  painter.setRenderHint(QPainter::Antialiasing, false);
  painter.setPen(pen);
  if (a == b) {
    // A line of zero length still shows as a dot of its width.
    painter.fillRect(QRectF(a.x() - width_px_ / 2, a.y() - width_px_ / 2, width_px_, width_px_),
                     ToQColor(color_));
    return;
  }
  // Pixel centres: a 1-pixel vertical line from x covers column x.
  painter.drawLine(a + QPointF(0.5, 0.5), b + QPointF(0.5, 0.5));
}

}  // namespace forms
