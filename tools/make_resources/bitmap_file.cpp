#include "tools/make_resources/bitmap_file.h"

#include "runtime/formats/resource_byte_io.h"
#include "runtime/formats/resource_file.h"

namespace make_resources {

std::vector<uint8_t> BitmapResourceFromFile(std::span<const uint8_t> bmpFile) {
  constexpr size_t kFileHeader = 14;
  constexpr size_t kInfoHeader = 40;
  const com::bytes::Reader r(bmpFile, com::RESOURCE_E_INVALID_DATA, "bitmap file");
  if (bmpFile.size() < kFileHeader + kInfoHeader || r.U8(0) != 'B' || r.U8(1) != 'M')
    r.Fail("no BM signature");
  if (r.U32(2) != bmpFile.size()) r.Fail("file size field does not match the file");
  if (r.U32(kFileHeader) < kInfoHeader) r.Fail("unknown bitmap header");
  const auto rest = bmpFile.subspan(kFileHeader);
  return {rest.begin(), rest.end()};
}

}  // namespace make_resources
