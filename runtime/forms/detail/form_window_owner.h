#pragma once
// What a form's top-level window asks of its form; the window knows the form
// only through this.

namespace forms::detail {

class FormWindowOwner {
 public:
  // The window manager asked to close the window: the form's closing
  // sequence with UnloadMode 0. True when the form is closed afterwards.
  virtual bool CloseFromWindowManager() = 0;
  // The frame round the window may have changed; see Form::FollowFrame.
  virtual void FollowFrame() = 0;
  // The form has closed for good: nothing may reach its window any more.
  virtual bool Closed() const = 0;

 protected:
  ~FormWindowOwner() = default;
};

}  // namespace forms::detail
