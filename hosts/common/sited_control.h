// Creating a control through the registry and siting it in a headless window, and the persistence a
// host offers around it: saved properties in, saved properties out, the modified flag.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "include/tavlen/control_window.h"
#include "platform/automation/com_ids.h"
#include "platform/automation/com_ptr.h"
#include "platform/automation/dispatch.h"

namespace tavlen::host {

inline constexpr int32_t kMaxClientSide = 32767;

struct SitedControl {
  ole::CLSID clsid;
  ole::ComPtr<ole::IDispatch> dispatch;
  ole::ComPtr<IControlWindow> site;  // null for an object that is no control in a headless window
};

// Creates the class named by ProgID or "{class identifier}" through the default registry and its
// class factory. A control starts from `properties` (the saved property text; empty: its defaults),
// is sited in a headless window of width x height client pixels and told `dialogAnswer`.
// Failures, with *out left empty: E_INVALIDARG for a side outside 1 ... kMaxClientSide; the registry's
// and the loader's failures (REGDB_E_CLASSNOTREG, CO_E_CLASSSTRING, CO_E_DLLNOTFOUND, CO_E_ERRORINDLL,
// the last with the loader's reason in *why); E_NOINTERFACE when properties are given to an object that
// cannot load them; the control's own failure to load them or to make its window.
ole::HRESULT CreateSitedControl(std::string_view progIdOrClsid, int32_t width, int32_t height,
                                const std::string& properties, const std::string& dialogAnswer, SitedControl* out,
                                std::string* why);

// The control's properties as saved text. A document that has written them clears the modified flag.
// E_NOINTERFACE for an object without property-bag persistence.
enum class ModifiedFlag { Keep, Clear };
ole::HRESULT SaveControlProperties(ole::IDispatch* control, ModifiedFlag flag, std::string* text);

// Whether the control has changes not yet saved. E_NOINTERFACE for an object that cannot say.
ole::HRESULT IsControlModified(ole::IDispatch* control, bool* modified);

// Whether the loader can tell that the class or its module is missing, rather than the object failing.
bool IsClassMissing(ole::HRESULT hr);

}  // namespace tavlen::host
