// Gray-scale conversion: one draw of the picture onto itself through a colour matrix.
#include "edit/gray_scale.h"

#include "platform/graphics/drawing/graphics.h"

namespace tavlen::edit {

gfx::ColorMatrix GrayScaleMatrix() {
  constexpr float kRed = 0.299f, kGreen = 0.587f, kBlue = 0.114f;
  gfx::ColorMatrix matrix;
  matrix.m[0] = {kRed, kRed, kRed, 0, 0};
  matrix.m[1] = {kGreen, kGreen, kGreen, 0, 0};
  matrix.m[2] = {kBlue, kBlue, kBlue, 0, 0};
  matrix.m[3] = {0, 0, 0, 1, 0};
  matrix.m[4] = {0, 0, 0, 0, 1};
  return matrix;
}

gfx::Status ConvertToGrayScale(gfx::Bitmap& image) {
  auto graphics = gfx::Graphics::FromImage(image);
  if (!graphics.Ok()) return graphics.GetStatus();
  gfx::ImageAttributes attributes;
  const gfx::ColorMatrix matrix = GrayScaleMatrix();
  if (gfx::Status s = attributes.SetColorMatrix(gfx::ColorAdjustType::Bitmap, true, &matrix); s != gfx::Status::Ok)
    return s;
  const gfx::Rect whole{0, 0, static_cast<int32_t>(image.Width()), static_cast<int32_t>(image.Height())};
  return graphics.Value()->DrawImage(image, whole, whole, gfx::Unit::Pixel, &attributes);
}

}  // namespace tavlen::edit
