// The exception boundary of the module's exports and of interface methods that allocate: nothing a
// host calls may let an exception out into it.
#pragma once

#include <new>

#include "platform/automation/hresult.h"

namespace tavlen::ole {

// `body()`'s HRESULT; E_OUTOFMEMORY when it ran out of memory, E_UNEXPECTED for anything else it threw.
template <class Body>
HRESULT GuardedEntry(Body&& body) noexcept {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

}  // namespace tavlen::ole
