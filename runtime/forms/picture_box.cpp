#include "runtime/forms/picture_box.h"

#include "runtime/forms/detail/child_geometry.h"
#include "runtime/forms/detail/surface.h"

namespace forms {

using detail::CheckExtent;

PictureBox::PictureBox(Container& parent, std::string name) : parent_(parent), name_(std::move(name)) {
  auto* surface = new detail::Surface(this, parent.Widget());
  SetSurface(surface);
  Place();
  surface->show();
}

PictureBox::~PictureBox() = default;

void PictureBox::Place() {
  if (QWidget* w = Widget()) detail::PlaceInTwips(*w, left_, top_, width_, height_);
}

void PictureBox::SetLeft(float twips) {
  left_ = twips;
  Place();
}

void PictureBox::SetTop(float twips) {
  top_ = twips;
  Place();
}

void PictureBox::SetWidth(float twips) {
  CheckExtent(twips, "Width");
  width_ = twips;
  Place();
}

void PictureBox::SetHeight(float twips) {
  CheckExtent(twips, "Height");
  height_ = twips;
  Place();
}

void PictureBox::Move(float left, float top, float width, float height) {
  CheckExtent(width, "Width");
  CheckExtent(height, "Height");
  left_ = left;
  top_ = top;
  width_ = width;
  height_ = height;
  Place();
}

void PictureBox::SetVisible(bool visible) {
  visible_ = visible;
  if (QWidget* w = Widget()) w->setVisible(visible);
}

}  // namespace forms
