#include "runtime/winmm/mixer_handles.h"

#include <mutex>
#include <unordered_map>

namespace winmm {
namespace {

struct HandleTable {
  std::mutex lock;
  std::unordered_map<uint32_t, std::shared_ptr<MixerDevice>> open;
  uint32_t next = kFirstMixerHandle;
};

HandleTable& Handles() {
  static HandleTable table;
  return table;
}

}  // namespace

uint32_t AddMixerHandle(std::shared_ptr<MixerDevice> device) {
  HandleTable& t = Handles();
  std::lock_guard guard(t.lock);
  for (uint64_t tries = 0; tries <= UINT32_MAX; ++tries) {
    const uint32_t candidate = t.next;
    t.next = t.next == UINT32_MAX ? kFirstMixerHandle : t.next + 1;
    if (t.open.count(candidate) == 0) {
      t.open.emplace(candidate, std::move(device));
      return candidate;
    }
  }
  return 0;
}

std::shared_ptr<MixerDevice> FindMixerHandle(uint32_t handle) {
  HandleTable& t = Handles();
  std::lock_guard guard(t.lock);
  auto it = t.open.find(handle);
  return it == t.open.end() ? nullptr : it->second;
}

std::shared_ptr<MixerDevice> RemoveMixerHandle(uint32_t handle) {
  HandleTable& t = Handles();
  std::shared_ptr<MixerDevice> device;
  {
    std::lock_guard guard(t.lock);
    auto it = t.open.find(handle);
    if (it == t.open.end()) return nullptr;
    device = std::move(it->second);
    t.open.erase(it);
  }
  return device;
}

}  // namespace winmm
