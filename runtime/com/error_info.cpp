#include "runtime/com/error_info.h"

#include <utility>

namespace com {
namespace {
thread_local std::string t_errorText;
}

void SetErrorText(std::string text) { t_errorText = std::move(text); }
std::string TakeErrorText() { return std::exchange(t_errorText, {}); }

}  // namespace com
