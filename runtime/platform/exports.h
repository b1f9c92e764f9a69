#pragma once
// Calls into "system libraries" (kernel32, winmm.dll, ...) are bound by library
// and export name when first called, exactly like a declared import. Each layer
// publishes its functions in this process-wide table; a caller declares the
// signature it expects and binds on first use. Tests replace an export for the
// length of a scope (a counting Sleep, a failing mixerOpen) without touching
// the caller.
#include "runtime/platform/export.h"
#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>
#include <typeinfo>

#include "runtime/platform/error.h"

namespace platform {

struct ExportEntry {
  void* address = nullptr;
  const std::type_info* signature = nullptr;
};

// Library names compare case-insensitively and with or without ".dll", so
// "kernel32", "KERNEL32.DLL" and "kernel32.dll" name one library.
KVQMXTMR_EXPORT void PublishExport(std::string_view library, std::string_view name, void* address,
                   const std::type_info& signature);
// Throws Error (kErrorFileNotFound for an unknown library, kErrorProcNotFound
// for an unknown export, kErrorInvalidArgument for a signature mismatch).
KVQMXTMR_EXPORT ExportEntry ResolveExport(std::string_view library, std::string_view name,
                          const std::type_info& signature);
namespace detail {
// Read on every call through a declaration, so it is a variable of its own
// rather than a call into the table.
KVQMXTMR_EXPORT extern std::atomic<uint64_t> exportGeneration;
}  // namespace detail

// Bumped whenever an export is published, replaced or restored, so bound
// declarations know to bind again.
inline uint64_t ExportGeneration() { return detail::exportGeneration.load(std::memory_order_acquire); }

namespace detail {
KVQMXTMR_EXPORT void ReplaceExport(std::string_view library, std::string_view name, void* address,
                   const std::type_info& signature, ExportEntry* previous);
KVQMXTMR_EXPORT void RestoreExport(std::string_view library, std::string_view name, const ExportEntry& previous);
}  // namespace detail

template <typename Signature>
void Publish(std::string_view library, std::string_view name, Signature* fn) {
  PublishExport(library, name, reinterpret_cast<void*>(fn), typeid(Signature));
}

// A declared import: `Declared<int32_t(int32_t)> Sleep{"kernel32", "Sleep"};`
// Binding happens on the first call and again after any replacement.
template <typename Signature>
class Declared;

template <typename R, typename... Args>
class Declared<R(Args...)> {
 public:
  using Function = R(Args...);
  Declared(const char* library, const char* name) : library_(library), name_(name) {}

  R operator()(Args... args) const { return Bind()(static_cast<Args>(args)...); }

  Function* Bind() const {
    const uint64_t now = ExportGeneration();
    if (bound_ == nullptr || generation_ != now) {
      bound_ = reinterpret_cast<Function*>(ResolveExport(library_, name_, typeid(Function)).address);
      generation_ = now;
    }
    return bound_;
  }

 private:
  const char* library_;
  const char* name_;
  mutable Function* bound_ = nullptr;
  mutable uint64_t generation_ = 0;
};

// Replaces an export until the object goes out of scope.
template <typename Signature>
class ScopedExport {
 public:
  ScopedExport(std::string library, std::string name, Signature* fn)
      : library_(std::move(library)), name_(std::move(name)) {
    detail::ReplaceExport(library_, name_, reinterpret_cast<void*>(fn), typeid(Signature), &previous_);
  }
  ~ScopedExport() { detail::RestoreExport(library_, name_, previous_); }
  ScopedExport(const ScopedExport&) = delete;
  ScopedExport& operator=(const ScopedExport&) = delete;

 private:
  std::string library_;
  std::string name_;
  ExportEntry previous_;
};

}  // namespace platform
