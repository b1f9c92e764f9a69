#pragma once
// UTF-8 <-> UTF-16LE for files kept in the platform's wide-text form.
#include "runtime/platform/export.h"
#include <optional>
#include <string>
#include <string_view>

namespace com {

// nullopt when `utf8` is not well-formed UTF-8.
KVQMXTMR_EXPORT std::optional<std::string> Utf8ToUtf16Le(std::string_view utf8);
// nullopt when `bytes` is not well-formed UTF-16LE (odd length, lone surrogate).
KVQMXTMR_EXPORT std::optional<std::string> Utf16LeToUtf8(std::string_view bytes);
bool IsValidUtf8(std::string_view text);

}  // namespace com
