// The fit: lcms2's pipeline for a matrix-shaper source is the source's tone curves, one affine map in
// linear light (the colorants, the chromatic adaptation, black-point compensation's shift, sRGB's
// inverse colorants) and sRGB's inverse curve. The curves are read from the profiles; the affine map is
// measured with lcms2's float transform by small steps from mid-gray, where no channel clips.
#include "platform/graphics/color_management_fast.h"

#include <lcms2.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "platform/graphics/color_management_handles.h"

namespace tavlen::gfx {
namespace {

// The source's curves, R, G, B; null ones when it has none.
std::array<const cmsToneCurve*, 3> SourceCurves(cmsHPROFILE source) {
  return {static_cast<const cmsToneCurve*>(cmsReadTag(source, cmsSigRedTRCTag)),
          static_cast<const cmsToneCurve*>(cmsReadTag(source, cmsSigGreenTRCTag)),
          static_cast<const cmsToneCurve*>(cmsReadTag(source, cmsSigBlueTRCTag))};
}

// The input values of the check: every 8th level and the darkest ones, where curves are steepest.
std::vector<uint8_t> CheckLevels() {
  std::vector<uint8_t> levels{1, 2, 3, 5};
  for (int v = 0; v < 255; v += 8) levels.push_back(static_cast<uint8_t>(v));
  levels.push_back(255);
  return levels;
}

}  // namespace

std::optional<FastRgbToSrgb> FastRgbToSrgb::Make(void* source, void* srgb, void* reference) {
  // A profile with tables for the intent is converted through them, not its matrix.
  if (cmsGetColorSpace(source) != cmsSigRgbData || !cmsIsMatrixShaper(source) ||
      cmsIsCLUT(source, INTENT_PERCEPTUAL, LCMS_USED_AS_INPUT))
    return std::nullopt;
  const auto curves = SourceCurves(source);
  const auto* srgbCurve = static_cast<const cmsToneCurve*>(cmsReadTag(srgb, cmsSigRedTRCTag));
  if (!curves[0] || !curves[1] || !curves[2] || !srgbCurve) return std::nullopt;
  ToneCurve srgbInverse(cmsReverseToneCurve(srgbCurve));
  Transform fine(cmsCreateTransform(source, TYPE_RGB_FLT, srgb, TYPE_RGB_FLT, INTENT_PERCEPTUAL,
                                    cmsFLAGS_BLACKPOINTCOMPENSATION | cmsFLAGS_NOCACHE));
  if (!srgbInverse || !fine) return std::nullopt;

  // Mid-gray and a step up in each channel, through lcms2 and back to linear light.
  constexpr float kGray = 0.5f, kStep = 0.0625f;
  float in[4][3] = {{kGray, kGray, kGray},
                    {kGray + kStep, kGray, kGray},
                    {kGray, kGray + kStep, kGray},
                    {kGray, kGray, kGray + kStep}};
  float out[4][3];
  cmsDoTransform(fine.get(), in, out, 4);
  for (auto& pixel : out)
    for (float& v : pixel) v = cmsEvalToneCurveFloat(srgbCurve, v);
  float matrix[3][3], offset[3], grayLinear[3];
  for (int c = 0; c < 3; ++c) {
    grayLinear[c] = cmsEvalToneCurveFloat(curves[c], kGray);
    const float rise = cmsEvalToneCurveFloat(curves[c], kGray + kStep) - grayLinear[c];
    if (!(std::abs(rise) > 1e-6f)) return std::nullopt;
    for (int k = 0; k < 3; ++k) matrix[k][c] = (out[1 + c][k] - out[0][k]) / rise * kEncodeSteps;
  }
  for (int k = 0; k < 3; ++k) {
    offset[k] = out[0][k] * kEncodeSteps + 0.5f;
    for (int c = 0; c < 3; ++c) offset[k] -= matrix[k][c] * grayLinear[c];
  }
  FastRgbToSrgb fast;
  for (int c = 0; c < 3; ++c) {
    for (int v = 0; v < 256; ++v) {
      const float linear = cmsEvalToneCurveFloat(curves[c], v / 255.0f);
      Float4& share = fast.share_[c][v];
      for (int k = 0; k < 3; ++k) share[k] = matrix[k][c] * linear + (c == 0 ? offset[k] : 0.f);
      // A share out of any range would index past the tables.
      if (!(std::abs(share[0]) + std::abs(share[1]) + std::abs(share[2]) < kMostEncodeSteps)) return std::nullopt;
    }
  }
  std::vector<uint8_t> encode(kEncodeSteps + 1);
  for (int i = 0; i <= kEncodeSteps; ++i) {
    const float v =
        std::clamp(cmsEvalToneCurveFloat(srgbInverse.get(), static_cast<float>(i) / kEncodeSteps), 0.f, 1.f);
    encode[i] = static_cast<uint8_t>(std::lround(v * 255));
  }
  // Each output channel's table spans every sum the shares can make, shifted to start at 0 and
  // clipped to sRGB's range in its entries, so that the pixel loop needs no clamping.
  for (int k = 0; k < 3; ++k) {
    float low = 0, high = 0;
    for (int c = 0; c < 3; ++c) {
      const auto [least, most] = std::minmax_element(fast.share_[c].begin(), fast.share_[c].end(),
                                                     [k](const Float4& a, const Float4& b) { return a[k] < b[k]; });
      low += (*least)[k];
      high += (*most)[k];
    }
    const float shift = std::floor(std::min(low, 0.f)) - 1;
    if (!(high - shift < kMostEncodeSteps)) return std::nullopt;
    for (Float4& share : fast.share_[0]) share[k] -= shift;
    auto& table = fast.encode_[k];
    table.resize(static_cast<size_t>(std::ceil(high - shift)) + 2);
    for (size_t i = 0; i < table.size(); ++i)
      table[i] = encode[std::clamp(static_cast<int>(i) + static_cast<int>(shift), 0, kEncodeSteps)];
  }

  // The check against lcms2's own 8-bit result.
  const std::vector<uint8_t> levels = CheckLevels();
  std::vector<uint8_t> ours, theirs;
  for (uint8_t r : levels)
    for (uint8_t g : levels)
      for (uint8_t b : levels) ours.insert(ours.end(), {b, g, r});
  theirs.resize(ours.size());
  const auto count = static_cast<uint32_t>(ours.size() / 3);
  cmsDoTransform(reference, ours.data(), theirs.data(), count);
  fast.ConvertRow(ours.data(), count, 3);
  for (size_t i = 0; i < ours.size(); ++i)
    if (std::abs(ours[i] - theirs[i]) > 1) return std::nullopt;
  return fast;
}

void FastRgbToSrgb::ConvertRow(uint8_t* row, uint32_t width, uint32_t bytesPerPixel) const {
  using Int4 = int32_t __attribute__((vector_size(16)));
  const Float4* shareR = share_[0].data();
  const Float4* shareG = share_[1].data();
  const Float4* shareB = share_[2].data();
  const uint8_t* encodeR = encode_[0].data();
  const uint8_t* encodeG = encode_[1].data();
  const uint8_t* encodeB = encode_[2].data();
  for (uint32_t x = 0; x < width; ++x, row += bytesPerPixel) {
    // Never below 0 nor past the tables: the shares are shifted and the tables span their sums.
    const Int4 step = __builtin_convertvector(shareR[row[2]] + shareG[row[1]] + shareB[row[0]], Int4);
    row[2] = encodeR[static_cast<uint32_t>(step[0])];
    row[1] = encodeG[static_cast<uint32_t>(step[1])];
    row[0] = encodeB[static_cast<uint32_t>(step[2])];
  }
}

}  // namespace tavlen::gfx
