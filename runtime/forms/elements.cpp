#include "runtime/forms/elements.h"

#include <algorithm>
#include <cmath>

#include <QFont>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QTransform>

#include "runtime/forms/container.h"
#include "runtime/forms/detail/child_geometry.h"
#include "runtime/forms/units.h"
#include "runtime/platform/error.h"

namespace forms {

using detail::CheckExtent;

namespace {

QColor ToQColor(Color c) { return QColor(c.r, c.g, c.b); }

// The element's box in pixels. Edges are rounded, not the size, so that
// neighbouring elements meet without gaps or overlaps.
QRect PixelBox(float left, float top, float width, float height) {
  const int x0 = TwipsToPixelsX(left);
  const int y0 = TwipsToPixelsY(top);
  const int x1 = TwipsToPixelsX(left + width);
  const int y1 = TwipsToPixelsY(top + height);
  return QRect(x0, y0, x1 - x0, y1 - y0);
}

// The box moved to the nearest device-pixel edges. At a fractional screen
// scale a logical pixel edge falls inside a device pixel; rounding each edge
// (not the size) keeps neighbouring elements meeting without gaps and gives
// every picture and border the same width wherever it lies.
QRectF DeviceAligned(const QPainter& painter, const QRectF& box) {
  const QTransform toDevice = painter.deviceTransform();
  if (toDevice.type() > QTransform::TxScale) return box;
  const QRectF d = toDevice.mapRect(box);
  const QRectF snapped(QPointF(std::round(d.left()), std::round(d.top())),
                       QPointF(std::round(d.right()), std::round(d.bottom())));
  return toDevice.inverted().mapRect(snapped);
}

void CheckPenWidth(int16_t pixels) {
  if (pixels < Shape::kMinBorderWidth || pixels > Shape::kMaxBorderWidth) {
    throw platform::Error(platform::kErrorInvalidArgument,
                          "Invalid property value: a border width must be 1 to 8192 pixels.");
  }
}

}  // namespace

// ---- Element ----

Element::Element(Container& owner, std::string name) : owner_(owner), name_(std::move(name)) {}

Element::~Element() = default;

void Element::Invalidate() const { owner_.Invalidate(); }

void Element::SetLeft(float twips) {
  left_ = twips;
  Invalidate();
}

void Element::SetTop(float twips) {
  top_ = twips;
  Invalidate();
}

void Element::SetWidth(float twips) {
  CheckExtent(twips, "Width");
  width_ = twips;
  Invalidate();
}

void Element::SetHeight(float twips) {
  CheckExtent(twips, "Height");
  height_ = twips;
  Invalidate();
}

void Element::Move(float left, float top, float width, float height) {
  // Validate both extents first, so a refused move changes nothing.
  CheckExtent(width, "Width");
  CheckExtent(height, "Height");
  SetLeft(left);
  SetTop(top);
  SetWidth(width);
  SetHeight(height);
}

void Element::SetVisible(bool visible) {
  if (visible == visible_) return;
  visible_ = visible;
  Invalidate();
}

// ---- Shape ----

void Shape::SetShape(ShapeKind kind) {
  kind_ = kind;
  Invalidate();
}

void Shape::SetBorderColor(Color color) {
  borderColor_ = color;
  Invalidate();
}

void Shape::SetBorderWidth(int16_t pixels) {
  CheckPenWidth(pixels);
  borderWidth_ = pixels;
  Invalidate();
}

void Shape::Paint(QPainter& painter) const {
  QRect box = PixelBox(Left(), Top(), Width(), Height());
  if (box.width() <= 0 || box.height() <= 0) return;
  if (kind_ == ShapeKind::Circle) {
    const int d = std::min(box.width(), box.height());
    box = QRect(box.x() + (box.width() - d) / 2, box.y() + (box.height() - d) / 2, d, d);
  }
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
    painter.setRenderHint(QPainter::Antialiasing, true);
  } else {
    path.addRect(outer);
    if (inner.width() > 0 && inner.height() > 0) path.addRect(inner);
    painter.setRenderHint(QPainter::Antialiasing, false);
  }
  painter.fillPath(path, ToQColor(borderColor_));
}

// ---- Line ----

float Line::Left() const { return std::min(x1_, x2_); }
float Line::Top() const { return std::min(y1_, y2_); }
float Line::Width() const { return std::fabs(x2_ - x1_); }
float Line::Height() const { return std::fabs(y2_ - y1_); }

void Line::SetX1(float twips) {
  x1_ = twips;
  Invalidate();
}
void Line::SetY1(float twips) {
  y1_ = twips;
  Invalidate();
}
void Line::SetX2(float twips) {
  x2_ = twips;
  Invalidate();
}
void Line::SetY2(float twips) {
  y2_ = twips;
  Invalidate();
}

