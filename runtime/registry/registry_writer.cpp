#include <cstdio>
#include <string>
#include <vector>

#include "runtime/automation/text_encoding.h"
#include "runtime/registry/registry.h"
#include "runtime/registry/registry_key.h"

// The tree as export text: UTF-16LE with a byte-order mark and CRLF line ends.
namespace com {
namespace {

std::string Quote(std::string_view s) {
  std::string r = "\"";
  for (char c : s) {
    if (c == '\\' || c == '"') r += '\\';
    r += c;
  }
  return r + '"';
}

}  // namespace

std::string RegistryData::Serialize() const {
  std::string text;
  text += kRegistryHeader;
  text += "\r\n\r\n";
  const auto writeKey = [&](const Key& key, const std::string& path) {
    text += '[';
    text += path;
    text += "]\r\n";
    // The default value comes first, as the platform lists it.
    for (int pass = 0; pass < 2; ++pass)
      for (const auto& [name, v] : key.values) {
        if (name.empty() != (pass == 0)) continue;
        text += name.empty() ? "@" : Quote(name);
        text += '=';
        switch (v.kind) {
          case RegistryValue::Kind::String: text += Quote(v.text); break;
          case RegistryValue::Kind::DWord: {
            char buf[20];
            std::snprintf(buf, sizeof buf, "dword:%08x", v.dword);
            text += buf;
            break;
          }
          case RegistryValue::Kind::Other: text += v.text; break;
        }
        text += "\r\n";
      }
    text += "\r\n";
  };
  // Depth first, parents before children, with one path buffer.
  struct Frame {
    const Key* key;
    Key::Children::const_iterator next;
    size_t pathLength;  // of the parent's path, restored on leaving
  };
  std::vector<Frame> stack;
  std::string path;
  const auto enter = [&](const Key& k) {
    const size_t length = path.size();
    if (!path.empty()) path += '\\';
    path += k.name;
    writeKey(k, path);
    stack.push_back({&k, k.children.begin(), length});
  };
  for (const auto& [n, hive] : root_->children) {
    enter(*hive);
    while (!stack.empty()) {
      Frame& top = stack.back();
      if (top.next == top.key->children.end()) {
        path.resize(top.pathLength);
        stack.pop_back();
        continue;
      }
      const Key& child = *(top.next++)->second;
      enter(child);
    }
  }
  std::string out = "\xFF\xFE";
  out += *Utf8ToUtf16Le(text);  // every stored text was checked to be UTF-8
  return out;
}

}  // namespace com
