#include "runtime/platform/exports.h"

#include <map>
#include <mutex>

#include "runtime/platform/ascii_case.h"

namespace platform {
namespace {

std::string LibraryKey(std::string_view library) {
  std::string key = FoldedAscii(library);
  if (key.size() > 4 && key.compare(key.size() - 4, 4, ".dll") == 0) key.resize(key.size() - 4);
  return key;
}

struct Table {
  std::mutex lock;
  std::map<std::string, std::map<std::string, ExportEntry, std::less<>>, std::less<>> libraries;
};

void Bump() { detail::exportGeneration.fetch_add(1, std::memory_order_release); }

Table& TheTable() {
  static Table table;
  return table;
}

}  // namespace

void PublishExport(std::string_view library, std::string_view name, void* address,
                   const std::type_info& signature) {
  Table& t = TheTable();
  std::lock_guard guard(t.lock);
  t.libraries[LibraryKey(library)][std::string(name)] = ExportEntry{address, &signature};
  Bump();
}

ExportEntry ResolveExport(std::string_view library, std::string_view name,
                          const std::type_info& signature) {
  Table& t = TheTable();
  std::lock_guard guard(t.lock);
  auto lib = t.libraries.find(LibraryKey(library));
  if (lib == t.libraries.end())
    throw Error(kErrorFileNotFound, "File not found: " + std::string(library));
  auto fn = lib->second.find(name);
  if (fn == lib->second.end() || fn->second.address == nullptr)
    throw Error(kErrorProcNotFound,
                "Can't find entry point " + std::string(name) + " in " + std::string(library));
  if (*fn->second.signature != signature)
    throw Error(kErrorInvalidArgument, "Bad declaration of " + std::string(name) + " in " +
                                           std::string(library) + ": signature differs");
  return fn->second;
}

namespace detail {

// Constant-initialised, so it holds 1 before any library's static
// initialisers publish their exports.
constinit std::atomic<uint64_t> exportGeneration{1};

void ReplaceExport(std::string_view library, std::string_view name, void* address,
                   const std::type_info& signature, ExportEntry* previous) {
  Table& t = TheTable();
  std::lock_guard guard(t.lock);
  ExportEntry& slot = t.libraries[LibraryKey(library)][std::string(name)];
  *previous = slot;
  slot = ExportEntry{address, &signature};
  Bump();
}

void RestoreExport(std::string_view library, std::string_view name, const ExportEntry& previous) {
  Table& t = TheTable();
  std::lock_guard guard(t.lock);
  t.libraries[LibraryKey(library)][std::string(name)] = previous;
  Bump();
}

}  // namespace detail
}  // namespace platform
