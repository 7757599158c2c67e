// Colour matrices of image attributes and their application to rows of pixels.
#include "platform/graphics/drawing/image_attributes.h"

#include <algorithm>
#include <cmath>

namespace tavlen::gfx {

ColorMatrix ColorMatrix::Identity() {
  ColorMatrix c;
  for (int i = 0; i < 5; ++i) c.m[i][i] = 1.0f;
  return c;
}

Status ImageAttributes::SetColorMatrix(ColorAdjustType type, bool enable, const ColorMatrix* matrix,
                                       const ColorMatrix* grayMatrix, ColorMatrixFlags flags) {
  const auto t = static_cast<int32_t>(type);
  const auto f = static_cast<int32_t>(flags);
  if (t < 0 || t > 4 || f < 0 || f > 2) return Status::InvalidParameter;
  if (!enable) return ClearColorMatrix(type);
  if (!matrix || (flags == ColorMatrixFlags::AltGray && !grayMatrix)) return Status::InvalidParameter;
  Slot& slot = m_slots[static_cast<size_t>(t)];
  slot.set = true;
  slot.adjustment.matrix = *matrix;
  slot.adjustment.gray = grayMatrix ? *grayMatrix : ColorMatrix::Identity();
  slot.adjustment.flags = flags;
  return Status::Ok;
}

Status ImageAttributes::ClearColorMatrix(ColorAdjustType type) {
  const auto t = static_cast<int32_t>(type);
  if (t < 0 || t > 4) return Status::InvalidParameter;
  m_slots[static_cast<size_t>(t)] = Slot{};
  return Status::Ok;
}

const ImageAttributes::Adjustment* ImageAttributes::ForBitmaps() const {
  if (m_slots[1].set) return &m_slots[1].adjustment;
  if (m_slots[0].set) return &m_slots[0].adjustment;
  return nullptr;
}

namespace {

inline uint8_t ToByte(float v) {
  // Round to nearest: a row summing to exactly 1.0 in real numbers may come out a hair below it in floats.
  const float scaled = v * 255.0f + 0.5f;
  if (!(scaled > 0.0f)) return 0;
  return scaled >= 255.0f ? 255 : static_cast<uint8_t>(scaled);
}

inline void Transform(const ColorMatrix& c, uint8_t* px) {
  const float in[4] = {px[2] / 255.0f, px[1] / 255.0f, px[0] / 255.0f, px[3] / 255.0f};
  float out[4];
  for (int j = 0; j < 4; ++j) {
    out[j] = in[0] * c.m[0][j] + in[1] * c.m[1][j] + in[2] * c.m[2][j] + in[3] * c.m[3][j] + c.m[4][j];
  }
  px[2] = ToByte(out[0]);
  px[1] = ToByte(out[1]);
  px[0] = ToByte(out[2]);
  px[3] = ToByte(out[3]);
}

}  // namespace

void ApplyColorAdjustment(const ImageAttributes::Adjustment& a, uint8_t* bgra, uint32_t count) {
  for (uint32_t i = 0; i < count; ++i, bgra += 4) {
    const bool gray = bgra[0] == bgra[1] && bgra[1] == bgra[2];
    if (gray && a.flags == ColorMatrixFlags::SkipGrays) continue;
    Transform(gray && a.flags == ColorMatrixFlags::AltGray ? a.gray : a.matrix, bgra);
  }
}

bool KeepsAlpha(const ImageAttributes::Adjustment& a) {
  auto keeps = [](const ColorMatrix& c) {
    return c.m[0][3] == 0 && c.m[1][3] == 0 && c.m[2][3] == 0 && c.m[3][3] == 1.0f && c.m[4][3] == 0;
  };
  return keeps(a.matrix) && (a.flags != ColorMatrixFlags::AltGray || keeps(a.gray));
}

}  // namespace tavlen::gfx
