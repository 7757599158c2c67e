// Calling a member of an automation object the way every host does: one Invoke with an exception
// record, the failure's detail as hosts print it after the member's name and HRESULT, and the note of
// a call that answered as it always does (a file a decode limit refused).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/automation/dispatch.h"
#include "platform/automation/variant.h"

namespace tavlen::host {

struct MemberCall {
  ole::HRESULT hr = ole::S_OK;
  ole::Variant result;       // empty after a failure
  ole::EXCEPINFO exception;  // what the member raised, or the call's note
  // After a failure: the member's exception text (its code when it gave none), or "argument N" for
  // the method argument it refused; else empty.
  std::string detail;
  // After a success: why the call answered as it did; else empty.
  std::string note;

  bool Failed() const { return ole::FAILED(hr); }
};

// Invokes member `id` with `flags` and `args`. `object` must not be null.
MemberCall InvokeMember(ole::IDispatch* object, ole::DISPID id, uint16_t flags, ole::DispArgs& args);
// The same by name (any case); the object's lookup failure (DISP_E_UNKNOWNNAME), with nothing invoked,
// for a name it does not know.
MemberCall InvokeMemberByName(ole::IDispatch* object, std::string_view name, uint16_t flags, ole::DispArgs& args);

// Whether a member that failed a property get with `hr` is taken for a method: without a type
// description, a member that is no argument-less property is a method.
bool IsMethodByPropertyGet(ole::HRESULT hr);

}  // namespace tavlen::host
