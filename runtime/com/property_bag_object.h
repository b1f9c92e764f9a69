#pragma once
// A host's IPropertyBag over a forms::PropertyBag, and the way back: what a
// control reads through a host's IPropertyBag gathered into a
// forms::PropertyBag for UserControl_ReadProperties, and what it wrote
// handed on to the host's bag.
#include "runtime/platform/export.h"
#include <string>
#include <vector>

#include "runtime/com/dispatch_map.h"
#include "runtime/com/interfaces.h"
#include "runtime/forms/property_bag.h"

namespace com {

// Offered by bags of this layer beside IPropertyBag: every name the bag
// holds, so a control also sees entries that are not named after one of its
// properties.
struct IPropertyBagContents : IUnknown {
  static constexpr IID kIID = MakeGuid(0x5F3C1B2E, 0x9A47, 0x4C1D, {0x8E, 0x61, 0x2B, 0x7A, 0x44, 0x90, 0xD3, 0x15});
  virtual HRESULT GetNames(std::vector<std::string>* names) = 0;

 protected:
  ~IPropertyBagContents() = default;
};

// A new IPropertyBag (one reference) reading and writing `bag`, which must
// outlive it. Read answers E_INVALIDARG for a name the bag does not hold.
KVQMXTMR_EXPORT IPropertyBag* NewPropertyBagObject(forms::PropertyBag& bag);

// Stores `value` under `name` even when it equals a default the bag knows
// nothing of: the host keeps what the control chose to write.
KVQMXTMR_EXPORT void StoreExactly(forms::PropertyBag& bag, const std::string& name, const Variant& value);

// Reads from `host` every entry it lists (IPropertyBagContents) or, for a
// bag that cannot list its names, every property of `table`, into `out`.
// Failures other than "no such entry" are returned.
KVQMXTMR_EXPORT HRESULT ReadHostBag(IPropertyBag* host, const DispatchTable& table, forms::PropertyBag& out);
// Writes every entry of `bag` into `host`.
KVQMXTMR_EXPORT HRESULT WriteHostBag(const forms::PropertyBag& bag, IPropertyBag* host);

}  // namespace com
