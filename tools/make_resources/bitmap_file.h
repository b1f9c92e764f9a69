#pragma once
// A .bmp file as the platform keeps it in a bitmap resource: without the
// 14-byte file header, starting at the BITMAPINFOHEADER.
#include <cstdint>
#include <span>
#include <vector>

namespace make_resources {

// Throws platform::Error(RESOURCE_E_INVALID_DATA) when the bytes are not a .bmp file.
std::vector<uint8_t> BitmapResourceFromFile(std::span<const uint8_t> bmpFile);

}  // namespace make_resources
