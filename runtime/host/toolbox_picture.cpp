#include "runtime/host/toolbox_picture.h"

#include <charconv>
#include <cstdint>
#include <exception>
#include <optional>
#include <string>
#include <vector>

#include "runtime/com/creation.h"
#include "runtime/formats/resource_file.h"
#include "runtime/formats/resource_module.h"
#include "runtime/platform/error.h"
#include "runtime/registry/classes_view.h"

namespace kvqmxtmr {
namespace {

struct BitmapReference {
  std::string module;
  uint16_t number = 0;
};

// "path, number": the path may hold commas of its own, the number never.
BitmapReference ParseReference(const std::string& value, const std::string& key) {
  const size_t comma = value.rfind(',');
  if (comma == std::string::npos)
    throw platform::Error(com::E_INVALIDARG, key + " holds \"" + value + "\", not \"module, number\"");
  BitmapReference ref{value.substr(0, comma), 0};
  size_t at = comma + 1;
  while (at < value.size() && value[at] == ' ') ++at;
  const char* end = value.data() + value.size();
  const auto [stop, failure] = std::from_chars(value.data() + at, end, ref.number);
  if (failure != std::errc() || stop != end || at == value.size())
    throw platform::Error(com::E_INVALIDARG, key + " holds \"" + value + "\", whose resource number is not 0-65535");
  return ref;
}

// A bitmap resource is the bitmap file without its 14-byte file header; Qt
// reads the file, so the header is put back. The pixels start after the info
// header, the three colour masks of a 40-byte header with bit fields, and
// the palette.
QImage DecodeDib(const std::vector<uint8_t>& dib) {
  auto u32 = [&](size_t at) {
    return uint32_t(dib[at]) | uint32_t(dib[at + 1]) << 8 | uint32_t(dib[at + 2]) << 16 | uint32_t(dib[at + 3]) << 24;
  };
  if (dib.size() < 40 || u32(0) < 40 || u32(0) >= dib.size()) return {};
  const uint32_t infoSize = u32(0);
  const uint16_t bitCount = uint16_t(dib[14] | dib[15] << 8);
  const uint32_t compression = u32(16);
  uint32_t colours = u32(32);
  if (colours == 0 && bitCount <= 8) colours = 1u << bitCount;
  if (colours > 256) return {};
  const uint32_t masks = (infoSize == 40 && (compression == 3 || compression == 6)) ? 12 : 0;
  const uint32_t pixels = 14 + infoSize + masks + 4 * colours;
  const uint32_t fileSize = uint32_t(14 + dib.size());
  QByteArray file;
  file.reserve(int(fileSize));
  file.append("BM", 2);
  for (uint32_t v : {fileSize, 0u, pixels})
    for (int shift = 0; shift < 32; shift += 8) file.append(char((v >> shift) & 0xFF));
  file.append(reinterpret_cast<const char*>(dib.data()), qsizetype(dib.size()));
  return QImage::fromData(file, "BMP");
}

QImage Picture(std::string_view progId) {
  const com::CLSID clsid = com::ClassIdFromProgId(progId);
  const std::string key = "CLSID\\" + clsid.ToString() + "\\ToolboxBitmap32";
  const std::optional<std::string> value = com::ClassesView::Read().GetString(key, "");
  if (!value) throw platform::Error(com::E_FAIL, "The class " + std::string(progId) + " names no toolbox picture");
  const BitmapReference ref = ParseReference(*value, key);
  const auto found = com::FindResource(ref.module, com::RT_BITMAP, ref.number);
  if (!found)
    throw platform::Error(com::RESOURCE_E_NAME_NOT_FOUND,
                          ref.module + " holds no bitmap " + std::to_string(ref.number) + " for " + std::string(progId));
  QImage picture = DecodeDib(com::LoadResource(*found));
  if (picture.isNull())
    throw platform::Error(com::RESOURCE_E_INVALID_DATA, "Bitmap " + std::to_string(ref.number) + " of " +
                                                            ref.module + " is not a picture Qt reads");
  return picture;
}

}  // namespace

QImage ToolboxPicture(std::string_view progId, QString* error) {
  try {
    return Picture(progId);
  } catch (const std::exception& e) {
    if (error != nullptr) *error = QString::fromStdString(e.what());
    return {};
  }
}

}  // namespace kvqmxtmr
