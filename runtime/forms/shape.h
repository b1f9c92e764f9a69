#pragma once
#include "runtime/platform/export.h"
#include <cstdint>

#include "runtime/forms/color.h"
#include "runtime/forms/element.h"

namespace forms {

enum class ShapeKind { Rectangle, Circle };

// An outline: a rectangle filling its box, or the largest circle that fits the
// box, centred in it. The inside is transparent. The outline lies within the
// box, so a shape never paints outside its own bounds.
class KVQMXTMR_EXPORT Shape : public Element {
 public:
  using Element::Element;

  ShapeKind Kind() const { return kind_; }
  void SetShape(ShapeKind kind);

  Color BorderColor() const { return borderColor_; }
  void SetBorderColor(Color color);

  // Pixels. Values outside 1..8192 raise platform::Error and keep the old
  // width.
  int16_t BorderWidth() const { return borderWidth_; }
  void SetBorderWidth(int16_t pixels);

  void Paint(QPainter& painter) const override;
  QRect PaintBounds() const override;

  static constexpr int16_t kMinBorderWidth = 1;
  static constexpr int16_t kMaxBorderWidth = 8192;
  // The border width rule of shapes and lines.
  static void CheckBorderWidth(int16_t pixels);

 private:
  // The box the outline fills: the element's box, or for a circle the
  // largest square centred in it; empty when there is nothing to draw.
  QRect OutlineBox() const;
  ShapeKind kind_ = ShapeKind::Rectangle;
  Color borderColor_{0, 0, 0};
  int16_t borderWidth_ = 1;
};

}  // namespace forms
