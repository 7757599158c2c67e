// Control proxies: the get/set/has traps and method functions that turn script property access into
// IDispatch calls, type descriptions that tell methods from properties, event sinks, and creation.
#include "hosts/tavlen/control_proxy.h"

#include <cstdlib>
#include <fstream>
#include <new>
#include <sstream>

#include "hosts/tavlen/property_bag.h"
#include "hosts/tavlen/variant_js.h"
#include "platform/automation/loader.h"
#include "platform/automation/ole_object.h"
#include "platform/automation/registration.h"
#include "platform/automation/registry.h"

namespace tavlen::host {

namespace {

constexpr const char* kIdKey = DUK_HIDDEN_SYMBOL("tavlenControlId");
constexpr const char* kDispIdKey = DUK_HIDDEN_SYMBOL("tavlenDispId");
constexpr const char* kNameKey = DUK_HIDDEN_SYMBOL("tavlenName");
constexpr const char* kHandlersKey = DUK_HIDDEN_SYMBOL("tavlenHandlers");

int32_t IdOf(duk_context* ctx, duk_idx_t index) {
  if (!duk_is_object(ctx, index)) return 0;
  duk_get_prop_string(ctx, index, kIdKey);  // hidden symbols bypass proxy traps
  int32_t id = duk_is_number(ctx, -1) ? duk_get_int(ctx, -1) : 0;
  duk_pop(ctx);
  return id;
}

std::function<ole::IDispatch*(duk_idx_t)> DispatchOfArg(duk_context* ctx) {
  return [ctx](duk_idx_t index) -> ole::IDispatch* {
    Control* control = ControlAt(ctx, index);
    return control ? control->dispatch.Get() : nullptr;
  };
}

std::function<void(ole::IDispatch*)> PushReturnedObject(duk_context* ctx, const std::string& name) {
  return [ctx, name](ole::IDispatch* dispatch) {
    Control& added = StateOf(ctx).controls->Add(name, ole::ComPtr<ole::IDispatch>(dispatch));
    PushControl(ctx, added);
  };
}

// Methods and properties of a dispatch interface by DISPID.
void ReadMembers(ole::ITypeInfo* info, std::map<ole::DISPID, MemberKind>* members) {
  ole::TypeAttr attr;
  if (ole::FAILED(info->GetTypeAttr(&attr))) return;
  for (uint32_t i = 0; i < attr.funcCount; ++i) {
    ole::FuncDesc func;
    if (ole::FAILED(info->GetFuncDesc(i, &func))) continue;
    (*members)[func.memid] = func.invokeKind == ole::INVOKE_FUNC ? MemberKind::Method : MemberKind::Property;
  }
  for (uint32_t i = 0; i < attr.varCount; ++i) {
    ole::VarDesc var;
    if (ole::SUCCEEDED(info->GetVarDesc(i, &var))) (*members)[var.memid] = MemberKind::Property;
  }
}

void ReadEventNames(ole::ITypeInfo* info, std::map<ole::DISPID, std::string>* names) {
  ole::TypeAttr attr;
  if (ole::FAILED(info->GetTypeAttr(&attr))) return;
  for (uint32_t i = 0; i < attr.funcCount; ++i) {
    ole::FuncDesc func;
    if (ole::SUCCEEDED(info->GetFuncDesc(i, &func))) (*names)[func.memid] = func.name;
  }
}

// The type library registered for a class (CLSID\{clsid}\TypeLib and \Version).
ole::ComPtr<ole::ITypeLib> RegisteredTypeLib(const ole::CLSID& clsid) {
  ole::RegistryData data;
  if (ole::FAILED(ole::Registry::Default().Load(&data))) return nullptr;
  std::string classKey = "CLSID\\" + ole::FormatGuid(clsid);
  std::optional<std::string> libText = data.GetValue(classKey + "\\TypeLib");
  std::optional<ole::GUID> libid = libText ? ole::ParseGuid(*libText) : std::nullopt;
  if (!libid) return nullptr;
  // Any minor version of the registered major version will do.
  uint16_t major = 1;
  if (std::optional<std::string> version = data.GetValue(classKey + "\\Version")) {
    major = static_cast<uint16_t>(std::strtoul(version->c_str(), nullptr, 16));
  }
  ole::ComPtr<ole::ITypeLib> lib;
  if (ole::FAILED(ole::LoadRegTypeLib(*libid, major, 0, 0, lib.Put()))) return nullptr;
  return lib;
}

// Finds the control's type description: through IDispatch, through its class information, or through
// the type library registered for its class.
void Describe(Control& control, const ole::CLSID* clsid) {
  ole::ComPtr<ole::ITypeInfo> dispatchInfo;
  uint32_t count = 0;
  if (ole::SUCCEEDED(control.dispatch->GetTypeInfoCount(&count)) && count > 0) {
    (void)control.dispatch->GetTypeInfo(0, ole::LOCALE_USER_DEFAULT, dispatchInfo.Put());
  }
  ole::ComPtr<ole::ITypeLib> lib;
  uint32_t index = 0;
  if (dispatchInfo) (void)dispatchInfo->GetContainingTypeLib(lib.Put(), &index);
  ole::ComPtr<ole::ITypeInfo> classInfo;
  ole::ComPtr<ole::IProvideClassInfo> provide;
  if (ole::SUCCEEDED(ole::ComPtr<ole::IDispatch>(control.dispatch).As(&provide)) &&
      ole::SUCCEEDED(provide->GetClassInfo(classInfo.Put())) && !lib) {
    (void)classInfo->GetContainingTypeLib(lib.Put(), &index);
  }
  if (!lib && clsid) lib = RegisteredTypeLib(*clsid);
  if (!classInfo && lib && clsid) (void)lib->GetTypeInfoOfGuid(*clsid, classInfo.Put());

  ole::ComPtr<ole::ITypeInfo> eventInfo;
  ole::TypeAttr classAttr;
  if (classInfo && ole::SUCCEEDED(classInfo->GetTypeAttr(&classAttr)) && classAttr.kind == ole::TKIND_COCLASS) {
    for (uint32_t i = 0; i < classAttr.implTypeCount; ++i) {
      int32_t flags = 0;
      ole::ComPtr<ole::ITypeInfo> implemented;
      if (ole::FAILED(classInfo->GetImplType(i, &flags, implemented.Put()))) continue;
      if (!(flags & ole::IMPLTYPEFLAG_FDEFAULT)) continue;
      if (flags & ole::IMPLTYPEFLAG_FSOURCE) {
        eventInfo = implemented;
      } else if (!dispatchInfo) {
        dispatchInfo = implemented;
      }
    }
  }
  if (dispatchInfo) {
    ReadMembers(dispatchInfo.Get(), &control.members);
    control.described = true;
  }
  if (eventInfo) ReadEventNames(eventInfo.Get(), &control.eventNames);
  control.typeLib = lib;
}

// Receives a control's events and calls the script's handlers as handler(name, args).
class EventSink final : public ole::ComObject<ole::IDispatch> {
 public:
  EventSink(duk_context* ctx, int32_t controlId) : m_ctx(ctx), m_controlId(controlId) {}

