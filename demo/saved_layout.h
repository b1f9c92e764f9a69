#pragma once
// A saved window layout: for each hosted control, by name, the text of its
// saved property bag. The text form is
//   # comment
//   [ControlName]
//   <property-bag text, up to the next [Name] line>
// Unreadable text raises platform::Error naming the origin and line, so a
// damaged layout is reported instead of silently giving default controls.
#include <map>
#include <string>
#include <string_view>

#include "runtime/forms/property_bag.h"

namespace whorlix {

class SavedLayout {
 public:
  static SavedLayout Parse(std::string_view text, const std::string& origin);
  // The layout the program carries (compiled into it).
  static SavedLayout Builtin();

  bool Has(const std::string& control) const { return bags_.count(control) != 0; }
  // The control's bag; platform::Error when the layout has no entry for it.
  forms::PropertyBag Bag(const std::string& control) const;

 private:
  std::string origin_;
  std::map<std::string, std::string> bags_;
};

}  // namespace whorlix