void Line::SetPoints(float x1, float y1, float x2, float y2) {
  x1_ = x1;
  y1_ = y1;
  x2_ = x2;
  y2_ = y2;
  Invalidate();
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

void Line::SetBorderColor(Color color) {
  color_ = color;
  Invalidate();
}

void Line::SetBorderWidth(int16_t pixels) {
  CheckPenWidth(pixels);
  width_px_ = pixels;
  Invalidate();
}

void Line::Paint(QPainter& painter) const {
  const QPointF a(TwipsToPixelsX(x1_), TwipsToPixelsY(y1_));
  const QPointF b(TwipsToPixelsX(x2_), TwipsToPixelsY(y2_));
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

// ---- Image ----

void Image::SetPicture(const QImage& picture) {
  picture_ = picture;
  Invalidate();
}

void Image::SetStretch(bool stretch) {
  if (stretch == stretch_) return;
  // Leaving natural size keeps the box the picture gave it.
  if (stretch && !picture_.isNull()) {
    width_ = Width();
    height_ = Height();
  }
  stretch_ = stretch;
  Invalidate();
}

float Image::Width() const { return NaturalSize() ? PixelsToTwipsX(picture_.width()) : width_; }
float Image::Height() const { return NaturalSize() ? PixelsToTwipsY(picture_.height()) : height_; }

void Image::SetWidth(float twips) {
  CheckExtent(twips, "Width");
  width_ = twips;  // remembered for when the picture is stretched or removed
  Invalidate();
}

void Image::SetHeight(float twips) {
  CheckExtent(twips, "Height");
  height_ = twips;
  Invalidate();
}

void Image::SetSharp(bool sharp) {
  sharp_ = sharp;
  Invalidate();
}

void Image::Paint(QPainter& painter) const {
  if (picture_.isNull()) return;
  const QRect box = NaturalSize() ? QRect(QPoint(TwipsToPixelsX(Left()), TwipsToPixelsY(Top())), picture_.size())
                                  : PixelBox(Left(), Top(), Width(), Height());
  if (box.width() <= 0 || box.height() <= 0) return;
  painter.setRenderHint(QPainter::SmoothPixmapTransform, !sharp_);
  painter.drawImage(DeviceAligned(painter, QRectF(box)), picture_);
}

// ---- Label ----

Label::Label(Container& owner, std::string name) : Element(owner, std::move(name)) {
  fontName_ = QFont().family().toStdString();
}

void Label::SetCaption(std::string caption) {
  caption_ = std::move(caption);
  Invalidate();
}

void Label::SetFontName(std::string name) {
  fontName_ = std::move(name);
  Invalidate();
}

void Label::SetFontSize(float points) {
  if (!std::isfinite(points) || points <= 0) {
    throw platform::Error(platform::kErrorInvalidArgument,
                          "Invalid property value: a font size must be above 0.");
  }
  fontSize_ = points;
  Invalidate();
}

void Label::SetFontBold(bool bold) {
  fontBold_ = bold;
  Invalidate();
}

void Label::SetForeColor(Color color) {
  foreColor_ = color;
  Invalidate();
}

void Label::SetBackColor(Color color) {
  backColor_ = color;
  Invalidate();
}

void Label::SetAlignment(Alignment alignment) {
  alignment_ = alignment;
  Invalidate();
}

void Label::SetBackTransparent(bool transparent) {
  backTransparent_ = transparent;
  Invalidate();
}

void Label::SetWordWrap(bool wrap) {
  wordWrap_ = wrap;
  Invalidate();
}

void Label::Paint(QPainter& painter) const {
  const QRect box = PixelBox(Left(), Top(), Width(), Height());
  if (box.width() <= 0 || box.height() <= 0) return;
  if (!backTransparent_) painter.fillRect(box, ToQColor(backColor_));
  QFont font(QString::fromStdString(fontName_));
  font.setPointSizeF(fontSize_);
  font.setBold(fontBold_);
  painter.setFont(font);
  painter.setPen(ToQColor(foreColor_));
  int flags = Qt::AlignTop | Qt::TextShowMnemonic;
  switch (alignment_) {
    case Alignment::Left: flags |= Qt::AlignLeft; break;
    case Alignment::Right: flags |= Qt::AlignRight; break;
    case Alignment::Center: flags |= Qt::AlignHCenter; break;
  }
  if (wordWrap_) flags |= Qt::TextWordWrap;
  painter.save();
  painter.setClipRect(box, Qt::IntersectClip);
  painter.drawText(box, flags, QString::fromStdString(caption_));
  painter.restore();
}

}  // namespace forms
