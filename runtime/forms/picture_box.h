#pragma once
// A child window inside a container: its own background, its own elements and
// child windows positioned relative to it and clipped to it. Being a window,
// it lies above every windowless element of its parent.
#include "runtime/platform/export.h"
#include <string>

#include "runtime/forms/child_window.h"
#include "runtime/forms/container.h"
#include "runtime/forms/twips_box.h"

namespace forms {

class KVQMXTMR_EXPORT PictureBox : public Container, public ChildWindow {
 public:
  PictureBox(Container& parent, std::string name);
  ~PictureBox() override;

  const std::string& Name() const override { return name_; }

  // Twips, relative to the parent's client area; kept as set.
  float Left() const { return box_.left; }
  float Top() const { return box_.top; }
  float Width() const { return box_.width; }
  float Height() const { return box_.height; }
  void SetLeft(float twips);
  void SetTop(float twips);
  void SetWidth(float twips);
  void SetHeight(float twips);
  void Move(float left, float top, float width, float height);

  // The client area equals the box (no border).
  float ScaleWidth() const { return box_.width; }
  float ScaleHeight() const { return box_.height; }

  bool Visible() const { return visible_; }
  void SetVisible(bool visible);

 private:
  void Place();
  void SetTimersSuspended(bool suspended) override;

  std::string name_;
  TwipsBox box_;
  bool visible_ = true;
};

}  // namespace forms
