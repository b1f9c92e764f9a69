#include "runtime/forms/twips_box.h"

#include <algorithm>
#include <cmath>
#include <string>

#include <QWidget>

#include "runtime/forms/units.h"
#include "runtime/platform/error.h"

namespace forms {

void TwipsBox::SetWidth(float twips) {
  detail::CheckExtent(twips, "Width");
  width = twips;
}

void TwipsBox::SetHeight(float twips) {
  detail::CheckExtent(twips, "Height");
  height = twips;
}

void TwipsBox::SetSize(float newWidth, float newHeight) {
  detail::CheckExtent(newWidth, "Width");
  detail::CheckExtent(newHeight, "Height");
  width = newWidth;
  height = newHeight;
}

void TwipsBox::Move(float newLeft, float newTop, float newWidth, float newHeight) {
  SetSize(newWidth, newHeight);
  left = newLeft;
  top = newTop;
}

namespace detail {

void CheckExtent(float twips, const char* what) {
  if (!std::isfinite(twips)) {
    throw platform::Error(platform::kErrorInvalidArgument,
                          std::string("Invalid property value: ") + what + " must be a finite number of twips.");
  }
  if (twips < 0) {
    throw platform::Error(platform::kErrorInvalidArgument,
                          std::string("Invalid property value: ") + what + " cannot be negative.");
  }
}

void PlaceInTwips(QWidget& widget, const TwipsBox& box) {
  const int x0 = TwipsToPixelsX(box.left);
  const int y0 = TwipsToPixelsY(box.top);
  widget.setGeometry(x0, y0, std::max(0, TwipsToPixelsX(box.left + box.width) - x0),
                     std::max(0, TwipsToPixelsY(box.top + box.height) - y0));
}

}  // namespace detail
}  // namespace forms
