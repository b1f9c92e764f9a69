#pragma once
// The registry's tree as its data, parser and writer share it. Only the
// registry's own sources include this.
#include <iterator>
#include <list>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "runtime/platform/ascii_case.h"
#include "runtime/registry/registry.h"

namespace com {

// The first line of the export text, and the older one still read.
inline constexpr std::string_view kRegistryHeader = "Windows Registry Editor Version 5.00";
inline constexpr std::string_view kOldRegistryHeader = "REGEDIT4";

// Throws platform::Error(E_INVALIDARG) for a value name or value the file
// cannot hold.
void CheckRegistryValue(std::string_view name, const RegistryValue& value);

// One key: its values in the order first set, found by name through an
// index, and its subkeys by name. Nothing here recurses: a tree is copied,
// written and destroyed with explicit stacks.
struct RegistryData::Key {
  using Entry = std::pair<std::string, RegistryValue>;
  using Children = std::map<std::string, std::unique_ptr<Key>, platform::AsciiCaseLess>;

  std::string name;
  std::list<Entry> values;
  std::map<std::string, std::list<Entry>::iterator, platform::AsciiCaseLess> index;
  Children children;

  Key() = default;
  explicit Key(std::string n) : name(std::move(n)) {}
  Key(const Key&) = delete;
  Key& operator=(const Key&) = delete;

  ~Key() {
    std::vector<std::unique_ptr<Key>> pending;
    const auto detach = [&](Key& k) {
      for (auto& [n, c] : k.children) pending.push_back(std::move(c));
      k.children.clear();
    };
    detach(*this);
    while (!pending.empty()) {
      std::unique_ptr<Key> k = std::move(pending.back());
      pending.pop_back();
      detach(*k);
    }  // each key goes with no children left to recurse into
  }

  // This key's name and values, without subkeys.
  std::unique_ptr<Key> CopyOwn() const {
    auto k = std::make_unique<Key>(name);
    for (const auto& [n, v] : values) k->Set(n, v);
    return k;
  }

  std::unique_ptr<Key> Clone() const {
    auto top = CopyOwn();
    std::vector<std::pair<const Key*, Key*>> todo{{this, top.get()}};
    while (!todo.empty()) {
      const auto [from, to] = todo.back();
      todo.pop_back();
      for (const auto& [n, c] : from->children) {
        auto copy = c->CopyOwn();
        todo.emplace_back(c.get(), copy.get());
        to->children.emplace_hint(to->children.end(), n, std::move(copy));
      }
    }
    return top;
  }

  Key* Child(std::string_view n) const {
    const auto it = children.find(n);
    return it == children.end() ? nullptr : it->second.get();
  }
  Key& MakeChild(const std::string& n) {
    auto& slot = children[n];
    if (!slot) slot = std::make_unique<Key>(n);
    return *slot;
  }

  RegistryValue* Value(std::string_view n) {
    const auto it = index.find(n);
    return it == index.end() ? nullptr : &it->second->second;
  }
  // A name already present keeps its first spelling and its place.
  void Set(std::string_view n, const RegistryValue& v) {
    if (RegistryValue* existing = Value(n)) {
      *existing = v;
      return;
    }
    values.emplace_back(std::string(n), v);
    index.emplace(values.back().first, std::prev(values.end()));
  }
  bool Delete(std::string_view n) {
    const auto it = index.find(n);
    if (it == index.end()) return false;
    values.erase(it->second);
    index.erase(it);
    return true;
  }
};

}  // namespace com
