// Creation and persistence of controls for hosts, over the registry, the loader and the control's
// persistence interfaces; the property bag here holds just the one value the control saves.
#include "hosts/common/sited_control.h"

#include <new>

#include "include/tavlen/module_services.h"
#include "platform/automation/com_object.h"
#include "platform/automation/loader.h"
#include "platform/automation/ole_object.h"
#include "platform/automation/registration.h"
#include "platform/automation/registry.h"

namespace tavlen::host {

namespace {

// The control saves all its properties as one text value (kPropertyBagValue); nothing else is kept.
class SavedTextBag final : public ole::ComObject<ole::IPropertyBag> {
 public:
  explicit SavedTextBag(std::string text) : m_text(std::move(text)), m_present(!m_text.empty()) {}

  ole::HRESULT Read(const char* name, ole::Variant* value) override {
    if (!name || !value) return ole::E_POINTER;
    if (!m_present || std::string_view(name) != kPropertyBagValue) return ole::E_INVALIDARG;
    ole::VARTYPE wanted = value->Type() == ole::VT_EMPTY ? ole::VARTYPE{ole::VT_BSTR} : value->Type();
    return ole::VariantChangeType(value, ole::Variant(m_text), 0, wanted);
  }
  ole::HRESULT Write(const char* name, const ole::Variant& value) override {
    if (!name) return ole::E_POINTER;
    if (std::string_view(name) != kPropertyBagValue) return ole::S_OK;
    ole::Variant text;
    ole::HRESULT hr = ole::VariantChangeType(&text, value, 0, ole::VT_BSTR);
    if (ole::FAILED(hr)) return hr;
    m_text = text.Bstr();
    m_present = true;
    return ole::S_OK;
  }

  bool Present() const { return m_present; }
  const std::string& Text() const { return m_text; }

 private:
  std::string m_text;
  bool m_present;
};

ole::HRESULT InitialiseProperties(ole::IDispatch* dispatch, const std::string& properties) {
  ole::ComPtr<ole::IPersistPropertyBag> persist;
  ole::HRESULT hr = dispatch->QueryInterface(ole::IID_IPersistPropertyBag, persist.PutVoid());
  if (ole::FAILED(hr)) return properties.empty() ? ole::S_OK : ole::E_NOINTERFACE;
  if (properties.empty()) return persist->InitNew();
  auto bag = ole::MakeObject<SavedTextBag>(properties);
  if (!bag) return ole::E_OUTOFMEMORY;
  return persist->Load(bag.Get());
}

}  // namespace

ole::HRESULT CreateSitedControl(std::string_view progIdOrClsid, int32_t width, int32_t height,
                                const std::string& properties, const std::string& dialogAnswer, SitedControl* out,
                                std::string* why) {
  if (!out) return ole::E_POINTER;
  *out = SitedControl();
  if (width < 1 || height < 1 || width > kMaxClientSide || height > kMaxClientSide) return ole::E_INVALIDARG;
  ole::Registry registry = ole::Registry::Default();
  SitedControl created;
  ole::HRESULT hr = ole::CLSIDFromProgIDOrString(registry, progIdOrClsid, &created.clsid);
  if (ole::SUCCEEDED(hr))
    hr = ole::CoCreateInstance(registry, created.clsid, nullptr, ole::IID_IDispatch, created.dispatch.PutVoid());
  if (ole::FAILED(hr)) {
    if (why && hr == ole::CO_E_ERRORINDLL) *why = ole::LastLoadError();
    return hr;
  }
  (void)created.dispatch.As(&created.site);
  if (!created.site) {
    if (!properties.empty()) return ole::E_NOINTERFACE;
    *out = std::move(created);
    return ole::S_OK;
  }
  hr = InitialiseProperties(created.dispatch.Get(), properties);
  if (ole::SUCCEEDED(hr)) hr = created.site->CreateControlWindow(width, height);
  if (ole::SUCCEEDED(hr) && !dialogAnswer.empty()) {
    ole::ComPtr<IModuleServices> services;
    hr = created.dispatch.As(&services);
    if (ole::SUCCEEDED(hr)) hr = services->SetDialogAnswer(dialogAnswer);
  }
  if (ole::FAILED(hr)) return hr;
  (void)created.site->Pump();
  *out = std::move(created);
  return ole::S_OK;
}

ole::HRESULT SaveControlProperties(ole::IDispatch* control, ModifiedFlag flag, std::string* text) {
  if (!control || !text) return ole::E_POINTER;
  ole::ComPtr<ole::IPersistPropertyBag> persist;
  ole::HRESULT hr = control->QueryInterface(ole::IID_IPersistPropertyBag, persist.PutVoid());
  if (ole::FAILED(hr)) return ole::E_NOINTERFACE;
  auto bag = ole::MakeObject<SavedTextBag>(std::string());
  if (!bag) return ole::E_OUTOFMEMORY;
  hr = persist->Save(bag.Get(), flag == ModifiedFlag::Clear ? 1 : 0, /*saveAllProperties=*/0);
  if (ole::FAILED(hr)) return hr;
  if (!bag->Present()) return ole::E_UNEXPECTED;
  *text = bag->Text();
  return ole::S_OK;
}

ole::HRESULT IsControlModified(ole::IDispatch* control, bool* modified) {
  if (!control || !modified) return ole::E_POINTER;
  ole::ComPtr<ole::IOleObject> object;
  ole::HRESULT hr = control->QueryInterface(ole::IID_IOleObject, object.PutVoid());
  if (ole::SUCCEEDED(hr)) hr = object->IsDirty();
  if (ole::FAILED(hr)) return hr;
  *modified = hr == ole::S_OK;
  return ole::S_OK;
}

bool IsClassMissing(ole::HRESULT hr) {
  return hr == ole::REGDB_E_CLASSNOTREG || hr == ole::CO_E_CLASSSTRING || hr == ole::CO_E_DLLNOTFOUND ||
         hr == ole::CO_E_ERRORINDLL || hr == ole::REGDB_E_READREGDB || hr == ole::CLASS_E_CLASSNOTAVAILABLE;
}

}  // namespace tavlen::host
