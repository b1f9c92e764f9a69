#pragma once
// The modal message: text and an OK button, titled with the program's name
// (it has no title of its own). Tests observe and dismiss it through the hook.
#include "runtime/platform/export.h"
#include <functional>
#include <string>

namespace forms {

KVQMXTMR_EXPORT void MsgBox(const std::string& text);

// While alive, MsgBox calls the hook instead of showing a dialog; returning
// from the hook is pressing OK. Hooks nest: the newest one wins.
class KVQMXTMR_EXPORT ScopedMsgBoxHook {
 public:
  explicit ScopedMsgBoxHook(std::function<void(const std::string& text)> hook);
  ~ScopedMsgBoxHook();
  ScopedMsgBoxHook(const ScopedMsgBoxHook&) = delete;
  ScopedMsgBoxHook& operator=(const ScopedMsgBoxHook&) = delete;

 private:
  friend void MsgBox(const std::string& text);
  std::function<void(const std::string&)> hook_;
  ScopedMsgBoxHook* previous_;
};

}  // namespace forms
