#include "runtime/forms/picture_box.h"

#include <algorithm>

#include "runtime/forms/detail/surface.h"
#include "runtime/forms/units.h"
#include "runtime/platform/error.h"

namespace forms {
namespace {

void CheckExtent(float twips) {
  if (!(twips >= 0)) {
    throw platform::Error(platform::kErrorInvalidArgument, "Invalid property value: a size cannot be negative.");
  }
}

}  // namespace

PictureBox::PictureBox(Container& parent, std::string name) : parent_(parent), name_(std::move(name)) {
  auto* surface = new detail::Surface(this, parent.Widget());
  SetSurface(surface);
  Place();
  surface->show();
}

PictureBox::~PictureBox() = default;

void PictureBox::Place() {
  QWidget* w = Widget();
  if (w == nullptr) return;
  const int x0 = TwipsToPixelsX(left_);
  const int y0 = TwipsToPixelsY(top_);
  w->setGeometry(x0, y0, std::max(0, TwipsToPixelsX(left_ + width_) - x0),
                 std::max(0, TwipsToPixelsY(top_ + height_) - y0));
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
  CheckExtent(twips);
  width_ = twips;
  Place();
}

void PictureBox::SetHeight(float twips) {
  CheckExtent(twips);
  height_ = twips;
  Place();
}

void PictureBox::Move(float left, float top, float width, float height) {
  CheckExtent(width);
  CheckExtent(height);
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
