#include <algorithm>

#include "runtime/automation/hresult.h"
#include "runtime/registry/registry.h"
#include "runtime/automation/text_encoding.h"
#include "runtime/registry/registry_key.h"
#include "runtime/platform/error.h"

namespace com {
namespace {

// The platform refuses deeper keys. The bound also keeps each write in
// proportion to what was read: every key line repeats its whole path.
constexpr size_t kMaxKeyDepth = 512;

std::vector<std::string> SplitPath(std::string_view path) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (true) {
    const size_t end = path.find('\\', start);
    parts.emplace_back(path.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
  return parts;
}

bool HasLineBreak(std::string_view s) { return s.find_first_of("\r\n") != std::string_view::npos; }

void CheckText(std::string_view s, const char* what) {
  if (HasLineBreak(s) || !IsValidUtf8(s) || s.find('\0') != std::string_view::npos)
    throw platform::Error(E_INVALIDARG, std::string("A registry ") + what + " cannot hold line breaks, NULs or malformed UTF-8");
}

std::vector<std::string> CheckedPath(std::string_view path) {
  if (path.empty()) throw platform::Error(E_INVALIDARG, "Empty registry key path");
  const size_t depth = static_cast<size_t>(std::count(path.begin(), path.end(), '\\')) + 1;
  if (depth > kMaxKeyDepth)
    throw platform::Error(E_INVALIDARG, "Registry key path " + std::to_string(depth) + " levels deep (at most " +
                                            std::to_string(kMaxKeyDepth) + ")");
  std::vector<std::string> parts = SplitPath(path);
  for (const auto& p : parts)
    if (p.empty()) throw platform::Error(E_INVALIDARG, "Registry key path with an empty name: " + std::string(path));
  // "[-KEY]" is the file's deletion syntax, so no top-level key may begin so.
  if (parts.front()[0] == '-') throw platform::Error(E_INVALIDARG, "Registry key path cannot begin with '-'");
  CheckText(path, "key path");
  return parts;
}

}  // namespace

void CheckRegistryValue(std::string_view name, const RegistryValue& value) {
  CheckText(name, "value name");
  if (value.kind != RegistryValue::Kind::DWord) CheckText(value.text, "value");
}

std::string ClassesKey(std::string_view relative) {
  std::string r(kClassesRoot);
  if (!relative.empty()) r += '\\', r += relative;
  return r;
}

RegistryData::RegistryData() : root_(std::make_unique<Key>()) {}
RegistryData::RegistryData(const RegistryData& o) : root_(o.root_->Clone()) {}
RegistryData& RegistryData::operator=(const RegistryData& o) {
  if (this != &o) root_ = o.root_->Clone();
  return *this;
}
RegistryData::RegistryData(RegistryData&& o) noexcept : root_(std::move(o.root_)) { o.root_ = std::make_unique<Key>(); }
RegistryData& RegistryData::operator=(RegistryData&& o) noexcept {
  std::swap(root_, o.root_);
  return *this;
}
RegistryData::~RegistryData() = default;

bool RegistryData::Empty() const { return root_->children.empty(); }

bool RegistryData::HoldsValues() const {
  std::vector<const Key*> pending{root_.get()};
  while (!pending.empty()) {
    const Key* k = pending.back();
    pending.pop_back();
    if (!k->values.empty()) return true;
    for (const auto& child : k->children) pending.push_back(child.second.get());
  }
  return false;
}

RegistryData::Key* RegistryData::MakeKey(std::string_view path) {
  Key* k = root_.get();
  for (const auto& part : CheckedPath(path)) k = &k->MakeChild(part);
  return k;
}

RegistryData::Key* RegistryData::FindKey(std::string_view path) const {
  Key* k = root_.get();
  for (const auto& part : SplitPath(path))
    if ((k = k->Child(part)) == nullptr) return nullptr;
  return k;
}

void RegistryData::CreateKey(std::string_view path) { MakeKey(path); }

void RegistryData::SetValue(std::string_view path, std::string_view name, const RegistryValue& value) {
  CheckRegistryValue(name, value);
  MakeKey(path)->Set(name, value);
}

std::optional<RegistryValue> RegistryData::GetValue(std::string_view path, std::string_view name) const {
  Key* k = FindKey(path);
  if (k == nullptr) return std::nullopt;
  if (const RegistryValue* v = k->Value(name)) return *v;
  return std::nullopt;
}

std::optional<std::string> RegistryData::GetString(std::string_view path, std::string_view name) const {
  auto v = GetValue(path, name);
  if (!v || v->kind != RegistryValue::Kind::String) return std::nullopt;
  return v->text;
}

bool RegistryData::DeleteValue(std::string_view path, std::string_view name) {
  Key* k = FindKey(path);
  return k != nullptr && k->Delete(name);
}

bool RegistryData::DeleteTree(std::string_view path) {
  const size_t cut = path.rfind('\\');
  Key* parent = cut == std::string_view::npos ? root_.get() : FindKey(path.substr(0, cut));
  if (parent == nullptr) return false;
  const auto it = parent->children.find(cut == std::string_view::npos ? path : path.substr(cut + 1));
  if (it == parent->children.end()) return false;
  parent->children.erase(it);
  return true;
}

bool RegistryData::KeyExists(std::string_view path) const { return FindKey(path) != nullptr; }

std::vector<std::string> RegistryData::SubKeys(std::string_view path) const {
  const Key* k = FindKey(path);
  if (k == nullptr) return {};
  std::vector<std::string> r;
  r.reserve(k->children.size());
  for (const auto& [n, c] : k->children) r.push_back(c->name);
  return r;
}

std::vector<std::pair<std::string, RegistryValue>> RegistryData::Values(std::string_view path) const {
  const Key* k = FindKey(path);
  if (k == nullptr) return {};
  return {k->values.begin(), k->values.end()};
}

}  // namespace com