  ole::HRESULT GetTypeInfoCount(uint32_t* count) override {
    if (!count) return ole::E_POINTER;
    *count = 0;
    return ole::S_OK;
  }
  ole::HRESULT GetTypeInfo(uint32_t, ole::LCID, ole::ITypeInfo** info) override {
    if (info) *info = nullptr;
    return ole::DISP_E_BADINDEX;
  }
  ole::HRESULT GetIDsOfNames(const ole::IID&, const char* const*, uint32_t count, ole::LCID,
                             ole::DISPID* ids) override {
    for (uint32_t i = 0; ids && i < count; ++i) ids[i] = ole::DISPID_UNKNOWN;
    return ole::DISP_E_UNKNOWNNAME;
  }
  ole::HRESULT Invoke(ole::DISPID id, const ole::IID&, ole::LCID, uint16_t, ole::DISPPARAMS* params,
                      ole::Variant* result, ole::EXCEPINFO*, uint32_t*) override {
    if (result) result->Clear();
    Control* control = StateOf(m_ctx).controls->Find(m_controlId);
    if (!control) return ole::S_OK;
    auto known = control->eventNames.find(id);
    std::string name = known != control->eventNames.end() ? known->second : "Event" + std::to_string(id);
    std::vector<ole::Variant> args;
    if (params) {
      // rgvarg holds the last argument first; named arguments (first cNamedArgs entries) are not passed on.
      for (uint32_t i = params->cArgs; i > params->cNamedArgs; --i) args.push_back(params->rgvarg[i - 1]);
    }
    CallHandlers(name, args);
    return ole::S_OK;
  }

