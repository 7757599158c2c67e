// Live-object and lock counts of this module, and the hooks that tell a loader when it fell idle.
#include "platform/automation/module_state.h"

#include <atomic>

namespace tavlen::ole {

namespace {

std::atomic<uint32_t> g_objects{0};
std::atomic<uint32_t> g_locks{0};
std::atomic<ModuleIdleCallback> g_idleCallback{nullptr};
std::atomic<void*> g_idleContext{nullptr};
std::atomic<void (*)()> g_finalReleaseHook{nullptr};

void MaybeIdle() {
  if (g_objects.load() != 0 || g_locks.load() != 0) return;
  if (ModuleIdleCallback callback = g_idleCallback.load()) callback(g_idleContext.load());
}

}  // namespace

void ModuleState::AddObject() { ++g_objects; }
void ModuleState::ReleaseObject() {
  if (--g_objects == 0) MaybeIdle();
}
void ModuleState::LockServer() { ++g_locks; }
void ModuleState::UnlockServer() {
  if (--g_locks == 0) MaybeIdle();
}
uint32_t ModuleState::ObjectCount() { return g_objects.load(); }
uint32_t ModuleState::LockCount() { return g_locks.load(); }
HRESULT ModuleState::CanUnloadNow() { return g_objects.load() == 0 && g_locks.load() == 0 ? S_OK : S_FALSE; }

void NotifyFinalRelease() {
  if (void (*hook)() = g_finalReleaseHook.load()) hook();
}

void SetFinalReleaseHook(void (*hook)()) { g_finalReleaseHook.store(hook); }

}  // namespace tavlen::ole

void TavlenSetModuleIdleCallback(tavlen::ole::ModuleIdleCallback callback, void* context) {
  tavlen::ole::g_idleContext.store(context);
  tavlen::ole::g_idleCallback.store(callback);
}
