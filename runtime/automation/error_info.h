#pragma once
// The words behind the last failed status code of this thread. Status-code
// functions (the module services, creation) can only return a number; they
// leave the full message here for tools that want to show it.
#include "runtime/platform/export.h"
#include <string>

#include "runtime/automation/hresult.h"

namespace com {

void SetErrorText(std::string text);
// The text left by the last failure on this thread, cleared by the reading.
KVQMXTMR_EXPORT std::string TakeErrorText();

// The status code for the exception in flight, its message kept as the
// thread's error text.
KVQMXTMR_EXPORT HRESULT StatusOfCurrentException();

}  // namespace com
