// Thread hot keys: a process-wide record of registered key combinations. Key presses are never taken
// from windows by it; a host with a real keyboard hook may consult the record.
#include <algorithm>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/window/window_impl.h"

namespace tavlen::win {

namespace {

constexpr uint32_t kModNoRepeat = 0x4000;  // changes auto-repeat only, not which combination it is
constexpr uint32_t kKnownModifiers = 0x000F | kModNoRepeat;

struct HotKey {
  std::thread::id thread;
  const Window* window = nullptr;  // null: the thread's own hot key
  int32_t id = 0;
  uint32_t modifiers = 0;
  uint32_t virtualKey = 0;
};

struct HotKeyTable {
  std::mutex mutex;
  std::vector<HotKey> keys;
};

HotKeyTable& Table() {
  static HotKeyTable table;
  return table;
}

}  // namespace

BOOL RegisterHotKey(Window* window, int32_t id, uint32_t modifiers, uint32_t virtualKey) {
  if ((modifiers & ~kKnownModifiers) != 0 || virtualKey == 0 || virtualKey > 0xFE) return FALSE;
  HotKeyTable& table = Table();
  std::lock_guard lock(table.mutex);
  std::thread::id thread = std::this_thread::get_id();
  uint32_t combination = modifiers & ~kModNoRepeat;
  for (const HotKey& key : table.keys) {
    // The same identifier on the same thread and window, or the same key combination anywhere.
    bool sameSlot = key.thread == thread && key.window == window && key.id == id;
    bool sameKeys = key.modifiers == combination && key.virtualKey == virtualKey;
    if (sameSlot || sameKeys) return FALSE;
  }
  table.keys.push_back({thread, window, id, combination, virtualKey});
  return TRUE;
}

BOOL UnregisterHotKey(Window* window, int32_t id) {
  HotKeyTable& table = Table();
  std::lock_guard lock(table.mutex);
  std::thread::id thread = std::this_thread::get_id();
  auto found = std::find_if(table.keys.begin(), table.keys.end(), [&](const HotKey& key) {
    return key.thread == thread && key.window == window && key.id == id;
  });
  if (found == table.keys.end()) return FALSE;
  table.keys.erase(found);
  return TRUE;
}

bool IsHotKeyRegistered(int32_t id, uint32_t virtualKey) {
  HotKeyTable& table = Table();
  std::lock_guard lock(table.mutex);
  return std::any_of(table.keys.begin(), table.keys.end(),
                     [&](const HotKey& key) { return key.id == id && key.virtualKey == virtualKey; });
}

bool IsThreadHotKey(uint32_t modifiers, uint32_t virtualKey) {
  HotKeyTable& table = Table();
  std::lock_guard lock(table.mutex);
  std::thread::id thread = std::this_thread::get_id();
  return std::any_of(table.keys.begin(), table.keys.end(), [&](const HotKey& key) {
    return key.thread == thread && key.modifiers == modifiers && key.virtualKey == virtualKey;
  });
}

void ForgetHotKeysOf(const Window* window) {
  HotKeyTable& table = Table();
  std::lock_guard lock(table.mutex);
  std::erase_if(table.keys, [&](const HotKey& key) { return key.window == window; });
}

}  // namespace tavlen::win
