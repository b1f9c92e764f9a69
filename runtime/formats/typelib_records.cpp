#include "runtime/formats/typelib_writing.h"

namespace com::typelib_writing {

using bytes::Writer;

std::vector<uint8_t> MemberBlock(const std::vector<Func>& funcs, const std::vector<Var>& vars) {
  if (funcs.empty() && vars.empty()) return {};
  Writer records;
  std::vector<int32_t> offsets;
  std::vector<uint32_t> sameId(funcs.size());
  for (size_t i = 0; i < funcs.size(); ++i) {
    // Functions sharing a DISPID (a property's get and put) form a ring
    // through the high half of the kind word.
    sameId[i] = static_cast<uint32_t>(i);
    for (size_t j = 0; j < i; ++j) {
      if (funcs[j].memid == funcs[i].memid) {
        sameId[i] = sameId[j];
        sameId[j] = static_cast<uint32_t>(i);
        break;
      }
    }
  }
  for (size_t i = 0; i < funcs.size(); ++i) {
    const auto& f = funcs[i];
    offsets.push_back(static_cast<int32_t>(records.size()));
    const size_t size = m::kFuncFixedSize + f.params.size() * m::kParamSize;
    records.U32(static_cast<uint32_t>(size) | static_cast<uint32_t>(i) << 16);
    records.I32(f.returnType);
    records.U32(f.flags);
    const int vtableSlot = f.funckind == FUNC_DISPATCH ? static_cast<int>(i)
                                                       : m::kIDispatchMethodCount + static_cast<int>(i);
    records.U16(static_cast<uint16_t>(vtableSlot * kPointerSize));
    records.U16(static_cast<uint16_t>(f.descSize));
    uint32_t word = f.funckind | f.invkind << m::kFnInvokeShift | CC_STDCALL << m::kFnCallConvShift;
    if (f.oneRetval) word |= m::kFnOneRetvalOrLcid;
    records.U32(word | sameId[i] << 16);
    records.U16(static_cast<uint16_t>(f.params.size()));
    records.U16(0);  // optional arguments
    for (const auto& p : f.params) {
      records.I32(p.type);
      records.I32(p.name);
      records.I32(p.flags);
    }
  }
  for (size_t i = 0; i < vars.size(); ++i) {
    const auto& v = vars[i];
    offsets.push_back(static_cast<int32_t>(records.size()));
    const size_t size = m::kVarFixedSize + (v.helpString == kNone ? 0 : 8);
    records.U32(static_cast<uint32_t>(size) | static_cast<uint32_t>(i) << 16);
    records.I32(v.type);
    records.U32(0);  // VARFLAGS
    records.U16(static_cast<uint16_t>(VAR_CONST));
    records.U16(static_cast<uint16_t>(m::kSizeofVarDesc + m::kSizeofVariant));
    records.I32(v.value);
    if (v.helpString != kNone) {
      records.I32(0);  // help context
      records.I32(v.helpString);
    }
  }
  Writer block;
  block.U32(static_cast<uint32_t>(records.size()));
  block.Bytes(records.data());
  for (const auto& f : funcs) block.I32(f.memid);
  for (const auto& v : vars) block.I32(v.memid);
  for (const auto& f : funcs) block.I32(f.name);
  for (const auto& v : vars) block.I32(v.name);
  for (const int32_t o : offsets) block.I32(o);
  return block.Take();
}

}  // namespace com::typelib_writing
