// Colour conversion to sRGB with Little CMS: perceptual intent with black-point compensation, 8- and
// 16-bit pixels converted in place, in two halves on two cores. 8-bit RGB from matrix-shaper profiles
// takes the fast conversion fitted to lcms2's.
#include "platform/graphics/color_management.h"

#include <lcms2.h>

#include <algorithm>
#include <new>

#include "platform/graphics/color_management_fast.h"
#include "platform/graphics/color_management_handles.h"
#include "platform/graphics/srgb_conversion_cache.h"
#include "platform/graphics/two_halves.h"

namespace tavlen::gfx {
namespace {

// The transforms are shared by two threads, so lcms2's one-pixel cache is switched off.
constexpr cmsUInt32Number kFlags = cmsFLAGS_BLACKPOINTCOMPENSATION | cmsFLAGS_NOCACHE;

// PNG's chromaticities and gamma (or AVIF's primaries and curve) as an RGB profile; null when they
// describe no possible colour space.
Profile ProfileFromChunks(const ColorSource& color) {
  if (!color.hasChromaticities && color.gamma <= 0 && !color.srgbCurve) return nullptr;
  const double* c = color.chromaticities;
  // Without cHRM the primaries are sRGB's (what a viewer assumes); without gAMA the curve is 2.2.
  cmsCIExyY white{0.3127, 0.3290, 1.0};
  cmsCIExyYTRIPLE primaries{{0.64, 0.33, 1.0}, {0.30, 0.60, 1.0}, {0.15, 0.06, 1.0}};
  if (color.hasChromaticities) {
    white = {c[0], c[1], 1.0};
    primaries = {{c[2], c[3], 1.0}, {c[4], c[5], 1.0}, {c[6], c[7], 1.0}};
  }
  if (white.y <= 0 || primaries.Red.y <= 0 || primaries.Green.y <= 0 || primaries.Blue.y <= 0) return nullptr;
  const double decodingGamma = color.gamma > 0 ? 1.0 / color.gamma : 2.2;
  if (!(decodingGamma > 0.1 && decodingGamma < 10)) return nullptr;
  // sRGB's curve: a power of 2.4 with a linear segment near black (IEC 61966-2-1).
  const double srgbParameters[5] = {2.4, 1 / 1.055, 0.055 / 1.055, 1 / 12.92, 0.04045};
  cmsToneCurve* curve =
      color.srgbCurve ? cmsBuildParametricToneCurve(nullptr, 4, srgbParameters) : cmsBuildGamma(nullptr, decodingGamma);
  if (curve == nullptr) return nullptr;
  cmsToneCurve* curves[3] = {curve, curve, curve};
  Profile profile(cmsCreateRGBProfile(&white, &primaries, curves));
  cmsFreeToneCurve(curve);
  return profile;
}

Profile ProfileFromBytes(const Bytes& bytes) {
  if (bytes.empty()) return nullptr;
  return Profile(cmsOpenProfileFromMem(bytes.data(), static_cast<cmsUInt32Number>(bytes.size())));
}

Profile Srgb() { return Profile(cmsCreate_sRGBProfile()); }

// The lcms2 pixel type of a format in the library's B, G, R(, A) byte order; 0 when it has none.
cmsUInt32Number RgbTypeOf(PixelFormat format) {
  switch (format) {
    case PixelFormat::RGB24bpp:
      return TYPE_BGR_8;
    case PixelFormat::RGB32bpp:
    case PixelFormat::ARGB32bpp:
      return TYPE_BGRA_8;
    case PixelFormat::RGB48bpp:
      return TYPE_BGR_16;
    case PixelFormat::ARGB64bpp:
      return TYPE_BGRA_16;
    default:
      return 0;  // premultiplied and 16-bit packed formats are not made by decoders with profiles
  }
}

// Runs a transform over rows of `in` into rows of `out` (which may be the same rows).
void TransformRows(void* transform, const uint8_t* in, size_t inStride, uint8_t* out, size_t outStride, uint32_t width,
                   uint32_t height) {
  const size_t bytes = std::max(inStride, outStride) * height;
  RunInTwoHalves(height, bytes, 1, [&](uint32_t begin, uint32_t end) {
    cmsDoTransformLineStride(transform, in + begin * inStride, out + begin * outStride, width, end - begin,
                             static_cast<cmsUInt32Number>(inStride), static_cast<cmsUInt32Number>(outStride), 0, 0);
  });
}

// The conversion from `source` (whose bytes `color` holds, when it is embedded) to sRGB for the pixel
// types, made once for a profile met again. fastFit: the fast conversion fitted to lcms2's, or
// neither when the profile has none.
SharedSrgbConversion Conversion(const ColorSource& color, cmsHPROFILE source, cmsUInt32Number in, cmsUInt32Number out,
                                cmsUInt32Number flags, bool fastFit = false) {
  return CachedSrgbConversion({color.iccProfile, in, out, flags, fastFit}, [&] {
    SrgbConversion made;
    Profile srgb = Srgb();
    if (!srgb) return made;
    made.transform.reset(cmsCreateTransform(source, in, srgb.get(), out, INTENT_PERCEPTUAL, flags));
    if (fastFit) {
      if (made.transform) made.fast = FastRgbToSrgb::Make(source, srgb.get(), made.transform.get());
      made.transform.reset();
    }
    return made;
  });
}

// Gray pixels are indexed with a palette of grays: the palette is converted, each entry once.
bool ConvertGrayPalette(const ColorSource& color, cmsHPROFILE source, Palette& palette) {
  const SharedSrgbConversion conversion = Conversion(color, source, TYPE_GRAY_8, TYPE_BGR_8, kFlags);
  if (!conversion || !conversion->transform) return false;
  for (uint32_t& entry : palette.entries) {
    const uint8_t gray = static_cast<uint8_t>(entry & 0xFF);
    uint8_t bgr[3];
    cmsDoTransform(conversion->transform.get(), &gray, bgr, 1);
    entry = (entry & 0xFF000000u) | uint32_t{bgr[2]} << 16 | uint32_t{bgr[1]} << 8 | bgr[0];
  }
  return true;
}

bool IsGrayPalette(const Palette& palette) {
  return std::all_of(palette.entries.begin(), palette.entries.end(),
                     [](uint32_t c) { return (c & 0xFF) == (c >> 8 & 0xFF) && (c & 0xFF) == (c >> 16 & 0xFF); });
}

// Converts the pixels from `source` to sRGB (CMYK ones from the inks the decoder kept); false when the
// profile does not fit the pixels.
bool ConvertToSrgb(PixelBuffer& pixels, const ColorSource& color, cmsHPROFILE source) {
  const cmsColorSpaceSignature space = cmsGetColorSpace(source);
  if (space == cmsSigCmykData) {
    const PixelBuffer& inks = color.inks;
    const cmsUInt32Number target = RgbTypeOf(pixels.Format());
    // The fourth byte of 32-bit targets (opaque alpha, or unused) is left as the decoder wrote it.
    if (inks.Empty() || (target != TYPE_BGR_8 && target != TYPE_BGRA_8) || inks.Width() != pixels.Width() ||
        inks.Height() != pixels.Height())
      return false;
    const cmsUInt32Number inkType = color.invertedInks ? TYPE_CMYK_8_REV : TYPE_CMYK_8;
    const SharedSrgbConversion conversion = Conversion(color, source, inkType, target, kFlags);
    if (!conversion || !conversion->transform) return false;
    TransformRows(conversion->transform.get(), inks.Data(), inks.Stride(), pixels.Data(), pixels.Stride(),
                  pixels.Width(), pixels.Height());
    return true;
  }
  if (space == cmsSigGrayData) {
    if (!IsIndexed(pixels.Format()) || !IsGrayPalette(pixels.GetPalette())) return false;
    return ConvertGrayPalette(color, source, pixels.GetPalette());
  }
  if (space != cmsSigRgbData) return false;
  if (IsIndexed(pixels.Format())) {
    // A palette of colours: each entry converted once, as its own pixel.
    Palette& palette = pixels.GetPalette();
    const SharedSrgbConversion conversion =
        Conversion(color, source, TYPE_BGRA_8, TYPE_BGRA_8, kFlags | cmsFLAGS_COPY_ALPHA);
    if (!conversion || !conversion->transform) return false;
    cmsDoTransform(conversion->transform.get(), palette.entries.data(), palette.entries.data(),
                   static_cast<cmsUInt32Number>(palette.entries.size()));
    return true;
  }
  const cmsUInt32Number type = RgbTypeOf(pixels.Format());
  if (type == 0) return false;
  if (type == TYPE_BGR_8 || type == TYPE_BGRA_8) {
    const SharedSrgbConversion fit = Conversion(color, source, TYPE_BGR_8, TYPE_BGR_8, kFlags, true);
    if (fit && fit->fast) {
      const FastRgbToSrgb& fast = *fit->fast;
      const uint32_t bytesPerPixel = type == TYPE_BGR_8 ? 3 : 4;
      RunInTwoHalves(pixels.Height(), pixels.Stride() * pixels.Height(), 1, [&](uint32_t begin, uint32_t end) {
        for (uint32_t y = begin; y < end; ++y) fast.ConvertRow(pixels.Row(y), pixels.Width(), bytesPerPixel);
      });
      return true;
    }
  }
  const SharedSrgbConversion conversion = Conversion(color, source, type, type, kFlags | cmsFLAGS_COPY_ALPHA);
  if (!conversion || !conversion->transform) return false;
  TransformRows(conversion->transform.get(), pixels.Data(), pixels.Stride(), pixels.Data(), pixels.Stride(),
                pixels.Width(), pixels.Height());
  return true;
}

// The profile as the frame's one profile item. Without the memory for its copy the frame goes without.
void KeepProfile(std::vector<PropertyItem>& items, const std::vector<uint8_t>& profile) {
  std::erase_if(items, [](const PropertyItem& item) { return item.id == kPropertyTagICCProfile; });
  if (profile.empty()) return;
  try {
    items.push_back({kPropertyTagICCProfile, kPropertyTagTypeUndefined, profile});
  } catch (const std::bad_alloc&) {
  }
}

}  // namespace

const std::vector<uint8_t>& SrgbProfileBytes() {
  static const std::vector<uint8_t> bytes = [] {
    std::vector<uint8_t> out;
    Profile srgb = Srgb();
    cmsUInt32Number size = 0;
    if (!srgb || !cmsSaveProfileToMem(srgb.get(), nullptr, &size)) return out;
    out.resize(size);
    if (!cmsSaveProfileToMem(srgb.get(), out.data(), &size)) out.clear();
    return out;
  }();
  return bytes;
}

void ApplyColorOptions(DecodedFrame& frame, const DecodeOptions& options) {
  const ColorSource color = std::move(frame.color);
  frame.color = {};
  if (!options.colorManaged) {
    if (options.keepProfile) KeepProfile(frame.properties, color.iccProfile);
    return;
  }
  // An embedded profile wins over PNG's sRGB chunk, which wins over its cHRM and gAMA.
  Profile source = ProfileFromBytes(color.iccProfile);
  if (!source && color.iccProfile.empty() && !color.srgbChunk) source = ProfileFromChunks(color);
  const bool converted = source && ConvertToSrgb(frame.pixels, color, source.get());
  if (converted || color.srgbChunk) {
    KeepProfile(frame.properties, SrgbProfileBytes());
  } else {
    KeepProfile(frame.properties, color.iccProfile);
  }
}

}  // namespace tavlen::gfx
