#include "runtime/platform/error.h"

namespace platform {

Error::Error(int32_t code, const std::string& message) : std::runtime_error(message), code_(code) {}

}  // namespace platform
