// Conversions to sRGB kept for the profiles met last. Building one costs about a millisecond for a
// simple profile and hundreds for a large table profile, more than converting a small picture; the
// pictures of one batch (one camera, one scanner) mostly embed the same profile.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>

#include "platform/graphics/color_management_fast.h"
#include "platform/graphics/color_management_handles.h"

namespace tavlen::gfx {

// One profile's conversion to sRGB for one pixel type: lcms2's transform, or the fast one fitted to
// it; neither when the profile does not fit the pixels. Shared by threads: lcms2's transforms are
// made without their one-pixel cache.
struct SrgbConversion {
  Transform transform;
  std::optional<FastRgbToSrgb> fast;
};
using SharedSrgbConversion = std::shared_ptr<const SrgbConversion>;

// What a conversion is made for: the profile's bytes, lcms2's pixel types and flags, and whether it
// is the fast fit (whose transform is only the reference it was checked against).
struct SrgbConversionKey {
  std::span<const uint8_t> profile;
  uint32_t inType = 0;
  uint32_t outType = 0;
  uint32_t flags = 0;
  bool fastFit = false;
};

// The kept conversion for `key`, else make()'s, kept for next time. A key without profile bytes
// (pixels described by PNG's chunks) or with a very large profile is never kept. Null only when there
// is no memory for the result.
SharedSrgbConversion CachedSrgbConversion(const SrgbConversionKey& key, const std::function<SrgbConversion()>& make);

}  // namespace tavlen::gfx
