#include "runtime/forms/label.h"

#include <cmath>

#include <QFont>
#include <QPainter>

#include "runtime/forms/detail/element_painting.h"
#include "runtime/platform/error.h"

namespace forms {

using detail::PixelBox;
using detail::ToQColor;

Label::Label(ElementOwner& owner, std::string name) : Element(owner, std::move(name)) {
  fontName_ = QFont().family().toStdString();
}

void Label::SetCaption(std::string caption) { SetLook(caption_, std::move(caption)); }

void Label::SetFontName(std::string name) { SetLook(fontName_, std::move(name)); }

void Label::SetFontSize(float points) {
  if (!std::isfinite(points) || points <= 0) {
    throw platform::Error(platform::kErrorInvalidArgument,
                          "Invalid property value: a font size must be above 0.");
  }
  SetLook(fontSize_, points);
}

void Label::SetFontBold(bool bold) { SetLook(fontBold_, bold); }

void Label::SetForeColor(Color color) { SetLook(foreColor_, color); }

void Label::SetBackColor(Color color) { SetLook(backColor_, color); }

void Label::SetAlignment(Alignment alignment) { SetLook(alignment_, alignment); }

void Label::SetBackTransparent(bool transparent) { SetLook(backTransparent_, transparent); }

void Label::SetWordWrap(bool wrap) { SetLook(wordWrap_, wrap); }

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
