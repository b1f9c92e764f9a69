#pragma once
// Little-endian byte writing and bounds-checked reading for the platform's
// binary formats (type libraries, resource files, version records). Every
// read past the end raises platform::Error with the caller's status code, so
// a truncated or corrupt file becomes an error, never a wild read.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/platform/error.h"

namespace com::bytes {

class Writer {
 public:
  void U8(uint8_t v) { data_.push_back(v); }
  void U16(uint16_t v) {
    U8(static_cast<uint8_t>(v));
    U8(static_cast<uint8_t>(v >> 8));
  }
  void U32(uint32_t v) {
    U16(static_cast<uint16_t>(v));
    U16(static_cast<uint16_t>(v >> 16));
  }
  void I32(int32_t v) { U32(static_cast<uint32_t>(v)); }
  void Bytes(std::span<const uint8_t> b) { data_.insert(data_.end(), b.begin(), b.end()); }
  // Pads with `fill` until the size is a multiple of `alignment`.
  void Align(size_t alignment, uint8_t fill = 0) {
    while (data_.size() % alignment != 0) data_.push_back(fill);
  }
  void PatchU16(size_t at, uint16_t v) {
    data_.at(at) = static_cast<uint8_t>(v);
    data_.at(at + 1) = static_cast<uint8_t>(v >> 8);
  }
  void PatchU32(size_t at, uint32_t v) {
    PatchU16(at, static_cast<uint16_t>(v));
    PatchU16(at + 2, static_cast<uint16_t>(v >> 16));
  }
  void PatchI32(size_t at, int32_t v) { PatchU32(at, static_cast<uint32_t>(v)); }

  size_t size() const { return data_.size(); }
  std::vector<uint8_t>& data() { return data_; }
  std::vector<uint8_t> Take() { return std::move(data_); }

 private:
  std::vector<uint8_t> data_;
};

// A view of a byte range; every access is checked against its bounds.
class Reader {
 public:
  Reader(std::span<const uint8_t> data, int32_t errorCode, std::string what)
      : data_(data), errorCode_(errorCode), what_(std::move(what)) {}

  size_t size() const { return data_.size(); }
  std::span<const uint8_t> data() const { return data_; }

  void Require(size_t offset, size_t length) const {
    if (offset > data_.size() || length > data_.size() - offset) Fail("data ends early");
  }
  uint8_t U8(size_t at) const {
    Require(at, 1);
    return data_[at];
  }
  uint16_t U16(size_t at) const {
    Require(at, 2);
    return static_cast<uint16_t>(data_[at] | data_[at + 1] << 8);
  }
  uint32_t U32(size_t at) const {
    Require(at, 4);
    return uint32_t(data_[at]) | uint32_t(data_[at + 1]) << 8 | uint32_t(data_[at + 2]) << 16 |
           uint32_t(data_[at + 3]) << 24;
  }
  int32_t I32(size_t at) const { return static_cast<int32_t>(U32(at)); }
  int16_t I16(size_t at) const { return static_cast<int16_t>(U16(at)); }
  uint64_t U64(size_t at) const { return uint64_t(U32(at)) | uint64_t(U32(at + 4)) << 32; }
  std::span<const uint8_t> Slice(size_t at, size_t length) const {
    Require(at, length);
    return data_.subspan(at, length);
  }
  // Converts a signed offset read from the file into an index, rejecting negatives.
  size_t Offset(int64_t value) const {
    if (value < 0 || static_cast<uint64_t>(value) > data_.size()) Fail("offset out of range");
    return static_cast<size_t>(value);
  }

  [[noreturn]] void Fail(const std::string& why) const { throw platform::Error(errorCode_, what_ + ": " + why); }

 private:
  std::span<const uint8_t> data_;
  int32_t errorCode_;
  std::string what_;
};

// UTF-8 <-> UTF-16 for the platform's wide strings. Invalid UTF-8 raises
// platform::Error(E_INVALIDARG); an unpaired surrogate becomes U+FFFD.
std::u16string Utf8ToUtf16(std::string_view text);
std::string Utf16ToUtf8(std::u16string_view text);

}  // namespace com::bytes
