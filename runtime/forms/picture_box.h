#pragma once
// A child window inside a container: its own background, its own elements and
// child windows positioned relative to it and clipped to it. Being a window,
// it lies above every windowless element of its parent.
#include <string>

#include "runtime/forms/container.h"

namespace forms {

class PictureBox : public Container {
 public:
  PictureBox(Container& parent, std::string name);
  ~PictureBox() override;

  const std::string& Name() const { return name_; }
  Container& Parent() const { return parent_; }

  // Twips, relative to the parent's client area; kept as set.
  float Left() const { return left_; }
  float Top() const { return top_; }
  float Width() const { return width_; }
  float Height() const { return height_; }
  void SetLeft(float twips);
  void SetTop(float twips);
  void SetWidth(float twips);
  void SetHeight(float twips);
  void Move(float left, float top, float width, float height);

  // The client area equals the box (no border).
  float ScaleWidth() const { return width_; }
  float ScaleHeight() const { return height_; }

  bool Visible() const { return visible_; }
  void SetVisible(bool visible);

 private:
  void Place();

  Container& parent_;
  std::string name_;
  float left_ = 0, top_ = 0, width_ = 0, height_ = 0;
  bool visible_ = true;
};

}  // namespace forms
