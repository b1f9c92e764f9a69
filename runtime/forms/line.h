#pragma once
#include "runtime/platform/export.h"
#include <cstdint>

#include <QPoint>

#include "runtime/forms/color.h"
#include "runtime/forms/element.h"

namespace forms {

// A solid straight line between two points (twips). Left, Top, Width and
// Height describe the box spanned by the end points; moving or sizing that box
// moves or stretches the line.
class KVQMXTMR_EXPORT Line : public Element {
 public:
  using Element::Element;

  float X1() const { return x1_; }
  float Y1() const { return y1_; }
  float X2() const { return x2_; }
  float Y2() const { return y2_; }
  void SetX1(float twips);
  void SetY1(float twips);
  void SetX2(float twips);
  void SetY2(float twips);
  void SetPoints(float x1, float y1, float x2, float y2);

  float Left() const override;
  float Top() const override;
  float Width() const override;
  float Height() const override;
  void SetLeft(float twips) override;
  void SetTop(float twips) override;
  void SetWidth(float twips) override;
  void SetHeight(float twips) override;

  Color BorderColor() const { return color_; }
  void SetBorderColor(Color color);
  // Pixels, 1..8192 as for shapes.
  int16_t BorderWidth() const { return width_px_; }
  void SetBorderWidth(int16_t pixels);

  void Paint(QPainter& painter) const override;
  QRect PaintBounds() const override;

 private:
  static QPoint PixelEnd(float x, float y);
  float x1_ = 0, y1_ = 0, x2_ = 0, y2_ = 0;
  Color color_{0, 0, 0};
  int16_t width_px_ = 1;
};

}  // namespace forms
