#include "runtime/formats/typelib_hash.h"

#include "runtime/automation/hresult.h"
#include "runtime/platform/error.h"

namespace com {
namespace {

// The English locale folds case and, for historical reasons, a few letters
// into their neighbours: W hashes as V, Y as U, and '/' as nothing at all.
uint8_t FoldForEnglish(unsigned char c) {
  if (c >= 'a' && c <= 'z') c = static_cast<unsigned char>(c - 'a' + 'A');
  if (c == 'W') return 'V';
  if (c == 'Y') return 'U';
  if (c == '/') return 0;
  return c;
}

}  // namespace

uint32_t NameHash(SYSKIND syskind, uint32_t lcid, std::string_view name) {
  if (lcid != 0x409)
    throw platform::Error(E_INVALIDARG, "name hashing supports only locale 0x409");
  constexpr uint32_t kEnglishHigh = 16;
  const uint32_t high = (kEnglishHigh | (syskind == SYS_MAC ? 1u : 0u)) << 16;
  uint32_t low = 0x0deadbee;
  for (const char ch : name) {
    const auto c = static_cast<unsigned char>(ch);
    if (c >= 0x80) throw platform::Error(E_INVALIDARG, "type library names must be ASCII");
    low = low * 37u + FoldForEnglish(c);  // wraps modulo 2^32 by design
  }
  return high | ((low % 65599u) & 0xFFFFu);
}

int GuidHashBucket(const GUID& guid) {
  const auto b = guid.Bytes();
  uint16_t x = 0;
  for (size_t i = 0; i < 16; i += 2) x ^= static_cast<uint16_t>(b[i] | b[i + 1] << 8);
  return x & 0x1F;
}

}  // namespace com
