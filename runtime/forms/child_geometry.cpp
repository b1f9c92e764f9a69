#include "runtime/forms/detail/child_geometry.h"

#include <algorithm>
#include <cmath>
#include <string>

#include <QWidget>

#include "runtime/forms/units.h"
#include "runtime/platform/error.h"

namespace forms::detail {

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

void PlaceInTwips(QWidget& widget, float left, float top, float width, float height) {
  const int x0 = TwipsToPixelsX(left);
  const int y0 = TwipsToPixelsY(top);
  widget.setGeometry(x0, y0, std::max(0, TwipsToPixelsX(left + width) - x0),
                     std::max(0, TwipsToPixelsY(top + height) - y0));
}

}  // namespace forms::detail
