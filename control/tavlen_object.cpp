// CTavlenObject: the control's interfaces towards its host, each forwarding to CTavlenCtrl or to the
// framework it derives from.
#include "control/tavlen_object.h"

#include "control/class_ids.h"
#include "control/module_services.h"
#include "control/resources.h"
#include "control/tavlen_interfaces.h"
#include "control/tavlen_library.h"
#include "platform/framework/backend_services.h"
#include "platform/graphics/limit_refusal.h"

namespace tavlen {

namespace {

// OLEMISC_RECOMPOSEONRESIZE | CANTLINKINSIDE | INSIDEOUT | ACTIVATEWHENVISIBLE | SIMPLEFRAME | SETCLIENTSITEFIRST
constexpr uint32_t kMiscStatus = ole::OLEMISC_RECOMPOSEONRESIZE | ole::OLEMISC_CANTLINKINSIDE | ole::OLEMISC_INSIDEOUT |
                                 ole::OLEMISC_ACTIVATEWHENVISIBLE | ole::OLEMISC_SIMPLEFRAME |
                                 ole::OLEMISC_SETCLIENTSITEFIRST;
static_assert(kMiscStatus == 0x30191);

// The description of one type of the module's library; null when it cannot be made.
ole::ComPtr<ole::ITypeInfo> TypeInfoOf(const ole::GUID& guid) {
  ole::ComPtr<ole::ITypeLib> lib;
  ole::ComPtr<ole::ITypeInfo> info;
  if (ole::SUCCEEDED(ole::CreateTypeLib(TavlenTypeLib(), lib.Put()))) (void)lib->GetTypeInfoOfGuid(guid, info.Put());
  return info;
}

}  // namespace

CTavlenObject::CTavlenObject(ControlVersion version)
    : m_events(ControllingUnknown(), EventTableOf(version).iid),
      m_ctrl(version, m_events),
      m_dispatch(ControllingUnknown(), DispatchTableOf(version), static_cast<CTavlenCtrl*>(&m_ctrl)) {
  m_dispatch.SetTypeInfo(TypeInfoOf(DispatchTableOf(version).iid));
  // Members answer a file that a decode limit refused with FALSE or nothing, as they always have; the
  // caller finds which limit it was in the call's note.
  ole::SetCallNoteSource(&gfx::TakeRefusalText);
  // A control made inside a desktop application uses its dialogs, printers and clipboard, when the
  // module carries a backend that offers them.
  fw::InstallBackendServices(&res::FindIcon);
}

CTavlenCtrl& CTavlenObject::Control() { return m_ctrl; }

ole::IUnknown* CTavlenObject::QueryExtraInterface(const ole::IID& iid) {
  // Version 2's interface holds every row of version 1's under the same DISPIDs, so it answers both.
  if (iid == ole::IID_IDispatch || iid == kDispatchIid || iid == m_dispatch.Table().iid) return &m_dispatch;
  if (iid == ole::IID_IConnectionPointContainer) return m_events.Container();
  // Every control hands out the module's one service object, a host's way to reach it.
  if (iid == IModuleServices::kIid) return &TheModuleServices();
  return nullptr;
}

// --- Stock events ---

void CTavlenObject::EventedCtrl::FireMouseMove(int16_t button, int16_t shift, int32_t x, int32_t y) {
  m_events.Fire(kDispidMouseMove, {ole::Variant(button), ole::Variant(shift), ole::Variant(x), ole::Variant(y)});
}

void CTavlenObject::EventedCtrl::FireMouseDown(int16_t button, int16_t shift, int32_t x, int32_t y) {
  m_events.Fire(kDispidMouseDown, {ole::Variant(button), ole::Variant(shift), ole::Variant(x), ole::Variant(y)});
}

void CTavlenObject::EventedCtrl::FireMouseUp(int16_t button, int16_t shift, int32_t x, int32_t y) {
  m_events.Fire(kDispidMouseUp, {ole::Variant(button), ole::Variant(shift), ole::Variant(x), ole::Variant(y)});
}

void CTavlenObject::EventedCtrl::FireClick() { m_events.Fire(kDispidClick, {}); }

void CTavlenObject::EventedCtrl::FireDblClick() { m_events.Fire(kDispidDblClick, {}); }

void CTavlenObject::EventedCtrl::FirePictureChanged() { m_events.Fire(kDispidPictureChanged, {}); }

// --- IOleObject ---

ole::HRESULT CTavlenObject::DoVerb(int32_t verb) {
  switch (verb) {
    case ole::OLEIVERB_PROPERTIES:
      m_ctrl.OnProperties();
      return ole::S_OK;
    // A headless control is always shown and in place once it has a window.
    case ole::OLEIVERB_PRIMARY:
    case ole::OLEIVERB_SHOW:
    case ole::OLEIVERB_HIDE:
    case ole::OLEIVERB_UIACTIVATE:
    case ole::OLEIVERB_INPLACEACTIVATE:
    case ole::OLEIVERB_DISCARDUNDOSTATE:
      return ole::S_OK;
    default:
      return ole::OLEOBJ_E_INVALIDVERB;
  }
}

ole::HRESULT CTavlenObject::GetUserClassID(ole::CLSID* clsid) {
  if (!clsid) return ole::E_POINTER;
  *clsid = m_ctrl.IsVersion2() ? kTavlen2Clsid : kTavlenClsid;
  return ole::S_OK;
}

ole::HRESULT CTavlenObject::GetMiscStatus(uint32_t aspect, ole::DWORD* status) {
  if (!status) return ole::E_POINTER;
  *status = aspect == ole::DVASPECT_CONTENT ? kMiscStatus : 0;
  return ole::S_OK;
}

ole::HRESULT CTavlenObject::Close(uint32_t /*saveOption*/) {
  // Without a client site there is nobody to save to; closing ends the connections and the window.
  m_events.DisconnectAll();
  (void)m_site.DestroyWindow();  // nothing to close without a window
  return ole::S_OK;
}

ole::HRESULT CTavlenObject::IsDirty() { return m_ctrl.IsModified() ? ole::S_OK : ole::S_FALSE; }

// --- IPersistPropertyBag ---

ole::HRESULT CTavlenObject::GetClassID(ole::CLSID* clsid) { return GetUserClassID(clsid); }

ole::HRESULT CTavlenObject::InitNew() {
  m_ctrl.InitNew();
  return ole::S_OK;
}

ole::HRESULT CTavlenObject::Load(ole::IPropertyBag* bag) {
  if (!bag) return ole::E_POINTER;
  ole::Variant value;
  ole::HRESULT hr = bag->Read(kPropertyBagValue, &value);
  fw::PropertyBag properties;
  if (ole::SUCCEEDED(hr)) {
    if (value.Type() != ole::VT_BSTR) return ole::E_INVALIDARG;
    // A damaged text keeps what was complete before the damage; the rest takes the defaults.
    (void)properties.Parse(value.Bstr());
  } else if (hr != ole::E_INVALIDARG) {
    return hr;
  }
  // A bag without the control's value is a fresh start: every property takes its default.
  m_ctrl.Load(properties);
  return ole::S_OK;
}

ole::HRESULT CTavlenObject::Save(ole::IPropertyBag* bag, ole::BOOL clearDirty, ole::BOOL /*saveAllProperties*/) {
  if (!bag) return ole::E_POINTER;
  const win::BOOL wasModified = m_ctrl.IsModified();
  fw::PropertyBag properties;
  m_ctrl.Save(properties);
  ole::HRESULT hr = bag->Write(kPropertyBagValue, ole::Variant(properties.ToText()));
  // The framework's save clears the flag; a host that asks to keep it, or whose bag failed, keeps it.
  if (!clearDirty || ole::FAILED(hr)) m_ctrl.SetModifiedFlag(wasModified);
  return hr;
}

// --- ISpecifyPropertyPages, IProvideClassInfo ---

ole::HRESULT CTavlenObject::GetPages(std::vector<ole::CLSID>* pages) {
  if (!pages) return ole::E_POINTER;
  *pages = {kTavlenPropPageClsid};
  return ole::S_OK;
}

ole::HRESULT CTavlenObject::GetClassInfo(ole::ITypeInfo** info) {
  if (!info) return ole::E_POINTER;
  *info = nullptr;
  ole::ComPtr<ole::ITypeInfo> found = TypeInfoOf(m_ctrl.IsVersion2() ? kTavlen2Clsid : kTavlenClsid);
  if (!found) return ole::E_FAIL;
  return found.CopyTo(info);
}

// --- IControlWindow: the framework's headless site, its outcomes as HRESULTs ---

namespace {

ole::HRESULT ToHresult(fw::HeadlessSite::Outcome outcome, ole::HRESULT failed = ole::E_FAIL) {
  switch (outcome) {
    case fw::HeadlessSite::Outcome::Done:
      return ole::S_OK;
    case fw::HeadlessSite::Outcome::NoWindow:
      return ole::E_UNEXPECTED;
    case fw::HeadlessSite::Outcome::BadArgument:
      return ole::E_INVALIDARG;
    case fw::HeadlessSite::Outcome::Failed:
      return failed;
  }
  return ole::E_UNEXPECTED;
}

}  // namespace

ole::HRESULT CTavlenObject::CreateControlWindow(int32_t width, int32_t height) {
  return ToHresult(m_site.CreateWindow(width, height), ole::E_OUTOFMEMORY);
}

int32_t CTavlenObject::Pump() { return m_site.Pump(); }

ole::HRESULT CTavlenObject::GetClientSize(int32_t* width, int32_t* height) {
  if (!width || !height) return ole::E_POINTER;
  *width = *height = 0;
  return ToHresult(m_site.ClientSize(*width, *height));
}

ole::HRESULT CTavlenObject::SetScrollBarThickness(int32_t pixels) {
  return ToHresult(m_site.SetScrollBarThickness(pixels));
}

ole::HRESULT CTavlenObject::GetScrollBar(int32_t bar, win::ScrollBarState* state) {
  if (!state) return ole::E_POINTER;
  *state = {};
  return ToHresult(m_site.ScrollBar(bar, *state));
}

ole::HRESULT CTavlenObject::SaveClientPng(const std::string& path) { return ToHresult(m_site.SaveClientPng(path)); }

win::COLORREF CTavlenObject::GetClientPixel(int32_t x, int32_t y) { return m_site.ClientPixel(x, y); }

void* CTavlenObject::NativeWidget() {
  win::Window* window = m_ctrl.GetWindow();
  return window ? window->NativeWidget() : nullptr;
}

ole::HRESULT CTavlenObject::MouseMove(uint32_t keys, int32_t x, int32_t y) {
  return ToHresult(m_site.MouseMove(keys, x, y));
}

ole::HRESULT CTavlenObject::MouseButton(uint32_t message, uint32_t keys, int32_t x, int32_t y) {
  return ToHresult(m_site.MouseButton(message, keys, x, y));
}

ole::HRESULT CTavlenObject::MouseWheel(uint32_t keys, int16_t delta, int32_t x, int32_t y, win::BOOL* handled) {
  win::BOOL result = win::FALSE;
  const ole::HRESULT hr = ToHresult(m_site.MouseWheel(keys, delta, x, y, result));
  if (handled) *handled = result;
  return hr;
}

ole::HRESULT CTavlenObject::Scroll(int32_t bar, uint32_t code, uint32_t thumbPosition) {
  return ToHresult(m_site.Scroll(bar, code, thumbPosition));
}

ole::HRESULT CTavlenObject::DestroyControlWindow() { return ToHresult(m_site.DestroyWindow()); }

ole::HRESULT CTavlenObject::RecreateControlWindow() { return ToHresult(m_site.RecreateWindow()); }

ole::HRESULT CTavlenObject::ResetState() {
  m_ctrl.OnResetState();
  return ole::S_OK;
}

}  // namespace tavlen
