#include "runtime/automation/error_info.h"

#include <new>
#include <stdexcept>
#include <utility>

#include "runtime/platform/error.h"

namespace com {
namespace {
thread_local std::string t_errorText;
}

void SetErrorText(std::string text) { t_errorText = std::move(text); }
std::string TakeErrorText() { return std::exchange(t_errorText, {}); }

HRESULT StatusOfCurrentException() {
  try {
    throw;
  } catch (const platform::Error& e) {
    SetErrorText(e.what());
    return FAILED(e.code()) ? e.code() : E_FAIL;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (const std::exception& e) {
    SetErrorText(e.what());
    return E_FAIL;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

}  // namespace com
