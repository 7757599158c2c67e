// Per-module bookkeeping of live objects and server locks, which DllCanUnloadNow reports.
#pragma once

#include <cstdint>

#include "platform/automation/hresult.h"

// Marks the entry points a module exports; everything else in a module stays hidden.
#define TAVLEN_MODULE_EXPORT extern "C" __attribute__((visibility("default")))

namespace tavlen::ole {

// Every binary that links the runtime has its own copy of these counters, so a module counts only
// the objects it made itself.
class ModuleState {
 public:
  static void AddObject();
  static void ReleaseObject();
  static void LockServer();
  static void UnlockServer();
  static uint32_t ObjectCount();
  static uint32_t LockCount();
  // S_OK when nothing keeps the module in use, else S_FALSE.
  static HRESULT CanUnloadNow();
};

using ModuleIdleCallback = void (*)(void* context);

// Called by ComPtr when it dropped the last reference to an object; lets a loader unload modules
// that became unused. Does nothing in a binary that loads no modules.
void NotifyFinalRelease();
void SetFinalReleaseHook(void (*hook)());

}  // namespace tavlen::ole

// Optional export of every module: the loader registers a callback that the module calls when its
// last object or lock goes away, so that unloading can follow promptly.
TAVLEN_MODULE_EXPORT void TavlenSetModuleIdleCallback(tavlen::ole::ModuleIdleCallback callback, void* context);
