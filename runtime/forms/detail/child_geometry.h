#pragma once
// Windows whose owners keep their box in twips: the sizes they accept, and
// the box given to the widget in pixels.
class QWidget;

namespace forms::detail {

// The one rule for every width and height the forms layer accepts: a
// number of twips, 0 or more. Anything else raises platform::Error naming the
// property (`what`, e.g. "Width") and leaves the old value in place.
void CheckExtent(float twips, const char* what);

// Edges are rounded, not the size, so that neighbouring windows meet without
// gaps or overlaps.
void PlaceInTwips(QWidget& widget, float left, float top, float width, float height);

}  // namespace forms::detail
