#pragma once
// A window that a container holds as its child (a picture box, a button), as
// the container sees it. The container knows its children only through this;
// each kind adds and finds its own (Container::AddPictureBox is defined in
// picture_box.cpp, Container::AddButton in command_button.cpp).
#include <string>

namespace forms {

class ChildWindow {
 public:
  virtual ~ChildWindow() = default;

  // Unique in its container, among the elements and timers too.
  virtual const std::string& Name() const = 0;
  // The form the child lives on closed (or came back): timers that live
  // inside the child fall silent (or wake).
  virtual void SetTimersSuspended(bool suspended) { (void)suspended; }
};

}  // namespace forms
