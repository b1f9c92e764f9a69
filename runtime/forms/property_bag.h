#pragma once
// Named values a control saves into and reads back from its host. A value
// equal to its default is not stored, so a control at its defaults leaves an
// empty bag. The text form keeps each value's type, so a saved host loads back
// exactly what was written.
#include "runtime/platform/export.h"
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "runtime/automation/variant.h"

namespace forms {

class KVQMXTMR_EXPORT PropertyBag {
 public:
  // The stored value, unconverted (the reader converts), or the default if the
  // name is absent. Names compare without regard to ASCII case.
  com::Variant ReadProperty(const std::string& name, const com::Variant& defaultValue) const;
  // Stores the value, or removes the entry if the value equals the default
  // (by value, across numeric types).
  void WriteProperty(const std::string& name, const com::Variant& value,
                     const com::Variant& defaultValue);

  bool Contains(const std::string& name) const;
  // In the order first written.
  std::vector<std::string> Names() const;
  bool Empty() const { return entries_.empty(); }
  void Clear() { entries_.clear(); }

  // One line per entry: the quoted name, the type and the value.
  std::string SaveText() const;
  // Throws platform::Error on unreadable data (unknown type, value out of the
  // type's range, broken quoting, duplicate names).
  static PropertyBag LoadText(std::string_view text);

 private:
  using Entry = std::pair<std::string, com::Variant>;
  std::vector<Entry>::const_iterator FindEntry(const std::string& name) const;
  std::vector<Entry> entries_;
};

}  // namespace forms
