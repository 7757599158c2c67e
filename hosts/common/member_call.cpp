// One Invoke for every host, with the failure detail written once.
#include "hosts/common/member_call.h"

#include "platform/automation/hresult.h"

namespace tavlen::host {

MemberCall InvokeMember(ole::IDispatch* object, ole::DISPID id, uint16_t flags, ole::DispArgs& args) {
  MemberCall call;
  uint32_t argErr = UINT32_MAX;
  call.hr = object->Invoke(id, ole::IID_NULL, ole::LOCALE_USER_DEFAULT, flags, args.Params(), &call.result,
                           &call.exception, &argErr);
  if (!call.Failed()) {
    call.note = call.exception.description;
    return call;
  }
  call.result.Clear();
  if (call.hr == ole::DISP_E_EXCEPTION) {
    call.detail =
        call.exception.description.empty() ? ole::FormatHResult(call.exception.scode) : call.exception.description;
  } else if (argErr < args.Count() && (flags & ole::DISPATCH_METHOD)) {
    // argErr counts from the last argument.
    call.detail = "argument " + std::to_string(args.Count() - argErr);
  }
  return call;
}

MemberCall InvokeMemberByName(ole::IDispatch* object, std::string_view name, uint16_t flags, ole::DispArgs& args) {
  ole::DISPID id = ole::DISPID_UNKNOWN;
  if (ole::HRESULT hr = ole::GetDispId(object, name, &id); ole::FAILED(hr)) {
    MemberCall unknown;
    unknown.hr = hr;
    return unknown;
  }
  return InvokeMember(object, id, flags, args);
}

bool IsMethodByPropertyGet(ole::HRESULT hr) {
  return hr == ole::DISP_E_BADPARAMCOUNT || hr == ole::DISP_E_MEMBERNOTFOUND;
}

}  // namespace tavlen::host
