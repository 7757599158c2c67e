// A fast conversion of 8-bit RGB pixels from a matrix-shaper profile (Adobe RGB, Display P3, ProPhoto,
// PNG's chromaticities) to sRGB: per-channel tables to linear light, one 3x3 matrix, a table back to
// sRGB's curve. lcms2's own 8-bit transform costs about 10 ns of CPU a pixel, most of it in its
// per-pixel packing and unpacking; this one about 2.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace tavlen::gfx {

class FastRgbToSrgb {
 public:
  // The conversion from `source` to the lcms2 profile `srgb` (one curve for all three channels) with
  // the perceptual intent and black-point compensation, fitted to lcms2's float transform; `reference`
  // (TYPE_BGR_8 to TYPE_BGR_8, the same intent and flags) checks it on a grid of colours. Empty when
  // the source is no RGB matrix-shaper profile, has tables for the intent, or the fit differs from the
  // reference by more than a level anywhere on the grid.
  static std::optional<FastRgbToSrgb> Make(void* source, void* srgb, void* reference);

  // Converts `width` pixels of `bytesPerPixel` (3 or 4) bytes in B, G, R(, X) order in place; the
  // fourth byte is left alone.
  void ConvertRow(uint8_t* row, uint32_t width, uint32_t bytesPerPixel) const;

 private:
  // Linear light from 0 to 1 in steps of the table back to sRGB's curve.
  static constexpr int kEncodeSteps = 16384;

  // Past this many steps an output's range is absurd and lcms2 converts the pixels.
  static constexpr int kMostEncodeSteps = 64 * kEncodeSteps;
  using Float4 = float __attribute__((vector_size(16)));

  // Per input channel R, G, B and level: its share in output R, G, B (and an unused lane), in encode
  // steps: the matrix applied to the channel's curve. R's also holds the offset (black-point
  // compensation's shift, half a step for rounding, and the shift that keeps the sums at 0 or above).
  std::array<std::array<Float4, 256>, 3> share_{};
  // Per output channel R, G, B: sRGB's 8-bit value by the sum of the shares.
  std::array<std::vector<uint8_t>, 3> encode_;
};

}  // namespace tavlen::gfx
