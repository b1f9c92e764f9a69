#pragma once
#include "runtime/platform/export.h"
#include <QImage>

#include "runtime/forms/element.h"

namespace forms {

// A picture. Not stretched, the element takes the picture's natural size (one
// picture pixel per logical pixel) and size requests are refused silently, as
// the element adjusts them; stretched, the picture fills the box. Drawn at a
// screen scale above 1 or stretched, a picture is smoothed unless it is
// marked sharp: flat blocks of colour meant to meet edge to edge keep hard
// edges.
class KVQMXTMR_EXPORT Image : public Element {
 public:
  using Element::Element;

  void SetSharp(bool sharp);

  void SetPicture(const QImage& picture);
  const QImage& Picture() const { return picture_; }

  bool Stretch() const { return stretch_; }
  void SetStretch(bool stretch);

  float Width() const override;
  float Height() const override;

  void Paint(QPainter& painter) const override;
  QRect PaintBounds() const override;

 private:
  // Where the picture lands; empty without a picture or with a box of no area.
  QRect PictureBox() const;
  bool NaturalSize() const { return !stretch_ && !picture_.isNull(); }
  QImage picture_;
  bool stretch_ = false;
  bool sharp_ = false;
};

}  // namespace forms
