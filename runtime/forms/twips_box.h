#pragma once
// The one geometry rule of the forms layer: where an element or a window lies
// in its container and how big it is, in twips. Each value is kept as the
// float that was set, so a get returns that very float (0 after -0, say) and
// a program that centres something on the size it reads back gets exactly
// the arithmetic it asked for. A width or height is a number of twips, 0 or
// more; anything else raises platform::Error naming the property and leaves
// the box as it was.
class QWidget;

namespace forms {

struct TwipsBox {
  float left = 0;
  float top = 0;
  float width = 0;
  float height = 0;

  void SetWidth(float twips);
  void SetHeight(float twips);
  // Both sizes are checked before anything changes, so a refused resize or
  // move changes nothing.
  void SetSize(float newWidth, float newHeight);
  void Move(float newLeft, float newTop, float newWidth, float newHeight);
};

namespace detail {

// The size check on its own, for a size kept elsewhere (a line's ends, a
// form's client area); `what` names the property, e.g. "Width".
void CheckExtent(float twips, const char* what);

// Gives a window its box in pixels. Edges are rounded, not the size, so that
// neighbouring windows meet without gaps or overlaps.
void PlaceInTwips(QWidget& widget, const TwipsBox& box);

}  // namespace detail
}  // namespace forms
