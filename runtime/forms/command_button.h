#pragma once
// A push button. "&" in the caption marks the access key, and the key always
// follows the caption currently shown (a caption change moves it).
#include "runtime/platform/export.h"
#include <functional>
#include <string>

#include <QPointer>

#include "runtime/forms/child_window.h"
#include "runtime/forms/twips_box.h"

class QPushButton;

namespace forms {

class Container;

class KVQMXTMR_EXPORT CommandButton : public ChildWindow {
 public:
  CommandButton(Container& parent, std::string name);
  ~CommandButton() override;
  CommandButton(const CommandButton&) = delete;
  CommandButton& operator=(const CommandButton&) = delete;

  const std::string& Name() const override { return name_; }

  const std::string& Caption() const { return caption_; }
  void SetCaption(std::string caption);

  // Runs synchronously on click, key press or access key.
  void SetOnClick(std::function<void()> onClick);
  // Presses the button from code: the handler runs before Click returns.
  void Click();

  float Left() const { return box_.left; }
  float Top() const { return box_.top; }
  float Width() const { return box_.width; }
  float Height() const { return box_.height; }
  void SetLeft(float twips);
  void SetTop(float twips);
  void SetWidth(float twips);
  void SetHeight(float twips);
  void Move(float left, float top, float width, float height);

  bool Visible() const { return visible_; }
  void SetVisible(bool visible);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);

  // Position in the container's tab order (lowest first); the lowest takes
  // the focus when its form is shown.
  int TabIndex() const { return tabIndex_; }
  void SetTabIndex(int index);
  void SetFocus();

  // The Qt widget (nullptr once destroyed with its window).
  QPushButton* Widget() const;

 private:
  friend class Container;
  void Place();
  void Pressed();

  Container& parent_;
  std::string name_;
  std::string caption_;
  std::function<void()> onClick_;
  QPointer<QPushButton> button_;
  TwipsBox box_{0, 0, 1215, 495};
  int tabIndex_ = 0;
  bool visible_ = true;
  bool enabled_ = true;
};

}  // namespace forms
