#pragma once
// Type libraries made to be expensive, built in memory: small files whose
// records share their parts, or whose import tables are long.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace typelib_test {

// `types` dispatch interfaces that all share one member block, whose `funcs`
// functions all share one record taking `args` parameters: about 12 bytes
// per function and per parameter and 100 per type, but types * funcs * args
// parameters for a reader that follows every reference. Then `importFiles`
// imported libraries and `imports` import entries, all naming the last file.
inline std::vector<uint8_t> SharedMemberBlocks(int types, int funcs, int args, int importFiles = 0,
                                               int imports = 0) {
  std::vector<uint8_t> b(0x54 + 4 * static_cast<size_t>(types));
  const auto put = [&](size_t at, int32_t v) {
    if (b.size() < at + 4) b.resize(at + 4);
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(static_cast<uint32_t>(v) >> (8 * i));
  };
  put(0x00, 0x5446534D);  // "MSFT"
  put(0x04, 0x00010002);
  put(0x08, -1);          // no identity
  put(0x14, 0x41);        // varflags: win32
  put(0x20, types);
  for (const size_t field : {0x24, 0x38, 0x3C, 0x4C}) put(field, -1);  // no names or help
  const size_t directory = b.size();
  const size_t typeInfos = directory + 15 * 16;
  const auto segment = [&](int s, size_t offset, size_t length) {
    put(directory + s * 16, length == 0 ? -1 : static_cast<int32_t>(offset));
    put(directory + s * 16 + 4, static_cast<int32_t>(length));
  };
  for (int s = 0; s < 15; ++s) {
    segment(s, 0, 0);
    put(directory + s * 16 + 8, -1);
    put(directory + s * 16 + 12, 0x0F);
  }
  segment(0, typeInfos, static_cast<size_t>(types) * 0x64);
  const size_t block = typeInfos + static_cast<size_t>(types) * 0x64;
  for (int t = 0; t < types; ++t) {
    const size_t at = typeInfos + static_cast<size_t>(t) * 0x64;
    put(at + 0x00, 4);  // TKIND_DISPATCH
    put(at + 0x04, static_cast<int32_t>(block));
    put(at + 0x18, funcs);
    for (const size_t field : {0x2C, 0x34, 0x3C, 0x48, 0x54}) put(at + field, -1);
    put(at + 0x4C, 0);
  }
  const int32_t kLong = static_cast<int32_t>(0x80030003);
  const int32_t length = 0x18 + args * 12;
  put(block, length);  // the records' total length: one function record
  const size_t record = block + 4;
  put(record + 0x00, length);
  put(record + 0x04, kLong);
  put(record + 0x10, 4 | 1 << 3);  // dispatch function, INVOKE_FUNC
  put(record + 0x14, args);        // and no optional arguments
  for (int p = 0; p < args; ++p) {
    put(record + 0x18 + p * 12u, kLong);
    put(record + 0x1C + p * 12u, -1);
    put(record + 0x20 + p * 12u, 1);
  }
  const size_t ids = record + static_cast<size_t>(length);
  for (int f = 0; f < funcs; ++f) {
    put(ids + f * 4u, f);
    put(ids + (funcs + f) * 4u, -1);
    put(ids + (2 * funcs + f) * 4u, 0);  // every function at the one record
  }
  // Import files: {no identity, lcid, version, name length 0} in 16 bytes.
  const size_t files = ids + 12 * static_cast<size_t>(funcs);
  for (int i = 0; i < importFiles; ++i) {
    put(files + i * 16u, -1);
    put(files + i * 16u + 8, 2);
    put(files + i * 16u + 12, 1);
  }
  segment(2, files, 16 * static_cast<size_t>(importFiles));
  const size_t entries = files + 16 * static_cast<size_t>(importFiles);
  for (int i = 0; i < imports; ++i) {
    put(entries + i * 12u, 1);
    put(entries + i * 12u + 4, (importFiles - 1) * 16);
    put(entries + i * 12u + 8, 0);
  }
  segment(1, entries, 12 * static_cast<size_t>(imports));
  return b;
}

}  // namespace typelib_test