 private:
  void CallHandlers(const std::string& name, const std::vector<ole::Variant>& args) {
    duk_context* ctx = m_ctx;
    duk_push_global_stash(ctx);
    duk_get_prop_string(ctx, -1, kHandlersKey);
    duk_get_prop_index(ctx, -1, static_cast<duk_uarridx_t>(m_controlId));
    if (duk_is_array(ctx, -1)) {
      duk_size_t handlers = duk_get_length(ctx, -1);
      for (duk_size_t h = 0; h < handlers; ++h) {
        duk_get_prop_index(ctx, -1, static_cast<duk_uarridx_t>(h));
        duk_push_lstring(ctx, name.data(), name.size());
        duk_idx_t array = duk_push_array(ctx);
        for (size_t a = 0; a < args.size(); ++a) {
          PushVariant(ctx, args[a], PushReturnedObject(ctx, name));
          duk_put_prop_index(ctx, array, static_cast<duk_uarridx_t>(a));
        }
        if (duk_pcall(ctx, 2) != 0) {
          StashHandlerError(ctx);
        } else {
          duk_pop(ctx);
        }
      }
    }
    duk_pop_3(ctx);
  }

  duk_context* m_ctx;
  int32_t m_controlId;
};

// Invokes a member and converts failures into a script error naming it.
NativeResult InvokeMember(Control* control, const std::string& name, ole::DISPID id, uint16_t flags,
                          ole::DispArgs& args, ole::Variant* result) {
  ole::ComPtr<ole::IDispatch> keep = control->dispatch;  // a handler may release the control meanwhile
  ole::EXCEPINFO exception;
  uint32_t argErr = UINT32_MAX;
  ole::HRESULT hr =
      keep->Invoke(id, ole::IID_NULL, ole::LOCALE_USER_DEFAULT, flags, args.Params(), result, &exception, &argErr);
  if (ole::FAILED(hr)) {
    std::string detail;
    if (hr == ole::DISP_E_EXCEPTION) {
      detail = exception.description.empty() ? ole::FormatHResult(exception.scode) : exception.description;
    } else if (argErr < args.Count() && (flags & ole::DISPATCH_METHOD)) {
      detail = "argument " + std::to_string(args.Count() - argErr);
    }
    return NativeResult::Failed(name, hr, detail);
  }
  return NativeResult::None();
}

// The end of a call into a control that failed: the window is still pumped, and the failure is what the
// script sees (a handler's error raised on the way is less telling than the failure itself).
NativeResult FailControlCall(duk_context* ctx, Control* control, NativeResult failure) {
  NativeResult pending = FinishControlCall(ctx, control, NativeResult::None());
  if (pending.kind == NativeResult::Kind::Rethrow) duk_pop(ctx);
  return failure;
}

Control* TargetControl(duk_context* ctx, const std::string& name, NativeResult* failure) {
  int32_t id = IdOf(ctx, 0);
  Control* control = StateOf(ctx).controls->Find(id);
  if (!control) *failure = NativeResult::Fail(name + ": the control was released");
  return control;
}

NativeResult CallMethod(duk_context* ctx) {
  duk_push_current_function(ctx);
  duk_get_prop_string(ctx, -1, kIdKey);
  int32_t id = duk_get_int(ctx, -1);
  duk_get_prop_string(ctx, -2, kDispIdKey);
  ole::DISPID dispid = duk_get_int(ctx, -1);
  duk_get_prop_string(ctx, -3, kNameKey);
  std::string name = duk_get_string(ctx, -1) ? duk_get_string(ctx, -1) : "";
  duk_pop_n(ctx, 4);
  Control* control = StateOf(ctx).controls->Find(id);
  if (!control) return NativeResult::Fail(name + ": the control was released");

  ole::DispArgs args;
  duk_idx_t count = duk_get_top(ctx);
  for (duk_idx_t i = 0; i < count; ++i) {
    ole::Variant value;
    std::string why;
    if (!ToVariant(ctx, i, DispatchOfArg(ctx), &value, &why)) {
      return NativeResult::Type(name + ": argument " + std::to_string(i + 1) + " is " + why);
    }
    args.Append(std::move(value));
  }
  ole::Variant result;
  NativeResult outcome = InvokeMember(control, name, dispid, ole::DISPATCH_METHOD, args, &result);
  if (outcome.kind != NativeResult::Kind::Values) return FailControlCall(ctx, control, std::move(outcome));
  PushVariant(ctx, result, PushReturnedObject(ctx, name));
  return FinishControlCall(ctx, control, NativeResult::Values(1));
}

void PushMethod(duk_context* ctx, const Control& control, ole::DISPID dispid, const std::string& name) {
  duk_push_c_function(ctx, Native<CallMethod>, DUK_VARARGS);
  duk_push_int(ctx, control.id);
  duk_put_prop_string(ctx, -2, kIdKey);
  duk_push_int(ctx, dispid);
  duk_put_prop_string(ctx, -2, kDispIdKey);
  duk_push_lstring(ctx, name.data(), name.size());
  duk_put_prop_string(ctx, -2, kNameKey);
}

NativeResult DescribeControl(duk_context* ctx) {
  duk_push_this(ctx);
  Control* control = ControlAt(ctx, -1);
  std::string text = "[object " + (control ? control->name : std::string("released control")) + "]";
  duk_pop(ctx);
  duk_push_lstring(ctx, text.data(), text.size());
  return NativeResult::Values(1);
}

NativeResult GetTrap(duk_context* ctx) {
  if (!duk_is_string(ctx, 1) || duk_is_symbol(ctx, 1)) {
    duk_push_undefined(ctx);
    return NativeResult::Values(1);
  }
  std::string key = duk_get_string(ctx, 1);
  NativeResult failure;
  Control* control = TargetControl(ctx, key, &failure);
  if (!control) return failure;
  ole::DISPID id = ole::DISPID_UNKNOWN;
  ole::HRESULT hr = ole::GetDispId(control->dispatch.Get(), key, &id);
  if (ole::FAILED(hr)) {
    // Conversions the engine asks for on its own get the plain object behaviour.
    if (key == "toString") {
      duk_push_c_function(ctx, Native<DescribeControl>, 0);
      return NativeResult::Values(1);
    }
    if (key == "valueOf" || key == "toJSON") {
      duk_push_undefined(ctx);
      return NativeResult::Values(1);
    }
    return NativeResult::Failed(key, hr);
  }
  auto known = control->members.find(id);
  MemberKind kind = known != control->members.end() ? known->second : MemberKind::Unknown;
  if (kind == MemberKind::Method) {
    PushMethod(ctx, *control, id, key);
    return NativeResult::Values(1);
  }
  ole::DispArgs none;
  ole::Variant result;
  ole::ComPtr<ole::IDispatch> keep = control->dispatch;
  ole::EXCEPINFO exception;
  uint32_t argErr = 0;
  hr = keep->Invoke(id, ole::IID_NULL, ole::LOCALE_USER_DEFAULT, ole::DISPATCH_PROPERTYGET, none.Params(), &result,
                    &exception, &argErr);
  if (kind == MemberKind::Unknown && (hr == ole::DISP_E_BADPARAMCOUNT || hr == ole::DISP_E_MEMBERNOTFOUND)) {
    // Without a type description, a member that is no argument-less property is taken for a method.
    PushMethod(ctx, *control, id, key);
    return NativeResult::Values(1);
  }
  if (ole::FAILED(hr)) {
    std::string detail = hr == ole::DISP_E_EXCEPTION ? exception.description : std::string();
    return FailControlCall(ctx, control, NativeResult::Failed(key, hr, detail));
  }
  PushVariant(ctx, result, PushReturnedObject(ctx, key));
  return FinishControlCall(ctx, control, NativeResult::Values(1));
}

NativeResult SetTrap(duk_context* ctx) {
  if (!duk_is_string(ctx, 1) || duk_is_symbol(ctx, 1)) return NativeResult::Type("a control has no symbol properties");
  std::string key = duk_get_string(ctx, 1);
  NativeResult failure;
  Control* control = TargetControl(ctx, key, &failure);
  if (!control) return failure;
  ole::DISPID id = ole::DISPID_UNKNOWN;
  ole::HRESULT hr = ole::GetDispId(control->dispatch.Get(), key, &id);
  if (ole::FAILED(hr)) return NativeResult::Failed(key, hr);
  ole::Variant value;
  std::string why;
  if (!ToVariant(ctx, 2, DispatchOfArg(ctx), &value, &why)) return NativeResult::Type(key + ": the value is " + why);
  uint16_t flags = value.Type() == ole::VT_DISPATCH ? ole::DISPATCH_PROPERTYPUTREF : ole::DISPATCH_PROPERTYPUT;
  ole::DispArgs args = ole::DispArgs::ForPut(std::move(value));
  NativeResult outcome = InvokeMember(control, key, id, flags, args, nullptr);
  if (outcome.kind != NativeResult::Kind::Values) return FailControlCall(ctx, control, std::move(outcome));
  duk_push_true(ctx);
  return FinishControlCall(ctx, control, NativeResult::Values(1));
}

NativeResult HasTrap(duk_context* ctx) {
  bool found = false;
  if (duk_is_string(ctx, 1) && !duk_is_symbol(ctx, 1)) {
    std::string key = duk_get_string(ctx, 1);
    NativeResult failure;
    Control* control = TargetControl(ctx, key, &failure);
    if (!control) return failure;
    ole::DISPID id = ole::DISPID_UNKNOWN;
    found = ole::SUCCEEDED(ole::GetDispId(control->dispatch.Get(), key, &id));
  }
  duk_push_boolean(ctx, found);
  return NativeResult::Values(1);
}

std::string ReadWholeFile(const std::string& path, bool* ok) {
  std::ifstream in(path, std::ios::binary);
  *ok = static_cast<bool>(in);
  std::ostringstream text;
  if (*ok) text << in.rdbuf();
  return text.str();
}

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

int32_t PumpControl(Control& control) {
  if (!control.site) return 0;
  ole::ComPtr<IHeadlessControl> site = control.site;
  int32_t paints = site->Pump();
  control.paintCount += paints;
  return paints;
}

Control& ControlTable::Add(std::string name, ole::ComPtr<ole::IDispatch> dispatch) {
  auto control = std::make_unique<Control>();
  control->id = m_nextId++;
  control->name = std::move(name);
  control->dispatch = std::move(dispatch);
  Control& added = *control;
  m_controls.emplace(added.id, std::move(control));
  return added;
}

Control* ControlTable::Find(int32_t id) {
  auto found = m_controls.find(id);
  return found == m_controls.end() || found->second->released ? nullptr : found->second.get();
}

void ControlTable::Release(int32_t id) {
  Control* control = Find(id);
  if (!control) return;
  control->released = true;
  if (control->eventPoint) (void)control->eventPoint->Unadvise(control->eventCookie);
  control->eventPoint.Reset();
  control->eventSink.Reset();
  control->typeLib.Reset();
  control->site.Reset();
  control->dispatch.Reset();
}

void ControlTable::ReleaseAll() {
  // Newest first: an object a control returned goes before the control.
  for (auto it = m_controls.rbegin(); it != m_controls.rend(); ++it) Release(it->first);
  m_controls.clear();
  ole::CoFreeUnusedLibraries();
}

std::vector<Control*> ControlTable::Live() {
  std::vector<Control*> live;
  for (auto& [id, control] : m_controls) {
    if (!control->released) live.push_back(control.get());
  }
  return live;
}

void PushControl(duk_context* ctx, const Control& control) {
  duk_push_object(ctx);  // the target: holds only the id
  duk_push_int(ctx, control.id);
  duk_put_prop_string(ctx, -2, kIdKey);
  duk_push_object(ctx);
  duk_push_c_function(ctx, Native<GetTrap>, 3);
  duk_put_prop_string(ctx, -2, "get");
  duk_push_c_function(ctx, Native<SetTrap>, 4);
  duk_put_prop_string(ctx, -2, "set");
  duk_push_c_function(ctx, Native<HasTrap>, 2);
  duk_put_prop_string(ctx, -2, "has");
  duk_push_proxy(ctx, 0);
}

Control* ControlAt(duk_context* ctx, duk_idx_t index) { return StateOf(ctx).controls->Find(IdOf(ctx, index)); }

bool IsControlValue(duk_context* ctx, duk_idx_t index) { return IdOf(ctx, index) != 0; }

NativeResult FinishControlCall(duk_context* ctx, Control* control, NativeResult success) {
  HostState& state = StateOf(ctx);
  if (state.autoPump && control && !control->released) (void)PumpControl(*control);
  NativeResult pending;
  if (TakePendingError(ctx, &pending)) return pending;
  return success;
}

NativeResult AddEventHandler(duk_context* ctx, Control& control, duk_idx_t index) {
  index = duk_normalize_index(ctx, index);
  if (!control.eventPoint) {
    ole::ComPtr<ole::IConnectionPointContainer> container;
    ole::HRESULT hr = ole::ComPtr<ole::IDispatch>(control.dispatch).As(&container);
    if (ole::FAILED(hr)) return NativeResult::Failed("Host.OnEvent", hr, "the control has no events");
    ole::ComPtr<ole::IEnumConnectionPoints> points;
    ole::ComPtr<ole::IConnectionPoint> point;
    ole::ULONG fetched = 0;
    hr = container->EnumConnectionPoints(points.Put());
    if (ole::SUCCEEDED(hr)) hr = points->Next(1, point.Put(), &fetched);
    if (ole::FAILED(hr) || fetched != 1 || !point) {
      return NativeResult::Failed("Host.OnEvent", ole::FAILED(hr) ? hr : ole::CONNECT_E_NOCONNECTION);
    }
    ole::IID eventIid;
    if (control.eventNames.empty() && control.typeLib && ole::SUCCEEDED(point->GetConnectionInterface(&eventIid))) {
      ole::ComPtr<ole::ITypeInfo> info;
      if (ole::SUCCEEDED(control.typeLib->GetTypeInfoOfGuid(eventIid, info.Put()))) {
        ReadEventNames(info.Get(), &control.eventNames);
      }
    }
    auto sink = ole::ComPtr<ole::IDispatch>::Attach(new (std::nothrow) EventSink(ctx, control.id));
    if (!sink) return NativeResult::Failed("Host.OnEvent", ole::E_OUTOFMEMORY);
    ole::DWORD cookie = 0;
    hr = point->Advise(sink.Get(), &cookie);
    if (ole::FAILED(hr)) return NativeResult::Failed("Host.OnEvent", hr);
    control.eventPoint = point;
    control.eventSink = sink;
    control.eventCookie = cookie;
  }
  duk_push_global_stash(ctx);
  if (!duk_get_prop_string(ctx, -1, kHandlersKey)) {
    duk_pop(ctx);
    duk_push_object(ctx);
    duk_dup_top(ctx);
    duk_put_prop_string(ctx, -3, kHandlersKey);
  }
  if (!duk_get_prop_index(ctx, -1, static_cast<duk_uarridx_t>(control.id))) {
    duk_pop(ctx);
    duk_push_array(ctx);
    duk_dup_top(ctx);
    duk_put_prop_index(ctx, -3, static_cast<duk_uarridx_t>(control.id));
  }
  duk_dup(ctx, index);
  duk_put_prop_index(ctx, -2, static_cast<duk_uarridx_t>(duk_get_length(ctx, -2)));
  duk_pop_3(ctx);
  return NativeResult::None();
}

NativeResult CreateControl(duk_context* ctx, const std::string& progIdOrClsid, int32_t width, int32_t height,
                           const std::string& propertiesFile) {
  const std::string what = "CreateControl(\"" + progIdOrClsid + "\")";
  if (width < 1 || height < 1 || width > 32767 || height > 32767) {
    return NativeResult::Range(what + ": the client size must be 1 ... 32767 pixels a side");
  }
  std::string properties;
  if (!propertiesFile.empty()) {
    bool ok = false;
    properties = ReadWholeFile(propertiesFile, &ok);
    if (!ok) return NativeResult::Fail(what + ": cannot read " + propertiesFile);
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
    ole::ComPtr<IHeadlessControl> site = control.site;
    hr = InitialiseProperties(dispatch, properties);
    if (ole::SUCCEEDED(hr)) hr = site->CreateControlWindow(width, height);
    if (ole::SUCCEEDED(hr)) hr = site->SetDialogAnswer(state.dialogResponse);
    if (ole::SUCCEEDED(hr) && state.printer) hr = site->SetPrinter(*state.printer);
    if (ole::SUCCEEDED(hr) && state.clipboardBusy) hr = site->SetClipboardBusy(win::TRUE);
    if (ole::FAILED(hr)) {
      state.controls->Release(control.id);
      return NativeResult::Failed(what, hr);
    }
    (void)PumpControl(control);
  } else if (!properties.empty()) {
    state.controls->Release(control.id);
    return NativeResult::Failed(what, ole::E_NOINTERFACE, "the object cannot load saved properties");
  }
  Describe(control, &clsid);
  PushControl(ctx, control);
  return FinishControlCall(ctx, &control, NativeResult::Values(1));
}

}  // namespace tavlen::host
