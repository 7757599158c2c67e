// Fuzzes the control's automation boundary: a fresh control per input, every member of its dispatch
// table called by DISPID with arguments drawn from the input, pictures loaded in between. Every call
// must come back with an HRESULT; file names stay inside a scratch folder that is the working
// directory, so no call can write elsewhere.
#include <fuzzer/FuzzedDataProvider.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "control/tavlen_interfaces.h"
#include "control/tavlen_object.h"
#include "include/tavlen/control_window.h"
#include "include/tavlen/module_services.h"
#include "platform/automation/dispatch.h"
#include "platform/graphics/bitmap.h"
#include "platform/graphics/codec_registry.h"
#include "platform/graphics/limits.h"

namespace {

using tavlen::ole::Variant;

// Small pictures of several kinds, written once into the scratch folder.
std::vector<std::string> MakeSeedPictures() {
  using namespace tavlen::gfx;
  std::vector<std::string> names;
  const struct {
    const char* name;
    PixelFormat format;
    const Guid* encoder;
  } seeds[] = {
      {"seed.png", PixelFormat::ARGB32bpp, &kPngEncoderClsid},
      {"seed.bmp", PixelFormat::RGB24bpp, &kBmpEncoderClsid},
      {"seed.gif", PixelFormat::Indexed8bpp, &kGifEncoderClsid},
      {"seed.jpg", PixelFormat::RGB24bpp, &kJpegEncoderClsid},
      {"seed.tif", PixelFormat::Indexed1bpp, &kTiffEncoderClsid},
  };
  for (const auto& seed : seeds) {
    auto bitmap = Bitmap::Create(23, 17, seed.format);
    if (!bitmap.Ok()) continue;
    if (bitmap.Value()->Save(seed.name, *seed.encoder) == Status::Ok) names.push_back(seed.name);
  }
  return names;
}

const std::vector<std::string>& SeedPictures() {
  static const std::vector<std::string> pictures = [] {
    const std::filesystem::path scratch =
        std::filesystem::temp_directory_path() / ("tavlen-automation-fuzz-" + std::to_string(getpid()));
    std::filesystem::create_directories(scratch);
    std::filesystem::current_path(scratch);
    static const std::filesystem::path removeAtExit = scratch;
    std::atexit([] {
      std::error_code ignored;
      std::filesystem::remove_all(removeAtExit, ignored);
    });
    return MakeSeedPictures();
  }();
  return pictures;
}

std::string DrawString(FuzzedDataProvider& in) {
  switch (in.ConsumeIntegralInRange(0, 9)) {
    case 0:
      return {};
    case 1:
      return std::string(1 << 20, 'x');  // a one-megabyte string
    case 2:
    case 3:
    case 4: {
      const auto& pictures = SeedPictures();
      if (!pictures.empty()) return pictures[in.ConsumeIntegralInRange<size_t>(0, pictures.size() - 1)];
      return "missing.png";
    }
    default: {
      // Any bytes, embedded NULs and broken UTF-8 included, but no separator: names stay in the folder.
      std::string text = in.ConsumeRandomLengthString(64);
      for (char& c : text) {
        if (c == '/') c = '_';
      }
      return text;
    }
  }
}

int32_t DrawInt(FuzzedDataProvider& in) {
  static constexpr int32_t kEdges[] = {0,
                                       -1,
                                       1,
                                       11,
                                       255,
                                       256,
                                       32767,
                                       -32768,
                                       65535,
                                       std::numeric_limits<int32_t>::max(),
                                       std::numeric_limits<int32_t>::min()};
  if (in.ConsumeBool()) return kEdges[in.ConsumeIntegralInRange<size_t>(0, std::size(kEdges) - 1)];
  return in.ConsumeIntegralInRange<int32_t>(-300, 3000);
}

Variant DrawValue(FuzzedDataProvider& in) {
  switch (in.ConsumeIntegralInRange(0, 11)) {
    case 0:
      return Variant();
    case 1:
      return Variant::Null();
    case 2:
      return Variant::Error(tavlen::ole::DISP_E_PARAMNOTFOUND);  // a missing optional argument
    case 3:
      return Variant(static_cast<int16_t>(DrawInt(in)));
    case 4:
      return Variant(in.ConsumeBool());
    case 5: {
      static constexpr double kDoubles[] = {0.0,
                                            0.5,
                                            2.0,
                                            -1.0,
                                            1e300,
                                            -1e300,
                                            std::numeric_limits<double>::infinity(),
                                            std::numeric_limits<double>::quiet_NaN(),
                                            1e-300};
      if (in.ConsumeBool()) return Variant(kDoubles[in.ConsumeIntegralInRange<size_t>(0, std::size(kDoubles) - 1)]);
      return Variant(in.ConsumeFloatingPointInRange(-10.0, 10.0));
    }
    case 6:
      return Variant(in.ConsumeIntegral<int64_t>());
    case 7:
      return Variant(in.ConsumeIntegral<uint32_t>());
    case 8:
    case 9:
      return Variant(DrawString(in));
    default:
      return Variant(DrawInt(in));
  }
}

// A Resize the limits accept to a picture of more than 4 megapixels. Such a picture is legitimate, but
// each whole-picture call on it then takes seconds under the sanitizers: the input would time out
// without reaching anything new. Sizes the limits refuse stay in, as their refusal is cheap.
bool IsLargeAcceptedResize(const tavlen::ole::DispatchMember& member, const std::vector<Variant>& positional) {
  using namespace tavlen::ole;
  if (std::string_view(member.name) != "Resize" || positional.size() < 2) return false;
  int64_t side[2];
  for (int i = 0; i < 2; ++i) {
    Variant asInt;
    if (FAILED(VariantChangeType(&asInt, positional[i], 0, VT_I4))) return false;
    side[i] = asInt.I4();
  }
  const auto& limits = tavlen::gfx::kDefaultLimits;
  const bool accepted = side[0] > 0 && side[1] > 0 && side[0] <= limits.maxSide && side[1] <= limits.maxSide &&
                        static_cast<uint64_t>(side[0] * side[1]) * 4 <= limits.maxPixelBytes;
  return accepted && side[0] * side[1] > (int64_t{1} << 22);
}

// One call of one member: usually with the declared argument count, sometimes not; values of any type.
void CallMember(FuzzedDataProvider& in, tavlen::ole::IDispatch* control, const tavlen::ole::DispatchMember& member) {
  using namespace tavlen::ole;
  uint16_t flags = DISPATCH_METHOD;
  size_t count = member.paramCount;
  bool put = false;
  if (member.IsProperty()) {
    put = !member.IsReadOnly() && in.ConsumeBool();
    flags = put ? DISPATCH_PROPERTYPUT : DISPATCH_PROPERTYGET;
    count = 0;
  }
  if (in.ConsumeIntegralInRange(0, 7) == 0) count = in.ConsumeIntegralInRange<size_t>(0, 9);
  DispArgs args;
  std::vector<Variant> drawn;  // the positional values, as given
  for (size_t i = 0; i < count; ++i) {
    if (in.ConsumeIntegralInRange(0, 15) == 0) {
      args.AppendNamed(in.ConsumeIntegralInRange<DISPID>(-5, 5), DrawValue(in));
    } else {
      drawn.push_back(DrawValue(in));
      args.Append(drawn.back());
    }
  }
  if (put) args = DispArgs::ForPut(DrawValue(in));
  if (IsLargeAcceptedResize(member, drawn)) return;
  Variant result;
  uint32_t argErr = 0;
  (void)control->Invoke(member.dispid, IID_NULL, 0, flags, args.Params(), &result, nullptr, &argErr);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tavlen;
  const auto& pictures = SeedPictures();
  FuzzedDataProvider in(data, size);
  // Version 2 holds every member of version 1 and adds its own; both are driven.
  const ControlVersion version = in.ConsumeBool() ? ControlVersion::Two : ControlVersion::One;
  auto control = ole::MakeObject<CTavlenObject>(version);
  if (!control) return 0;
  ole::ComPtr<ole::IPersistPropertyBag> persist;
  ole::ComPtr<IControlWindow> host;
  ole::ComPtr<IModuleServices> services;
  ole::ComPtr<ole::IDispatch> dispatch;
  if (control.As(&persist) != ole::S_OK || control.As(&host) != ole::S_OK || control.As(&services) != ole::S_OK ||
      control.As(&dispatch) != ole::S_OK) {
    __builtin_trap();
  }
  (void)persist->InitNew();
  (void)services->SetDialogAnswer("cancel");  // dialogs never wait, and nothing is printed
  (void)host->CreateControlWindow(64, 48);
  const auto members = DispatchTableOf(version).members;
  for (int step = 0; step < 64 && in.remaining_bytes() > 0; ++step) {
    if (in.ConsumeIntegralInRange(0, 9) == 0 && !pictures.empty()) {
      ole::DispArgs args{Variant(pictures[in.ConsumeIntegralInRange<size_t>(0, pictures.size() - 1)])};
      ole::Variant ignored;
      (void)ole::InvokeByName(dispatch.Get(), "LoadImage", ole::DISPATCH_METHOD, args, &ignored);
    } else {
      CallMember(in, dispatch.Get(), members[in.ConsumeIntegralInRange<size_t>(0, members.size() - 1)]);
    }
    host->Pump();
  }
  (void)services->ClearShownDialogs();
  return 0;
}
