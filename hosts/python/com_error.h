// The exceptions Python sees for failed automation calls: tavlen.ComError (with the HRESULT and the
// member) and tavlen.CreationError, which is also an OSError, for classes that cannot be created; and
// tavlen.RefusalWarning for a call that a decode limit made fail quietly.
#pragma once

#include <pybind11/pybind11.h>

#include <string>

#include "platform/automation/hresult.h"

namespace tavlen::python {

// An HRESULT that no runtime status carries: a call from a thread other than the control's.
inline constexpr ole::HRESULT RPC_E_WRONG_THREAD = ole::MakeHResult(0x8001010E);
// A call on an object the program has released.
inline constexpr ole::HRESULT RPC_E_DISCONNECTED = ole::MakeHResult(0x80010108);

// Creates the exception classes as attributes of `module`.
void AddExceptionTypes(pybind11::module_& module);

// Raises ComError "member: NAME 0x........ (detail)" with .hresult (unsigned) and .member set.
[[noreturn]] void ThrowComError(const std::string& member, ole::HRESULT hr, const std::string& detail = {});
[[noreturn]] void ThrowCreationError(const std::string& what, ole::HRESULT hr, const std::string& detail = {});
// Issues tavlen.RefusalWarning "member: note" for a call that succeeded with a note; raises when the
// warning filters make it an error.
void WarnOfRefusal(const std::string& member, const std::string& note);

}  // namespace tavlen::python
