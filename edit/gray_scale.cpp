// Gray-scale conversion: one draw of the picture onto itself through a colour matrix.
#include "edit/gray_scale.h"

#include "platform/graphics/drawing/graphics.h"

namespace tavlen::edit {
namespace {

// The matrix straight on the rows, through a 32bppARGB lock.
gfx::Status ApplyToRows(gfx::Bitmap& image, const gfx::ColorMatrix& matrix) {
  gfx::BitmapData data;
  const uint32_t mode = gfx::kImageLockModeRead | gfx::kImageLockModeWrite;
  if (gfx::Status s = image.LockBits(nullptr, mode, gfx::PixelFormat::ARGB32bpp, data); s != gfx::Status::Ok) return s;
  const gfx::ImageAttributes::Adjustment adjustment{matrix, gfx::ColorMatrix::Identity(),
                                                    gfx::ColorMatrixFlags::Default};
  auto* row = static_cast<uint8_t*>(data.scan0);
  for (uint32_t y = 0; y < data.height; ++y, row += data.stride) gfx::ApplyColorAdjustment(adjustment, row, data.width);
  return image.UnlockBits(data);
}

}  // namespace

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
  const gfx::ColorMatrix matrix = GrayScaleMatrix();
  // Drawn over itself, a translucent pixel would blend the gray with its old colour; pictures with
  // alpha take the matrix row by row instead, so that every pixel ends gray with its alpha kept.
  if (gfx::HasAlpha(image.Format())) return ApplyToRows(image, matrix);
  auto graphics = gfx::Graphics::FromImage(image);
  if (!graphics.Ok()) return graphics.GetStatus();
  gfx::ImageAttributes attributes;
  if (gfx::Status s = attributes.SetColorMatrix(gfx::ColorAdjustType::Bitmap, true, &matrix); s != gfx::Status::Ok)
    return s;
  const gfx::Rect whole{0, 0, static_cast<int32_t>(image.Width()), static_cast<int32_t>(image.Height())};
  return graphics.Value()->DrawImage(image, whole, whole, gfx::Unit::Pixel, &attributes);
}

}  // namespace tavlen::edit
