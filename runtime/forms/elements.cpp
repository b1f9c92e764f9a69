#include "runtime/forms/elements.h"

#include <algorithm>
#include <cmath>

#include <QFont>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QTransform>

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

Element::Element(ElementOwner& owner, std::string name) : owner_(owner), name_(std::move(name)) {}

Element::~Element() = default;

void Element::PlacementChanged() { owner_.ElementChanged(*this); }

void Element::LooksChanged() {
  looksChanged_ = true;
  owner_.ElementChanged(*this);
}

QRect Element::Footprint() const {
  const QRect bounds = visible_ ? PaintBounds() : QRect();
  // At a fractional screen scale edges are snapped to device pixels, which
  // can lie up to half a device pixel outside the logical box, and Qt rounds
  // a logical repaint box to device pixels its own way; a logical pixel more
  // on every side covers both.
  return bounds.isEmpty() ? QRect() : bounds.adjusted(-1, -1, 1, 1);
}

QRegion Element::TakeChangedPixels() {
  const QRect now = Footprint();
  QRegion changed;
  if (looksChanged_ || paintedMeanwhile_ || now != shownFootprint_) {
    changed = QRegion(shownFootprint_).united(paintedFootprints_).united(now);
  }
  shownFootprint_ = now;
  paintedFootprints_ = QRect();
  changing_ = looksChanged_ = paintedMeanwhile_ = false;
  return changed;
}

void Element::NotePaintedWhileChanging() {
  paintedMeanwhile_ = true;
  paintedFootprints_ |= Footprint();
}

// Positions and sizes are stored as given even when equal, so a get returns
// the very float that was set (0 after -0, say).
void Element::SetLeft(float twips) {
  box_.left = twips;
  PlacementChanged();
}

void Element::SetTop(float twips) {
  box_.top = twips;
  PlacementChanged();
}

void Element::SetWidth(float twips) {
  box_.SetWidth(twips);
  PlacementChanged();
}

void Element::SetHeight(float twips) {
  box_.SetHeight(twips);
  PlacementChanged();
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
  PlacementChanged();
}

// ---- Shape ----

void Shape::SetShape(ShapeKind kind) {
  if (kind == kind_) return;
  kind_ = kind;
  LooksChanged();
}

void Shape::SetBorderColor(Color color) {
  if (color == borderColor_) return;
  borderColor_ = color;
  LooksChanged();
}

void Shape::SetBorderWidth(int16_t pixels) {
  CheckPenWidth(pixels);
  if (pixels == borderWidth_) return;
  borderWidth_ = pixels;
  LooksChanged();
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

void Line::SetBorderColor(Color color) {
  if (color == color_) return;
  color_ = color;
  LooksChanged();
}

void Line::SetBorderWidth(int16_t pixels) {
  CheckPenWidth(pixels);
  if (pixels == width_px_) return;
  width_px_ = pixels;
  LooksChanged();
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

// ---- Image ----

void Image::SetPicture(const QImage& picture) {
  if (picture == picture_) return;
  picture_ = picture;
  LooksChanged();
}

void Image::SetStretch(bool stretch) {
  if (stretch == stretch_) return;
  // Leaving natural size keeps the box the picture gave it.
  if (stretch && !picture_.isNull()) {
    box_.width = Width();
    box_.height = Height();
  }
  stretch_ = stretch;
  LooksChanged();
}

// A size set at natural size is kept in the box for when the picture is
// stretched or removed.
float Image::Width() const { return NaturalSize() ? PixelsToTwipsX(picture_.width()) : box_.width; }
float Image::Height() const { return NaturalSize() ? PixelsToTwipsY(picture_.height()) : box_.height; }

void Image::SetSharp(bool sharp) {
  if (sharp == sharp_) return;
  sharp_ = sharp;
  LooksChanged();
}

QRect Image::PictureBox() const {
  if (picture_.isNull()) return {};
  if (NaturalSize()) return QRect(QPoint(TwipsToPixelsX(Left()), TwipsToPixelsY(Top())), picture_.size());
  const QRect box = PixelBox(Left(), Top(), Width(), Height());
  return box.width() > 0 && box.height() > 0 ? box : QRect();
}

// A picture is never drawn past its box (filtered or not).
QRect Image::PaintBounds() const { return PictureBox(); }

void Image::Paint(QPainter& painter) const {
  const QRect box = PictureBox();
  if (box.isEmpty()) return;
  painter.setRenderHint(QPainter::SmoothPixmapTransform, !sharp_);
  painter.drawImage(DeviceAligned(painter, QRectF(box)), picture_);
}

// ---- Label ----

Label::Label(ElementOwner& owner, std::string name) : Element(owner, std::move(name)) {
  fontName_ = QFont().family().toStdString();
}

void Label::SetCaption(std::string caption) {
  if (caption == caption_) return;
  caption_ = std::move(caption);
  LooksChanged();
}

void Label::SetFontName(std::string name) {
  if (name == fontName_) return;
  fontName_ = std::move(name);
  LooksChanged();
}

void Label::SetFontSize(float points) {
  if (!std::isfinite(points) || points <= 0) {
    throw platform::Error(platform::kErrorInvalidArgument,
                          "Invalid property value: a font size must be above 0.");
  }
  if (points == fontSize_) return;
  fontSize_ = points;
  LooksChanged();
}

void Label::SetFontBold(bool bold) {
  if (bold == fontBold_) return;
  fontBold_ = bold;
  LooksChanged();
}

void Label::SetForeColor(Color color) {
  if (color == foreColor_) return;
  foreColor_ = color;
  LooksChanged();
}

void Label::SetBackColor(Color color) {
  if (color == backColor_) return;
  backColor_ = color;
  LooksChanged();
}

void Label::SetAlignment(Alignment alignment) {
  if (alignment == alignment_) return;
  alignment_ = alignment;
  LooksChanged();
}

void Label::SetBackTransparent(bool transparent) {
  if (transparent == backTransparent_) return;
  backTransparent_ = transparent;
  LooksChanged();
}

void Label::SetWordWrap(bool wrap) {
  if (wrap == wordWrap_) return;
  wordWrap_ = wrap;
  LooksChanged();
}

QRect Label::PaintBounds() const {
  const QRect box = PixelBox(Left(), Top(), Width(), Height());
  // Text and background are clipped to the box.
  return box.width() > 0 && box.height() > 0 ? box : QRect();
}

void Label::Paint(QPainter& painter) const {
  const QRect box = PaintBounds();
  if (box.isEmpty()) return;
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
