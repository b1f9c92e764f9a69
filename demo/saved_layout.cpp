#include "demo/saved_layout.h"

#include <QFile>

#include "runtime/platform/error.h"

namespace whorlix {
namespace {

[[noreturn]] void Unreadable(const std::string& origin, size_t line, const std::string& why) {
  throw platform::Error(platform::kErrorFail,
                        "The saved layout " + origin + " is unreadable at line " + std::to_string(line) + ": " + why);
}

}  // namespace

SavedLayout SavedLayout::Parse(std::string_view text, const std::string& origin) {
  SavedLayout layout;
  layout.origin_ = origin;
  std::string* current = nullptr;
  size_t lineNo = 0;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(pos, end - pos);
    pos = end + 1;
    ++lineNo;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (!line.empty() && line.front() == '#') continue;
    if (!line.empty() && line.front() == '[') {
      if (line.size() < 3 || line.back() != ']') Unreadable(origin, lineNo, "a section needs a name in brackets");
      std::string name(line.substr(1, line.size() - 2));
      auto [it, added] = layout.bags_.emplace(name, std::string());
      if (!added) Unreadable(origin, lineNo, "\"" + name + "\" appears twice");
      current = &it->second;
      continue;
    }
    if (current == nullptr) {
      if (line.find_first_not_of(" \t") == std::string_view::npos) continue;
      Unreadable(origin, lineNo, "text before the first [control] section");
    }
    current->append(line);
    current->push_back('\n');
  }
  // Check every bag now, so a damaged layout fails when it is read.
  for (const auto& [name, bagText] : layout.bags_) {
    try {
      (void)forms::PropertyBag::LoadText(bagText);
    } catch (const platform::Error& e) {
      throw platform::Error(e.code(), "The saved layout " + origin + " has a bad entry for " + name + ": " + e.what());
    }
  }
  return layout;
}

SavedLayout SavedLayout::Builtin() {
  QFile file(":/whorlix/full_screen.layout");
  if (!file.open(QIODevice::ReadOnly)) {
    throw platform::Error(platform::kErrorFileNotFound, "The program's built-in window layout is missing.");
  }
  const QByteArray bytes = file.readAll();
  return Parse(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())), "full_screen.layout");
}

forms::PropertyBag SavedLayout::Bag(const std::string& control) const {
  auto it = bags_.find(control);
  if (it == bags_.end()) {
    throw platform::Error(platform::kErrorFail, "The saved layout " + origin_ + " holds nothing for " + control + ".");
  }
  return forms::PropertyBag::LoadText(it->second);
}

}  // namespace whorlix
