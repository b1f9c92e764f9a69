#include "runtime/forms/image.h"

#include <QPainter>

#include "runtime/forms/detail/element_painting.h"
#include "runtime/forms/units.h"

namespace forms {

using detail::DeviceAligned;
using detail::PixelBox;

void Image::SetPicture(const QImage& picture) { SetLook(picture_, picture); }

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

void Image::SetSharp(bool sharp) { SetLook(sharp_, sharp); }

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

}  // namespace forms
