// Image attributes: the 5x5 colour matrix applied to the pixels of an image as it is drawn.
#pragma once

#include <array>
#include <cstdint>

#include "platform/graphics/status.h"

namespace tavlen::gfx {

// The colour as the row vector (r, g, b, a, 1) on a 0-1 scale is multiplied by m; the fifth
// column is ignored. Results are rounded and clamped to 0-255.
struct ColorMatrix {
  std::array<std::array<float, 5>, 5> m{};

  static ColorMatrix Identity();
};

enum class ColorAdjustType : int32_t { Default = 0, Bitmap = 1, Brush = 2, Pen = 3, Text = 4 };

enum class ColorMatrixFlags : int32_t {
  Default = 0,
  SkipGrays = 1,  // pixels with red = green = blue are left alone
  AltGray = 2,    // such pixels take the gray matrix instead
};

class ImageAttributes {
 public:
  // Default and Bitmap adjust images; Brush, Pen and Text are accepted and kept apart (images
  // never use them). InvalidParameter for an unknown type or flag, or AltGray without a gray matrix.
  Status SetColorMatrix(ColorAdjustType type, bool enable, const ColorMatrix* matrix,
                        const ColorMatrix* grayMatrix = nullptr, ColorMatrixFlags flags = ColorMatrixFlags::Default);
  Status ClearColorMatrix(ColorAdjustType type);

  // What drawing an image applies: the Bitmap setting, else the Default one. Null when none.
  struct Adjustment {
    ColorMatrix matrix;
    ColorMatrix gray;
    ColorMatrixFlags flags = ColorMatrixFlags::Default;
  };
  const Adjustment* ForBitmaps() const;

 private:
  struct Slot {
    bool set = false;
    Adjustment adjustment;
  };
  std::array<Slot, 5> m_slots{};
};

// Applies an adjustment to a row of straight B, G, R, A bytes in place.
void ApplyColorAdjustment(const ImageAttributes::Adjustment& adjustment, uint8_t* bgra, uint32_t count);

// True when the adjustment leaves alpha as it is, so opaque pixels stay opaque.
bool KeepsAlpha(const ImageAttributes::Adjustment& adjustment);

}  // namespace tavlen::gfx
