// The Host object: each function checks its arguments, calls the control or its site, and pumps.
#include "hosts/tavlen/host_object.h"

#include <cmath>
#include <cstdio>
#include <fstream>
#include <new>
#include <string>

#include "hosts/tavlen/control_proxy.h"
#include "hosts/tavlen/property_bag.h"
#include "hosts/tavlen/script_runtime.h"
#include "hosts/tavlen/variant_js.h"
#include "platform/automation/ole_object.h"

namespace tavlen::host {

namespace {

constexpr int32_t kDefaultWidth = 640;
constexpr int32_t kDefaultHeight = 480;
// Mouse buttons as the stock events number them.
constexpr int32_t kButtonLeft = 1;
constexpr int32_t kButtonRight = 2;
constexpr int32_t kButtonMiddle = 4;

// Arguments -----------------------------------------------------------------------------------------

bool IntArg(duk_context* ctx, duk_idx_t index, int32_t* value) {
  if (!duk_is_number(ctx, index)) return false;
  double number = duk_get_number(ctx, index);
  if (!IsInt32(number)) return false;
  *value = static_cast<int32_t>(number);
  return true;
}

// An optional integer: absent or undefined gives `fallback`.
bool OptionalIntArg(duk_context* ctx, duk_idx_t index, int32_t fallback, int32_t* value) {
  if (duk_is_undefined(ctx, index)) {
    *value = fallback;
    return true;
  }
  return IntArg(ctx, index, value);
}

std::string StringArg(duk_context* ctx, duk_idx_t index) {
  duk_size_t length = 0;
  const char* text = duk_get_lstring(ctx, index, &length);
  return text ? std::string(text, length) : std::string();
}

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  return text;
}

NativeResult BadArg(const char* function, int position, const char* expected) {
  return NativeResult::Type(std::string("Host.") + function + ": argument " + std::to_string(position) + " must be " +
                            expected);
}

// The control in argument 1, which must have a headless site (a control created by the host).
struct Sited {
  Control* control = nullptr;
  ole::ComPtr<IHeadlessControl> site;
};

bool SitedArg(duk_context* ctx, const char* function, Sited* sited, NativeResult* failure) {
  sited->control = ControlAt(ctx, 0);
  if (!sited->control) {
    *failure = IsControlValue(ctx, 0)
                   ? NativeResult::Fail(std::string("Host.") + function + ": the control was released")
                   : BadArg(function, 1, "a control");
    return false;
  }
  sited->site = sited->control->site;
  if (!sited->site) {
    *failure = NativeResult::Failed(std::string("Host.") + function, ole::E_NOINTERFACE,
                                    "the object is not a control in a headless window");
    return false;
  }
  return true;
}

// The result of a site call: a failure names the function; success pumps when Host.AutoPump is on.
NativeResult SiteOutcome(duk_context* ctx, const char* function, Sited& sited, ole::HRESULT hr, NativeResult success) {
  if (ole::FAILED(hr)) {
    NativeResult failure = NativeResult::Failed(std::string("Host.") + function, hr);
    NativeResult pending = FinishControlCall(ctx, sited.control, NativeResult::None());
    if (pending.kind == NativeResult::Kind::Rethrow) duk_pop(ctx);
    return failure;
  }
  return FinishControlCall(ctx, sited.control, std::move(success));
}

// Named constants scripts may use in place of numbers.
bool BarArg(duk_context* ctx, duk_idx_t index, int32_t* bar) {
  if (duk_is_string(ctx, index)) {
    std::string name = Lower(StringArg(ctx, index));
    if (name == "h" || name == "horz" || name == "horizontal")
      *bar = 0;
    else if (name == "v" || name == "vert" || name == "vertical")
      *bar = 1;
    else
      return false;
    return true;
  }
  return IntArg(ctx, index, bar) && (*bar == 0 || *bar == 1);
}

bool ScrollCodeArg(duk_context* ctx, duk_idx_t index, int32_t* code) {
  static constexpr struct {
    const char* name;
    int32_t code;
  } kCodes[] = {{"lineup", 0},   {"lineleft", 0}, {"linedown", 1},  {"lineright", 1},     {"pageup", 2},
                {"pageleft", 2}, {"pagedown", 3}, {"pageright", 3}, {"thumbposition", 4}, {"thumbtrack", 5},
                {"top", 6},      {"left", 6},     {"bottom", 7},    {"right", 7},         {"endscroll", 8}};
  if (duk_is_string(ctx, index)) {
    std::string name = Lower(StringArg(ctx, index));
    for (const auto& entry : kCodes) {
      if (name == entry.name) {
        *code = entry.code;
        return true;
      }
    }
    return false;
  }
  return IntArg(ctx, index, code) && *code >= 0 && *code <= 8;
}

bool ButtonArg(duk_context* ctx, duk_idx_t index, int32_t* button) {
  if (duk_is_string(ctx, index)) {
    std::string name = Lower(StringArg(ctx, index));
    if (name == "left")
      *button = kButtonLeft;
    else if (name == "right")
      *button = kButtonRight;
    else if (name == "middle")
      *button = kButtonMiddle;
    else
      return false;
    return true;
  }
  return IntArg(ctx, index, button) && (*button == kButtonLeft || *button == kButtonRight || *button == kButtonMiddle);
}

bool VerbArg(duk_context* ctx, duk_idx_t index, int32_t* verb) {
  static constexpr struct {
    const char* name;
    int32_t verb;
  } kVerbs[] = {{"primary", ole::OLEIVERB_PRIMARY},
                {"show", ole::OLEIVERB_SHOW},
                {"open", ole::OLEIVERB_OPEN},
                {"hide", ole::OLEIVERB_HIDE},
                {"uiactivate", ole::OLEIVERB_UIACTIVATE},
                {"inplaceactivate", ole::OLEIVERB_INPLACEACTIVATE},
                {"discardundostate", ole::OLEIVERB_DISCARDUNDOSTATE},
                {"properties", ole::OLEIVERB_PROPERTIES}};
  if (duk_is_string(ctx, index)) {
    std::string name = Lower(StringArg(ctx, index));
    for (const auto& entry : kVerbs) {
      if (name == entry.name) {
        *verb = entry.verb;
        return true;
      }
    }
    return false;
  }
  return IntArg(ctx, index, verb);
}

// Functions ---------------------------------------------------------------------------------------

NativeResult Echo(duk_context* ctx) {
  std::string line;
  duk_idx_t count = duk_get_top(ctx);
  for (duk_idx_t i = 0; i < count; ++i) {
    if (i > 0) line += ' ';
    duk_dup(ctx, i);
    line += duk_safe_to_string(ctx, -1);
    duk_pop(ctx);
  }
  line += '\n';
  std::fwrite(line.data(), 1, line.size(), stdout);
  std::fflush(stdout);
  return NativeResult::None();
}

NativeResult Quit(duk_context* ctx) {
  int32_t code = 0;
  if (!OptionalIntArg(ctx, 0, 0, &code)) return BadArg("Quit", 1, "an integer exit code");
  HostState& state = StateOf(ctx);
  state.quitRequested = true;
  state.quitCode = code;
  return NativeResult::Fail("Host.Quit(" + std::to_string(code) + ")");
}

NativeResult CreateControlFn(duk_context* ctx) {
  if (!duk_is_string(ctx, 0)) return BadArg("CreateControl", 1, "a ProgID or class identifier");
  int32_t width = 0;
  int32_t height = 0;
  if (!IntArg(ctx, 1, &width)) return BadArg("CreateControl", 2, "the client width in pixels");
  if (!IntArg(ctx, 2, &height)) return BadArg("CreateControl", 3, "the client height in pixels");
  std::string properties;
  if (!duk_is_undefined(ctx, 3) && !duk_is_null(ctx, 3)) {
    if (!duk_is_string(ctx, 3)) return BadArg("CreateControl", 4, "the path of a saved properties file");
    properties = StringArg(ctx, 3);
  }
  return CreateControl(ctx, StringArg(ctx, 0), width, height, properties);
}

NativeResult ActiveXObjectFn(duk_context* ctx) {
  if (!duk_is_string(ctx, 0)) return NativeResult::Type("ActiveXObject: argument 1 must be a ProgID");
  return CreateControl(ctx, StringArg(ctx, 0), kDefaultWidth, kDefaultHeight, {});
}

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

NativeResult PaintCount(duk_context* ctx) {
  Sited sited;
  NativeResult failure;
  if (!SitedArg(ctx, "PaintCount", &sited, &failure)) return failure;
  duk_push_int(ctx, sited.control->paintCount);
  return NativeResult::Values(1);
}

NativeResult Resize(duk_context* ctx) {
  Sited sited;
  NativeResult failure;
  if (!SitedArg(ctx, "Resize", &sited, &failure)) return failure;
  int32_t width = 0;
  int32_t height = 0;
  if (!IntArg(ctx, 1, &width)) return BadArg("Resize", 2, "a width in pixels");
  if (!IntArg(ctx, 2, &height)) return BadArg("Resize", 3, "a height in pixels");
  // Only a window that exists is resized (a destroyed one has no client area); CreateControlWindow
  // would bring a destroyed one back.
  int32_t oldWidth = 0;
  int32_t oldHeight = 0;
  ole::HRESULT hr = sited.site->GetClientSize(&oldWidth, &oldHeight);
  if (ole::SUCCEEDED(hr) && oldWidth == 0 && oldHeight == 0) hr = ole::E_UNEXPECTED;
  if (ole::SUCCEEDED(hr)) hr = sited.site->CreateControlWindow(width, height);
  return SiteOutcome(ctx, "Resize", sited, hr, NativeResult::None());
}

NativeResult ClientSize(duk_context* ctx) {
  Sited sited;
  NativeResult failure;
  if (!SitedArg(ctx, "ClientSize", &sited, &failure)) return failure;
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

NativeResult SetScrollBarThickness(duk_context* ctx) {
  Sited sited;
  NativeResult failure;
  if (!SitedArg(ctx, "SetScrollBarThickness", &sited, &failure)) return failure;
  int32_t pixels = 0;
  if (!IntArg(ctx, 1, &pixels)) return BadArg("SetScrollBarThickness", 2, "a thickness in pixels");
  return SiteOutcome(ctx, "SetScrollBarThickness", sited, sited.site->SetScrollBarThickness(pixels),
                     NativeResult::None());
}

NativeResult SaveClientArea(duk_context* ctx) {
  Sited sited;
  NativeResult failure;
  if (!SitedArg(ctx, "SaveClientArea", &sited, &failure)) return failure;
  if (!duk_is_string(ctx, 1)) return BadArg("SaveClientArea", 2, "a file path");
  std::string path = StringArg(ctx, 1);
  ole::HRESULT hr = sited.site->SaveClientPng(path);
  if (ole::FAILED(hr)) return NativeResult::Failed("Host.SaveClientArea", hr, "cannot write " + path);
  return NativeResult::None();
}

NativeResult ClientPixel(duk_context* ctx) {
  Sited sited;
  NativeResult failure;
  if (!SitedArg(ctx, "ClientPixel", &sited, &failure)) return failure;
  int32_t x = 0;
  int32_t y = 0;
  if (!IntArg(ctx, 1, &x)) return BadArg("ClientPixel", 2, "an x coordinate");
  if (!IntArg(ctx, 2, &y)) return BadArg("ClientPixel", 3, "a y coordinate");
  win::COLORREF color = sited.site->GetClientPixel(x, y);
  duk_push_int(ctx, color == win::CLR_INVALID ? -1 : static_cast<int32_t>(color & 0x00FFFFFFu));
  return NativeResult::Values(1);
}

NativeResult MouseMove(duk_context* ctx) {
  Sited sited;
  NativeResult failure;
  if (!SitedArg(ctx, "MouseMove", &sited, &failure)) return failure;
  int32_t x = 0;
  int32_t y = 0;
  int32_t keys = 0;
  if (!IntArg(ctx, 1, &x)) return BadArg("MouseMove", 2, "an x coordinate");
  if (!IntArg(ctx, 2, &y)) return BadArg("MouseMove", 3, "a y coordinate");
  if (!OptionalIntArg(ctx, 3, 0, &keys)) return BadArg("MouseMove", 4, "key flags");
  return SiteOutcome(ctx, "MouseMove", sited, sited.site->MouseMove(static_cast<uint32_t>(keys), x, y),
                     NativeResult::None());
}

NativeResult MouseButton(duk_context* ctx, bool down) {
  const char* function = down ? "MouseDown" : "MouseUp";
  Sited sited;
  NativeResult failure;
  if (!SitedArg(ctx, function, &sited, &failure)) return failure;
  int32_t button = 0;
  int32_t x = 0;
  int32_t y = 0;
  int32_t keys = 0;
  if (!ButtonArg(ctx, 1, &button)) return BadArg(function, 2, "a button: 1 left, 2 right, 4 middle");
  if (!IntArg(ctx, 2, &x)) return BadArg(function, 3, "an x coordinate");
  if (!IntArg(ctx, 3, &y)) return BadArg(function, 4, "a y coordinate");
  if (!OptionalIntArg(ctx, 4, 0, &keys)) return BadArg(function, 5, "key flags");
  uint32_t message = button == kButtonLeft    ? (down ? win::WM_LBUTTONDOWN : win::WM_LBUTTONUP)
                     : button == kButtonRight ? (down ? win::WM_RBUTTONDOWN : win::WM_RBUTTONUP)
                                              : (down ? win::WM_MBUTTONDOWN : win::WM_MBUTTONUP);
  return SiteOutcome(ctx, function, sited, sited.site->MouseButton(message, static_cast<uint32_t>(keys), x, y),
                     NativeResult::None());
}

NativeResult MouseDown(duk_context* ctx) { return MouseButton(ctx, true); }
NativeResult MouseUp(duk_context* ctx) { return MouseButton(ctx, false); }

NativeResult Wheel(duk_context* ctx) {
  Sited sited;
  NativeResult failure;
  if (!SitedArg(ctx, "Wheel", &sited, &failure)) return failure;
  int32_t delta = 0;
  int32_t keys = 0;
  if (!IntArg(ctx, 1, &delta) || delta < INT16_MIN || delta > INT16_MAX) {
    return BadArg("Wheel", 2, "a wheel delta (120 a notch)");
  }
  if (!OptionalIntArg(ctx, 2, 0, &keys)) return BadArg("Wheel", 3, "key flags");
  // The pointer rests in the middle of the client area.
  int32_t width = 0;
  int32_t height = 0;
  (void)sited.site->GetClientSize(&width, &height);
  win::BOOL handled = win::FALSE;
  ole::HRESULT hr =
      sited.site->MouseWheel(static_cast<uint32_t>(keys), static_cast<int16_t>(delta), width / 2, height / 2, &handled);
  duk_push_boolean(ctx, handled != win::FALSE);
  return SiteOutcome(ctx, "Wheel", sited, hr, NativeResult::Values(1));
}

NativeResult Scroll(duk_context* ctx) {
  Sited sited;
  NativeResult failure;
  if (!SitedArg(ctx, "Scroll", &sited, &failure)) return failure;
  int32_t bar = 0;
  int32_t code = 0;
  int32_t thumb = 0;
  if (!BarArg(ctx, 1, &bar)) return BadArg("Scroll", 2, "a bar: 0 horizontal, 1 vertical");
  if (!ScrollCodeArg(ctx, 2, &code)) return BadArg("Scroll", 3, "a scroll code 0 ... 8");
  if (!OptionalIntArg(ctx, 3, 0, &thumb) || thumb < 0) return BadArg("Scroll", 4, "a thumb position");
  return SiteOutcome(ctx, "Scroll", sited,
                     sited.site->Scroll(bar, static_cast<uint32_t>(code), static_cast<uint32_t>(thumb)),
                     NativeResult::None());
}

NativeResult ScrollBar(duk_context* ctx) {
  Sited sited;
  NativeResult failure;
  if (!SitedArg(ctx, "ScrollBar", &sited, &failure)) return failure;
  int32_t bar = 0;
  if (!BarArg(ctx, 1, &bar)) return BadArg("ScrollBar", 2, "a bar: 0 horizontal, 1 vertical");
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

NativeResult DestroyWindowFn(duk_context* ctx) {
  Sited sited;
  NativeResult failure;
  if (!SitedArg(ctx, "DestroyWindow", &sited, &failure)) return failure;
  return SiteOutcome(ctx, "DestroyWindow", sited, sited.site->DestroyControlWindow(), NativeResult::None());
}

NativeResult RecreateWindow(duk_context* ctx) {
  Sited sited;
  NativeResult failure;
  if (!SitedArg(ctx, "RecreateWindow", &sited, &failure)) return failure;
  return SiteOutcome(ctx, "RecreateWindow", sited, sited.site->RecreateControlWindow(), NativeResult::None());
}

NativeResult SaveProperties(duk_context* ctx) {
  Sited sited;
  NativeResult failure;
  if (!SitedArg(ctx, "SaveProperties", &sited, &failure)) return failure;
  if (!duk_is_string(ctx, 1)) return BadArg("SaveProperties", 2, "a file path");
  std::string path = StringArg(ctx, 1);
  ole::ComPtr<ole::IPersistPropertyBag> persist;
  ole::HRESULT hr = sited.control->dispatch.As(&persist);
  auto bag = ole::ComPtr<MemoryPropertyBag>::Attach(new (std::nothrow) MemoryPropertyBag());
  // Saving for a document clears the modified flag.
  if (ole::SUCCEEDED(hr)) hr = bag ? persist->Save(bag.Get(), /*clearDirty=*/1, /*saveAll=*/0) : ole::E_OUTOFMEMORY;
  const ole::Variant* saved = ole::SUCCEEDED(hr) ? bag->Find(kPropertyBagValue) : nullptr;
  if (ole::SUCCEEDED(hr) && (!saved || saved->Type() != ole::VT_BSTR)) hr = ole::E_UNEXPECTED;
  if (ole::FAILED(hr)) return NativeResult::Failed("Host.SaveProperties", hr);
  const std::string& text = saved->Bstr();
  // Written beside the target and renamed, so a failed write leaves an older file whole.
  std::string temporary = path + ".tmp";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    if (!out) {
      std::remove(temporary.c_str());
      return NativeResult::Fail("Host.SaveProperties: cannot write " + path);
    }
  }
  if (std::rename(temporary.c_str(), path.c_str()) != 0) {
    std::remove(temporary.c_str());
    return NativeResult::Fail("Host.SaveProperties: cannot write " + path);
  }
  return FinishControlCall(ctx, sited.control, NativeResult::None());
}

NativeResult ResetProperties(duk_context* ctx) {
  Sited sited;
  NativeResult failure;
  if (!SitedArg(ctx, "ResetProperties", &sited, &failure)) return failure;
  return SiteOutcome(ctx, "ResetProperties", sited, sited.site->ResetState(), NativeResult::None());
}

NativeResult IsModified(duk_context* ctx) {
  Sited sited;
  NativeResult failure;
  if (!SitedArg(ctx, "IsModified", &sited, &failure)) return failure;
  ole::ComPtr<ole::IOleObject> object;
  ole::HRESULT hr = sited.control->dispatch.As(&object);
  if (ole::SUCCEEDED(hr)) hr = object->IsDirty();
  if (ole::FAILED(hr)) return NativeResult::Failed("Host.IsModified", hr);
  duk_push_boolean(ctx, hr == ole::S_OK);
  return NativeResult::Values(1);
}

NativeResult DoVerb(duk_context* ctx) {
  Sited sited;
  NativeResult failure;
  if (!SitedArg(ctx, "DoVerb", &sited, &failure)) return failure;
  int32_t verb = 0;
  if (!VerbArg(ctx, 1, &verb)) return BadArg("DoVerb", 2, "a verb (\"Properties\", \"Show\", ... or its number)");
  ole::ComPtr<ole::IOleObject> object;
  ole::HRESULT hr = sited.control->dispatch.As(&object);
  if (ole::SUCCEEDED(hr)) hr = object->DoVerb(verb);
  return SiteOutcome(ctx, "DoVerb", sited, hr, NativeResult::None());
}

NativeResult OnEvent(duk_context* ctx) {
  Control* control = ControlAt(ctx, 0);
  if (!control) return BadArg("OnEvent", 1, "a live control");
  if (!duk_is_function(ctx, 1)) return BadArg("OnEvent", 2, "a function (name, args)");
  return AddEventHandler(ctx, *control, 1);
}

NativeResult Release(duk_context* ctx) {
  if (!IsControlValue(ctx, 0)) return BadArg("Release", 1, "a control");
  if (Control* control = ControlAt(ctx, 0)) StateOf(ctx).controls->Release(control->id);
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
  duk_push_string(ctx, StateOf(ctx).dialogResponse.c_str());
  return NativeResult::Values(1);
}

NativeResult SetDialogResponse(duk_context* ctx) {
  std::string answer = duk_is_string(ctx, 0) ? Lower(StringArg(ctx, 0)) : std::string();
  if (answer != "ok" && answer != "cancel" && answer != "escape")
    return NativeResult::Range("Host.DialogResponse must be \"ok\", \"cancel\" or \"escape\"");
  HostState& state = StateOf(ctx);
  state.dialogResponse = answer;
  for (Control* control : state.controls->Live()) {
    if (control->site) (void)control->site->SetDialogAnswer(answer);
  }
  return NativeResult::None();
}

NativeResult GetDialogs(duk_context* ctx) {
  // The dialog list is process-wide inside the module: any sited control reports all of it. Once the
  // last control is released the list last seen stays.
  std::vector<fw::ShownDialog>& lastSeen = StateOf(ctx).lastDialogs;
  for (Control* control : StateOf(ctx).controls->Live()) {
    std::vector<fw::ShownDialog> dialogs;
    if (control->site && ole::SUCCEEDED(control->site->GetShownDialogs(&dialogs))) {
      lastSeen = std::move(dialogs);
      break;
    }
  }
  duk_idx_t array = duk_push_array(ctx);
  for (size_t i = 0; i < lastSeen.size(); ++i) {
    const fw::ShownDialog& dialog = lastSeen[i];
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

// The printer and the clipboard live in the module, process-wide: any control's site reaches them.
IHeadlessControl* AnySite(duk_context* ctx) {
  for (Control* control : StateOf(ctx).controls->Live()) {
    if (control->site) return control->site.Get();
  }
  return nullptr;
}

NativeResult ClipboardFormats(duk_context* ctx) {
  std::vector<uint32_t> formats;
  if (IHeadlessControl* site = AnySite(ctx)) {
    if (ole::HRESULT hr = site->GetClipboardFormats(&formats); ole::FAILED(hr)) {
      return NativeResult::Failed("Host.ClipboardFormats", hr);
    }
  }
  duk_idx_t array = duk_push_array(ctx);
  for (size_t i = 0; i < formats.size(); ++i) {
    duk_push_uint(ctx, formats[i]);
    duk_put_prop_index(ctx, array, static_cast<duk_uarridx_t>(i));
  }
  return NativeResult::Values(1);
}

NativeResult SaveClipboardImage(duk_context* ctx) {
  if (!duk_is_string(ctx, 0)) return BadArg("SaveClipboardImage", 1, "a file path");
  std::string path = StringArg(ctx, 0);
  IHeadlessControl* site = AnySite(ctx);
  ole::HRESULT hr = site ? site->SaveClipboardPng(path) : ole::S_FALSE;
  if (ole::FAILED(hr)) return NativeResult::Failed("Host.SaveClipboardImage", hr, "cannot write " + path);
  duk_push_boolean(ctx, hr == ole::S_OK);
  return NativeResult::Values(1);
}

NativeResult SetClipboardText(duk_context* ctx) {
  if (!duk_is_string(ctx, 0)) return BadArg("SetClipboardText", 1, "a text");
  IHeadlessControl* site = AnySite(ctx);
  if (!site) return NativeResult::Fail("Host.SetClipboardText: create a control first");
  ole::HRESULT hr = site->SetClipboardText(StringArg(ctx, 0));
  if (ole::FAILED(hr)) return NativeResult::Failed("Host.SetClipboardText", hr);
  duk_push_boolean(ctx, hr == ole::S_OK);
  return NativeResult::Values(1);
}

NativeResult GetPrinter(duk_context* ctx) {
  HostState& state = StateOf(ctx);
  std::string printer = state.printer.value_or(std::string());
  if (IHeadlessControl* site = AnySite(ctx); site && !state.printer) (void)site->GetPrinter(&printer);
  duk_push_lstring(ctx, printer.data(), printer.size());
  return NativeResult::Values(1);
}

NativeResult SetPrinter(duk_context* ctx) {
  if (!duk_is_string(ctx, 0)) {
    return NativeResult::Type("Host.Printer must be a CUPS destination, \"file:\" and a path, or \"\"");
  }
  HostState& state = StateOf(ctx);
  state.printer = StringArg(ctx, 0);
  for (Control* control : state.controls->Live()) {
    if (control->site) (void)control->site->SetPrinter(*state.printer);
  }
  return NativeResult::None();
}

NativeResult GetClipboardBusy(duk_context* ctx) {
  duk_push_boolean(ctx, StateOf(ctx).clipboardBusy);
  return NativeResult::Values(1);
}

NativeResult SetClipboardBusy(duk_context* ctx) {
  HostState& state = StateOf(ctx);
  state.clipboardBusy = duk_to_boolean(ctx, 0) != 0;
  if (IHeadlessControl* site = AnySite(ctx)) (void)site->SetClipboardBusy(state.clipboardBusy ? win::TRUE : win::FALSE);
  return NativeResult::None();
}

struct FunctionEntry {
  const char* name;
  duk_c_function function;
  duk_idx_t args;
};

constexpr FunctionEntry kFunctions[] = {
    {"Echo", Native<Echo>, DUK_VARARGS},
    {"Quit", Native<Quit>, 1},
    {"CreateControl", Native<CreateControlFn>, 4},
    {"Pump", Native<Pump>, 0},
    {"PaintCount", Native<PaintCount>, 1},
    {"Resize", Native<Resize>, 3},
    {"ClientSize", Native<ClientSize>, 1},
    {"SetScrollBarThickness", Native<SetScrollBarThickness>, 2},
    {"SaveClientArea", Native<SaveClientArea>, 2},
    {"ClientPixel", Native<ClientPixel>, 3},
    {"MouseMove", Native<MouseMove>, 4},
    {"MouseDown", Native<MouseDown>, 5},
    {"MouseUp", Native<MouseUp>, 5},
    {"Wheel", Native<Wheel>, 3},
    {"Scroll", Native<Scroll>, 4},
    {"ScrollBar", Native<ScrollBar>, 2},
    {"DestroyWindow", Native<DestroyWindowFn>, 1},
    {"RecreateWindow", Native<RecreateWindow>, 1},
    {"SaveProperties", Native<SaveProperties>, 2},
    {"ResetProperties", Native<ResetProperties>, 1},
    {"IsModified", Native<IsModified>, 1},
    {"DoVerb", Native<DoVerb>, 2},
    {"OnEvent", Native<OnEvent>, 2},
    {"Release", Native<Release>, 1},
    {"ClipboardFormats", Native<ClipboardFormats>, 0},
    {"SaveClipboardImage", Native<SaveClipboardImage>, 1},
    {"SetClipboardText", Native<SetClipboardText>, 1},
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
  for (const FunctionEntry& entry : kFunctions) {
    duk_push_c_function(ctx, entry.function, entry.args);
    duk_put_prop_string(ctx, host, entry.name);
  }
  duk_idx_t args = duk_push_array(ctx);
  const std::vector<std::string>& arguments = StateOf(ctx).arguments;
  for (size_t i = 0; i < arguments.size(); ++i) {
    duk_push_lstring(ctx, arguments[i].data(), arguments[i].size());
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
  duk_push_c_function(ctx, Native<ActiveXObjectFn>, 1);
  duk_put_prop_string(ctx, -2, "ActiveXObject");
  duk_pop(ctx);
}

}  // namespace tavlen::host
