// Creating a control: found through the registry and its class factory, sited in a headless window,
// started from its defaults or from saved properties, described, and handed to the script as a proxy.
#include "hosts/tavlen/control_creation.h"

#include <new>

#include "hosts/tavlen/control_proxy.h"
#include "hosts/tavlen/desktop_mode.h"
#include "hosts/tavlen/memory_property_bag.h"
#include "platform/automation/loader.h"
#include "platform/automation/ole_object.h"
#include "platform/automation/registration.h"
#include "platform/automation/registry.h"
#include "platform/base/file_io.h"

namespace tavlen::host {

namespace {

// Saved properties are a few hundred bytes of text; a file far larger is not one.
constexpr uint64_t kMaxPropertiesBytes = 16 << 20;

// A new control starts from its defaults, or from the saved text in the control's property bag value.
ole::HRESULT InitialiseProperties(const ole::ComPtr<ole::IDispatch>& dispatch, const std::string& properties) {
  ole::ComPtr<ole::IPersistPropertyBag> persist;
  ole::HRESULT hr = dispatch.As(&persist);
  if (ole::FAILED(hr)) return properties.empty() ? ole::S_OK : hr;
  if (properties.empty()) return persist->InitNew();
  auto bag = ole::ComPtr<MemoryPropertyBag>::Attach(new (std::nothrow) MemoryPropertyBag());
  if (!bag) return ole::E_OUTOFMEMORY;
  (void)bag->Write(kPropertyBagValue, ole::Variant(properties));
  return persist->Load(bag.Get());
}

}  // namespace

NativeResult CreateControl(duk_context* ctx, const std::string& progIdOrClsid, int32_t width, int32_t height,
                           const std::string& propertiesFile) {
  const std::string what = "CreateControl(\"" + progIdOrClsid + "\")";
  if (width < 1 || height < 1 || width > 32767 || height > 32767) {
    return NativeResult::Range(what + ": the client size must be 1 ... 32767 pixels a side");
  }
  std::string properties;
  if (!propertiesFile.empty()) {
    if (base::ReadWholeFile(propertiesFile, properties, kMaxPropertiesBytes) != 0) {
      return NativeResult::Fail(what + ": cannot read " + propertiesFile);
    }
  }
  ole::Registry registry = ole::Registry::Default();
  ole::CLSID clsid;
  ole::HRESULT hr = ole::CLSIDFromProgIDOrString(registry, progIdOrClsid, &clsid);
  if (ole::FAILED(hr)) return NativeResult::Failed(what, hr);
  ole::ComPtr<ole::IDispatch> dispatch;
  hr = ole::CreateObject(registry, progIdOrClsid, ole::IID_IDispatch, dispatch.PutVoid());
  if (ole::FAILED(hr)) {
    std::string why = hr == ole::CO_E_ERRORINDLL ? ole::LastLoadError() : std::string();
    return NativeResult::Failed(what, hr, why);
  }
  HostState& state = StateOf(ctx);
  Control& control = state.controls->Add(progIdOrClsid, dispatch);
  (void)dispatch.As(&control.site);
  if (control.site) {
    ole::ComPtr<IControlWindow> site = control.site;
    std::string why;
    hr = InitialiseProperties(dispatch, properties);
    if (ole::SUCCEEDED(hr)) hr = site->CreateControlWindow(width, height);
    if (ole::SUCCEEDED(hr)) hr = PresentOnDesktop(&site, dispatch.Get(), &why);
    if (ole::SUCCEEDED(hr)) control.site = site;
    if (ole::SUCCEEDED(hr)) hr = state.controls->Services().Link(dispatch.Get(), &control.linked);
    if (ole::FAILED(hr)) {
      state.controls->Release(control.id);
      return NativeResult::Failed(what, hr, why);
    }
    (void)PumpControl(control);
  } else if (!properties.empty()) {
    state.controls->Release(control.id);
    return NativeResult::Failed(what, ole::E_NOINTERFACE, "the object cannot load saved properties");
  }
  control.description = DescribeObject(control.dispatch.Get(), &clsid);
  PushControl(ctx, control);
  return FinishControlCall(ctx, &control, NativeResult::Values(1));
}

}  // namespace tavlen::host
