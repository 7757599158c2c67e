// The Host object: each function checks its arguments, calls the control or its site, and pumps.
#include "hosts/tavlen/host_object.h"

#include <new>
#include <string>

#include "hosts/tavlen/common_functions.h"
#include "hosts/tavlen/control_creation.h"
#include "hosts/tavlen/desktop_mode.h"
#include "hosts/tavlen/event_sink.h"
#include "hosts/tavlen/host_function_table.h"
#include "hosts/tavlen/memory_property_bag.h"
#include "hosts/tavlen/script_text.h"
#include "platform/automation/ole_object.h"
#include "platform/base/ascii.h"
#include "platform/base/file_io.h"

namespace tavlen::host {

namespace {

// Mouse buttons as the stock events number them.
constexpr int32_t kButtonLeft = 1;
constexpr int32_t kButtonRight = 2;

constexpr const char* kButtonExpected = "a button: 1 left, 2 right, 4 middle";
constexpr const char* kBarExpected = "a bar: 0 horizontal, 1 vertical";

NativeResult SiteOutcome(duk_context* ctx, const std::string& function, Sited& sited, ole::HRESULT hr,
                         NativeResult success) {
  if (ole::FAILED(hr)) return FailControlCall(ctx, sited.control, NativeResult::Failed(function, hr));
  return FinishControlCall(ctx, sited.control, std::move(success));
}

// Functions ---------------------------------------------------------------------------------------

NativeResult CreateControlFn(duk_context* ctx, const std::string& progIdOrClsid, int32_t width, int32_t height,
                             const std::string& propertiesFile) {
  return CreateControl(ctx, progIdOrClsid, width, height, propertiesFile);
}

NativeResult ActiveXObjectFn(duk_context* ctx, const std::string& progId) { return CreateByProgId(ctx, progId); }

NativeResult Pump(duk_context* ctx) {
  int32_t total = 0;
  for (Control* control : StateOf(ctx).controls->Live()) {
    total += PumpControl(*control);
  }
  NativeResult pending;
  if (TakePendingError(ctx, &pending)) return pending;
  duk_push_int(ctx, total);
  return NativeResult::Values(1);
}

// Lets time pass; on the desktop the event loop runs meanwhile, so windows stay live for other programs.
NativeResult Wait(duk_context* ctx, int32_t milliseconds) {
  WaitEvents(milliseconds);
  return Pump(ctx);
}

NativeResult PaintCount(duk_context* ctx, Sited& sited) {
  duk_push_int(ctx, sited.control->paintCount);
  return NativeResult::Values(1);
}

NativeResult Resize(duk_context* ctx, Sited& sited, int32_t width, int32_t height) {
  // Only a window that exists is resized (a destroyed one has no client area); CreateControlWindow
  // would bring a destroyed one back.
  int32_t oldWidth = 0;
  int32_t oldHeight = 0;
  ole::HRESULT hr = sited.site->GetClientSize(&oldWidth, &oldHeight);
  if (ole::SUCCEEDED(hr) && oldWidth == 0 && oldHeight == 0) hr = ole::E_UNEXPECTED;
  if (ole::SUCCEEDED(hr)) hr = sited.site->CreateControlWindow(width, height);
  return SiteOutcome(ctx, "Host.Resize", sited, hr, NativeResult::None());
}

NativeResult ClientSize(duk_context* ctx, Sited& sited) {
  int32_t width = 0;
  int32_t height = 0;
  ole::HRESULT hr = sited.site->GetClientSize(&width, &height);
  if (ole::FAILED(hr)) return NativeResult::Failed("Host.ClientSize", hr);
  duk_push_object(ctx);
  duk_push_int(ctx, width);
  duk_put_prop_string(ctx, -2, "width");
  duk_push_int(ctx, height);
  duk_put_prop_string(ctx, -2, "height");
  return NativeResult::Values(1);
}

NativeResult SetScrollBarThickness(duk_context* ctx, Sited& sited, int32_t pixels) {
  return SiteOutcome(ctx, "Host.SetScrollBarThickness", sited, sited.site->SetScrollBarThickness(pixels),
                     NativeResult::None());
}

NativeResult SaveClientArea(duk_context*, Sited& sited, const std::string& path) {
  ole::HRESULT hr = sited.site->SaveClientPng(path);
  if (ole::FAILED(hr)) return NativeResult::Failed("Host.SaveClientArea", hr, "cannot write " + path);
  return NativeResult::None();
}

NativeResult ClientPixel(duk_context* ctx, Sited& sited, int32_t x, int32_t y) {
  win::COLORREF color = sited.site->GetClientPixel(x, y);
  duk_push_int(ctx, color == win::CLR_INVALID ? -1 : static_cast<int32_t>(color & 0x00FFFFFFu));
  return NativeResult::Values(1);
}

NativeResult MouseMove(duk_context* ctx, Sited& sited, int32_t x, int32_t y, int32_t keys) {
  return SiteOutcome(ctx, "Host.MouseMove", sited, sited.site->MouseMove(static_cast<uint32_t>(keys), x, y),
                     NativeResult::None());
}

enum class ButtonMove { Down, Up };

NativeResult MouseButton(duk_context* ctx, ButtonMove move, Sited& sited, int32_t button, int32_t x, int32_t y,
                         int32_t keys) {
  const bool down = move == ButtonMove::Down;
  uint32_t message = button == kButtonLeft    ? (down ? win::WM_LBUTTONDOWN : win::WM_LBUTTONUP)
                     : button == kButtonRight ? (down ? win::WM_RBUTTONDOWN : win::WM_RBUTTONUP)
                                              : (down ? win::WM_MBUTTONDOWN : win::WM_MBUTTONUP);
  return SiteOutcome(ctx, down ? "Host.MouseDown" : "Host.MouseUp", sited,
                     sited.site->MouseButton(message, static_cast<uint32_t>(keys), x, y), NativeResult::None());
}

NativeResult MouseDown(duk_context* ctx, Sited& sited, int32_t button, int32_t x, int32_t y, int32_t keys) {
  return MouseButton(ctx, ButtonMove::Down, sited, button, x, y, keys);
}

NativeResult MouseUp(duk_context* ctx, Sited& sited, int32_t button, int32_t x, int32_t y, int32_t keys) {
  return MouseButton(ctx, ButtonMove::Up, sited, button, x, y, keys);
}

NativeResult Wheel(duk_context* ctx, Sited& sited, int32_t delta, int32_t keys) {
  // The pointer rests in the middle of the client area.
  int32_t width = 0;
  int32_t height = 0;
  (void)sited.site->GetClientSize(&width, &height);
  win::BOOL handled = win::FALSE;
  ole::HRESULT hr =
      sited.site->MouseWheel(static_cast<uint32_t>(keys), static_cast<int16_t>(delta), width / 2, height / 2, &handled);
  duk_push_boolean(ctx, handled != win::FALSE);
  return SiteOutcome(ctx, "Host.Wheel", sited, hr, NativeResult::Values(1));
}

NativeResult Scroll(duk_context* ctx, Sited& sited, int32_t bar, int32_t code, int32_t thumb) {
  return SiteOutcome(ctx, "Host.Scroll", sited,
                     sited.site->Scroll(bar, static_cast<uint32_t>(code), static_cast<uint32_t>(thumb)),
                     NativeResult::None());
}

NativeResult ScrollBar(duk_context* ctx, Sited& sited, int32_t bar) {
  win::ScrollBarState state;
  ole::HRESULT hr = sited.site->GetScrollBar(bar, &state);
  if (ole::FAILED(hr)) return NativeResult::Failed("Host.ScrollBar", hr);
  duk_push_object(ctx);
  duk_push_boolean(ctx, state.shown);
  duk_put_prop_string(ctx, -2, "shown");
  duk_push_int(ctx, state.min);
  duk_put_prop_string(ctx, -2, "min");
  duk_push_int(ctx, state.max);
  duk_put_prop_string(ctx, -2, "max");
  duk_push_uint(ctx, state.page);
  duk_put_prop_string(ctx, -2, "page");
  duk_push_int(ctx, state.pos);
  duk_put_prop_string(ctx, -2, "pos");
  return NativeResult::Values(1);
}

NativeResult DestroyWindowFn(duk_context* ctx, Sited& sited) {
  return SiteOutcome(ctx, "Host.DestroyWindow", sited, sited.site->DestroyControlWindow(), NativeResult::None());
}

NativeResult RecreateWindow(duk_context* ctx, Sited& sited) {
  return SiteOutcome(ctx, "Host.RecreateWindow", sited, sited.site->RecreateControlWindow(), NativeResult::None());
}

NativeResult SaveProperties(duk_context* ctx, Sited& sited, const std::string& path) {
  ole::ComPtr<ole::IPersistPropertyBag> persist;
  ole::HRESULT hr = sited.control->dispatch.As(&persist);
  auto bag = ole::ComPtr<MemoryPropertyBag>::Attach(new (std::nothrow) MemoryPropertyBag());
  // The modified flag stays until the file is on disk: a failed write must not leave a control that
  // claims to be saved.
  if (ole::SUCCEEDED(hr)) hr = bag ? persist->Save(bag.Get(), /*clearDirty=*/0, /*saveAll=*/0) : ole::E_OUTOFMEMORY;
  const ole::Variant* saved = ole::SUCCEEDED(hr) ? bag->Find(kPropertyBagValue) : nullptr;
  if (ole::SUCCEEDED(hr) && (!saved || saved->Type() != ole::VT_BSTR)) hr = ole::E_UNEXPECTED;
  if (ole::FAILED(hr)) return NativeResult::Failed("Host.SaveProperties", hr);
  // A failed write leaves an older file whole.
  if (base::WriteFileAtomically(path, saved->Bstr()) != 0) {
    return NativeResult::Fail("Host.SaveProperties: cannot write " + path);
  }
  // Saving for a document clears the flag; the interface offers that only as part of a save, so the
  // written state is saved once more into a bag that is thrown away.
  auto discarded = ole::ComPtr<MemoryPropertyBag>::Attach(new (std::nothrow) MemoryPropertyBag());
  hr = discarded ? persist->Save(discarded.Get(), /*clearDirty=*/1, /*saveAll=*/0) : ole::E_OUTOFMEMORY;
  if (ole::FAILED(hr)) return NativeResult::Failed("Host.SaveProperties", hr);
  return FinishControlCall(ctx, sited.control, NativeResult::None());
}

NativeResult ResetProperties(duk_context* ctx, Sited& sited) {
  return SiteOutcome(ctx, "Host.ResetProperties", sited, sited.site->ResetState(), NativeResult::None());
}

NativeResult IsModified(duk_context* ctx, Sited& sited) {
  ole::ComPtr<ole::IOleObject> object;
  ole::HRESULT hr = sited.control->dispatch.As(&object);
  if (ole::SUCCEEDED(hr)) hr = object->IsDirty();
  if (ole::FAILED(hr)) return NativeResult::Failed("Host.IsModified", hr);
  duk_push_boolean(ctx, hr == ole::S_OK);
  return NativeResult::Values(1);
}

NativeResult DoVerb(duk_context* ctx, Sited& sited, int32_t verb) {
  ole::ComPtr<ole::IOleObject> object;
  ole::HRESULT hr = sited.control->dispatch.As(&object);
  if (ole::SUCCEEDED(hr)) hr = object->DoVerb(verb);
  return SiteOutcome(ctx, "Host.DoVerb", sited, hr, NativeResult::None());
}

NativeResult OnEvent(duk_context* ctx, Control& control, ScriptFunction handler) {
  return AddEventHandler(ctx, control, handler.index, "Host.OnEvent");
}

NativeResult Release(duk_context* ctx, Control* control) {
  if (control) StateOf(ctx).controls->Release(control->id);
  return NativeResult::None();
}

// Accessors -----------------------------------------------------------------------------------------

NativeResult GetAutoPump(duk_context* ctx) {
  duk_push_boolean(ctx, StateOf(ctx).autoPump);
  return NativeResult::Values(1);
}

NativeResult SetAutoPump(duk_context* ctx) {
  StateOf(ctx).autoPump = duk_to_boolean(ctx, 0) != 0;
  return NativeResult::None();
}

NativeResult GetDialogResponse(duk_context* ctx) {
  const std::string answer = StateOf(ctx).controls->Services().DialogAnswer();
  duk_push_lstring(ctx, answer.data(), answer.size());
  return NativeResult::Values(1);
}

NativeResult SetDialogResponse(duk_context* ctx) {
  std::string answer = duk_is_string(ctx, 0) ? base::AsciiLowered(duk_get_string(ctx, 0)) : std::string();
  if (answer != "ok" && answer != "cancel" && answer != "escape")
    return NativeResult::Range("Host.DialogResponse must be \"ok\", \"cancel\" or \"escape\"");
  (void)StateOf(ctx).controls->Services().SetDialogAnswer(answer);  // one the module knows
  return NativeResult::None();
}

NativeResult GetDialogs(duk_context* ctx) {
  // Once the last control is released the list last seen stays.
  const std::vector<ShownDialog> shown = StateOf(ctx).controls->Services().ShownDialogs();
  duk_idx_t array = duk_push_array(ctx);
  for (size_t i = 0; i < shown.size(); ++i) {
    const ShownDialog& dialog = shown[i];
    duk_push_object(ctx);
    duk_push_lstring(ctx, dialog.caption.data(), dialog.caption.size());
    duk_put_prop_string(ctx, -2, "caption");
    duk_idx_t texts = duk_push_array(ctx);
    for (size_t t = 0; t < dialog.texts.size(); ++t) {
      duk_push_lstring(ctx, dialog.texts[t].data(), dialog.texts[t].size());
      duk_put_prop_index(ctx, texts, static_cast<duk_uarridx_t>(t));
    }
    duk_put_prop_string(ctx, -2, "texts");
    duk_push_lstring(ctx, dialog.result.data(), dialog.result.size());
    duk_put_prop_string(ctx, -2, "result");
    duk_put_prop_index(ctx, array, static_cast<duk_uarridx_t>(i));
  }
  return NativeResult::Values(1);
}

NativeResult ClipboardFormats(duk_context* ctx) {
  std::vector<uint32_t> formats;
  if (ole::HRESULT hr = StateOf(ctx).controls->Services().ClipboardFormats(&formats); ole::FAILED(hr)) {
    return NativeResult::Failed("Host.ClipboardFormats", hr);
  }
  duk_idx_t array = duk_push_array(ctx);
  for (size_t i = 0; i < formats.size(); ++i) {
    duk_push_uint(ctx, formats[i]);
    duk_put_prop_index(ctx, array, static_cast<duk_uarridx_t>(i));
  }
  return NativeResult::Values(1);
}

NativeResult SaveClipboardImage(duk_context* ctx, const std::string& path) {
  ole::HRESULT hr = StateOf(ctx).controls->Services().SaveClipboardPng(path);
  if (ole::FAILED(hr)) return NativeResult::Failed("Host.SaveClipboardImage", hr, "cannot write " + path);
  duk_push_boolean(ctx, hr == ole::S_OK);
  return NativeResult::Values(1);
}

NativeResult SetClipboardText(duk_context* ctx, const std::string& text) {
  ModuleServicesLink& services = StateOf(ctx).controls->Services();
  if (!services.Linked()) return NativeResult::Fail("Host.SetClipboardText: create a control first");
  ole::HRESULT hr = services.SetClipboardText(text);
  if (ole::FAILED(hr)) return NativeResult::Failed("Host.SetClipboardText", hr);
  duk_push_boolean(ctx, hr == ole::S_OK);
  return NativeResult::Values(1);
}

NativeResult GetPrinter(duk_context* ctx) {
  const std::string printer = StateOf(ctx).controls->Services().Printer();
  duk_push_lstring(ctx, printer.data(), printer.size());
  return NativeResult::Values(1);
}

NativeResult SetPrinter(duk_context* ctx) {
  if (!duk_is_string(ctx, 0)) {
    return NativeResult::Type("Host.Printer must be a CUPS destination, \"file:\" and a path, or \"\"");
  }
  duk_size_t length = 0;
  const char* destination = duk_get_lstring(ctx, 0, &length);
  (void)StateOf(ctx).controls->Services().SetPrinter(std::string(destination, length));
  return NativeResult::None();
}

NativeResult GetClipboardBusy(duk_context* ctx) {
  duk_push_boolean(ctx, StateOf(ctx).controls->Services().ClipboardBusy());
  return NativeResult::Values(1);
}

NativeResult SetClipboardBusy(duk_context* ctx) {
  (void)StateOf(ctx).controls->Services().SetClipboardBusy(duk_to_boolean(ctx, 0) != 0);
  return NativeResult::None();
}

constexpr HostFunction kFunctions[] = {
    BindVariadic<EchoValues>("Echo"),
    Bind<QuitScript>("Quit", {Arg::OptionalInt("an integer exit code", 0)}),
    Bind<CreateControlFn>(
        "CreateControl",
        {Arg::String("a ProgID or class identifier"), Arg::Int("the client width in pixels"),
         Arg::Int("the client height in pixels"), Arg::OptionalString("the path of a saved properties file")}),
    Bind<Pump>("Pump", {}),
    Bind<Wait>("Wait", {Arg::Int("a time in milliseconds", 0, 600000)}),
    Bind<PaintCount>("PaintCount", {Arg::Sited()}),
    Bind<Resize>("Resize", {Arg::Sited(), Arg::Int("a width in pixels"), Arg::Int("a height in pixels")}),
    Bind<ClientSize>("ClientSize", {Arg::Sited()}),
    Bind<SetScrollBarThickness>("SetScrollBarThickness", {Arg::Sited(), Arg::Int("a thickness in pixels")}),
    Bind<SaveClientArea>("SaveClientArea", {Arg::Sited(), Arg::String("a file path")}),
    Bind<ClientPixel>("ClientPixel", {Arg::Sited(), Arg::Int("an x coordinate"), Arg::Int("a y coordinate")}),
    Bind<MouseMove>("MouseMove", {Arg::Sited(), Arg::Int("an x coordinate"), Arg::Int("a y coordinate"),
                                  Arg::OptionalInt("key flags", 0)}),
    Bind<MouseDown>("MouseDown", {Arg::Sited(), Arg::Named(kMouseButtons, kButtonExpected), Arg::Int("an x coordinate"),
                                  Arg::Int("a y coordinate"), Arg::OptionalInt("key flags", 0)}),
    Bind<MouseUp>("MouseUp", {Arg::Sited(), Arg::Named(kMouseButtons, kButtonExpected), Arg::Int("an x coordinate"),
                              Arg::Int("a y coordinate"), Arg::OptionalInt("key flags", 0)}),
    Bind<Wheel>("Wheel", {Arg::Sited(), Arg::Int("a wheel delta (120 a notch)", INT16_MIN, INT16_MAX),
                          Arg::OptionalInt("key flags", 0)}),
    Bind<Scroll>("Scroll",
                 {Arg::Sited(), Arg::Named(kScrollBars, kBarExpected),
                  Arg::Named(kScrollCodes, "a scroll code 0 ... 8"), Arg::OptionalInt("a thumb position", 0, 0)}),
    Bind<ScrollBar>("ScrollBar", {Arg::Sited(), Arg::Named(kScrollBars, kBarExpected)}),
    Bind<DestroyWindowFn>("DestroyWindow", {Arg::Sited()}),
    Bind<RecreateWindow>("RecreateWindow", {Arg::Sited()}),
    Bind<SaveProperties>("SaveProperties", {Arg::Sited(), Arg::String("a file path")}),
    Bind<ResetProperties>("ResetProperties", {Arg::Sited()}),
    Bind<IsModified>("IsModified", {Arg::Sited()}),
    Bind<DoVerb>("DoVerb", {Arg::Sited(), Arg::Named(kVerbs, "a verb (\"Properties\", \"Show\", ... or its number)")}),
    Bind<OnEvent>("OnEvent", {Arg::LiveControl(), Arg::Function("a function (name, args)")}),
    Bind<Release>("Release", {Arg::AnyControl()}),
    Bind<ClipboardFormats>("ClipboardFormats", {}),
    Bind<SaveClipboardImage>("SaveClipboardImage", {Arg::String("a file path")}),
    Bind<SetClipboardText>("SetClipboardText", {Arg::String("a text")}),
};
static_assert(CheckFunctions(kFunctions));

constexpr HostFunction kGlobalFunctions[] = {
    Bind<ActiveXObjectFn>("ActiveXObject", {Arg::String("a ProgID")}),
};

void DefineAccessor(duk_context* ctx, duk_idx_t object, const char* name, duk_c_function getter,
                    duk_c_function setter) {
  object = duk_normalize_index(ctx, object);
  duk_push_string(ctx, name);
  duk_push_c_function(ctx, getter, 0);
  duk_uint_t flags = DUK_DEFPROP_HAVE_GETTER | DUK_DEFPROP_SET_ENUMERABLE;
  if (setter) {
    duk_push_c_function(ctx, setter, 1);
    flags |= DUK_DEFPROP_HAVE_SETTER;
  }
  duk_def_prop(ctx, object, flags);
}

}  // namespace

void InstallHostObject(duk_context* ctx) {
  duk_push_global_object(ctx);
  duk_idx_t host = duk_push_object(ctx);
  InstallFunctions(ctx, host, "Host", kFunctions);
  duk_idx_t args = duk_push_array(ctx);
  const std::vector<std::string>& arguments = StateOf(ctx).arguments;
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::string argument = ToScriptText(arguments[i]);
    duk_push_lstring(ctx, argument.data(), argument.size());
    duk_put_prop_index(ctx, args, static_cast<duk_uarridx_t>(i));
  }
  duk_put_prop_string(ctx, host, "Arguments");
  DefineAccessor(ctx, host, "AutoPump", Native<GetAutoPump>, Native<SetAutoPump>);
  DefineAccessor(ctx, host, "DialogResponse", Native<GetDialogResponse>, Native<SetDialogResponse>);
  DefineAccessor(ctx, host, "Dialogs", Native<GetDialogs>, nullptr);
  DefineAccessor(ctx, host, "Printer", Native<GetPrinter>, Native<SetPrinter>);
  DefineAccessor(ctx, host, "ClipboardBusy", Native<GetClipboardBusy>, Native<SetClipboardBusy>);
  duk_put_prop_string(ctx, -2, "Host");
  duk_pop(ctx);
}

void InstallActiveXObject(duk_context* ctx) {
  duk_push_global_object(ctx);
  InstallFunctions(ctx, -1, "", kGlobalFunctions);
  duk_pop(ctx);
}

}  // namespace tavlen::host
