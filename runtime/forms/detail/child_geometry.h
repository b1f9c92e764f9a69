#pragma once
// Windows whose owners keep their box in twips: the sizes they accept, and
// the box given to the widget in pixels.
class QWidget;

namespace forms::detail {

// Throws for a negative width or height; NaN fails too, as no box has it.
void CheckExtent(float twips);

// Edges are rounded, not the size, so that neighbouring windows meet without
// gaps or overlaps.
void PlaceInTwips(QWidget& widget, float left, float top, float width, float height);

}  // namespace forms::detail
