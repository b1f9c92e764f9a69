#include "runtime/forms/picture_box.h"

#include "runtime/forms/detail/surface.h"

namespace forms {

PictureBox::PictureBox(Container& parent, std::string name) : name_(std::move(name)) {
  auto* surface = new detail::Surface(this, parent.Widget());
  SetSurface(surface);
  Place();
  surface->show();
}

PictureBox::~PictureBox() = default;

PictureBox* Container::FindPictureBox(const std::string& name) const {
  for (const auto& p : pictureBoxes_) {
    if (p->Name() == name) return static_cast<PictureBox*>(p.get());
  }
  return nullptr;
}

PictureBox& Container::AddPictureBox(std::string name) {
  CheckNewName(name);
  pictureBoxes_.push_back(std::make_unique<PictureBox>(*this, std::move(name)));
  return static_cast<PictureBox&>(*pictureBoxes_.back());
}

void PictureBox::SetTimersSuspended(bool suspended) { SuspendTimers(suspended); }

void PictureBox::Place() {
  if (QWidget* w = Widget()) detail::PlaceInTwips(*w, box_);
}

void PictureBox::SetLeft(float twips) {
  box_.left = twips;
  Place();
}

void PictureBox::SetTop(float twips) {
  box_.top = twips;
  Place();
}

void PictureBox::SetWidth(float twips) {
  box_.SetWidth(twips);
  Place();
}

void PictureBox::SetHeight(float twips) {
  box_.SetHeight(twips);
  Place();
}

void PictureBox::Move(float left, float top, float width, float height) {
  box_.Move(left, top, width, height);
  Place();
}

void PictureBox::SetVisible(bool visible) {
  visible_ = visible;
  if (QWidget* w = Widget()) w->setVisible(visible);
}

}  // namespace forms
