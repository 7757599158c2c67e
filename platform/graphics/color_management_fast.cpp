// The fit: lcms2's pipeline for a matrix-shaper source is the source's tone curves, one affine map in
// linear light (the colorants, the chromatic adaptation, black-point compensation's shift, sRGB's
// inverse colorants) and sRGB's inverse curve. The curves are read from the profiles; the affine map is
// measured with lcms2's float transform by small steps from mid-gray, where no channel clips.
#include "platform/graphics/color_management_fast.h"

#include <lcms2.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>

namespace tavlen::gfx {
namespace {

struct TransformDeleter {
  void operator()(void* t) const { cmsDeleteTransform(t); }
};
struct CurveFreer {
  void operator()(cmsToneCurve* c) const { cmsFreeToneCurve(c); }
};

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
  std::unique_ptr<cmsToneCurve, CurveFreer> srgbInverse(cmsReverseToneCurve(srgbCurve));
  std::unique_ptr<void, TransformDeleter> fine(cmsCreateTransform(
      source, TYPE_RGB_FLT, srgb, TYPE_RGB_FLT, INTENT_PERCEPTUAL, cmsFLAGS_BLACKPOINTCOMPENSATION | cmsFLAGS_NOCACHE));
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
    }
  }
  fast.encode_.resize(kEncodeSteps + 1);
  for (int i = 0; i <= kEncodeSteps; ++i) {
    const float v =
        std::clamp(cmsEvalToneCurveFloat(srgbInverse.get(), static_cast<float>(i) / kEncodeSteps), 0.f, 1.f);
    fast.encode_[i] = static_cast<uint8_t>(std::lround(v * 255));
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
  const uint8_t* encode = encode_.data();
  const Float4 low{}, high = Float4{} + (kEncodeSteps + 0.5f);
  for (uint32_t x = 0; x < width; ++x, row += bytesPerPixel) {
    Float4 v = shareR[row[2]] + shareG[row[1]] + shareB[row[0]];
    v = v < low ? low : v;
    v = v > high ? high : v;
    const Int4 step = __builtin_convertvector(v, Int4);  // rounded: the offset holds half a step
    row[2] = encode[step[0]];
    row[1] = encode[step[1]];
    row[0] = encode[step[2]];
  }
}

}  // namespace tavlen::gfx
