#pragma once
// The one error type of the platform layer. Platform calls and control members
// raise it; the component layer turns it into a status code at the boundary,
// and handlers that "skip a failing step" catch it around each step.
#include "runtime/platform/export.h"
#include <cstdint>
#include <stdexcept>
#include <string>

namespace platform {

class KVQMXTMR_EXPORT Error : public std::runtime_error {
 public:
  // `code` is a 32-bit status code (an HRESULT such as E_INVALIDARG or
  // DISP_E_OVERFLOW); `message` is the text a user or log reader sees.
  Error(int32_t code, const std::string& message);
  int32_t code() const noexcept { return code_; }

 private:
  int32_t code_;
};

// Status codes shared by all layers (values as the platform publishes them).
inline constexpr int32_t kErrorInvalidArgument = static_cast<int32_t>(0x80070057);  // E_INVALIDARG
inline constexpr int32_t kErrorFail = static_cast<int32_t>(0x80004005);             // E_FAIL
inline constexpr int32_t kErrorFileNotFound = static_cast<int32_t>(0x80070002);     // HRESULT of ERROR_FILE_NOT_FOUND
inline constexpr int32_t kErrorProcNotFound = static_cast<int32_t>(0x8007007F);     // HRESULT of ERROR_PROC_NOT_FOUND
inline constexpr int32_t kErrorInvalidAddress = static_cast<int32_t>(0x800701E7);   // HRESULT of ERROR_INVALID_ADDRESS
inline constexpr int32_t kErrorOutOfStackSpace = static_cast<int32_t>(0x800A001C);  // run-time error 28

}  // namespace platform
