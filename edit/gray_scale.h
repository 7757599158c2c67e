// Gray-scale conversion of a picture in place, by the luminance colour matrix.
#pragma once

#include "platform/graphics/bitmap.h"
#include "platform/graphics/drawing/image_attributes.h"

namespace tavlen::edit {

// Rows: red, green, blue, alpha, constant in; columns: red, green, blue, alpha out. Each colour
// channel becomes 0.299 R + 0.587 G + 0.114 B; alpha is kept.
gfx::ColorMatrix GrayScaleMatrix();

// Applies GrayScaleMatrix() to every pixel: same size and pixel format, red = green = blue, alpha
// kept (translucent pixels are not blended with their old colour). InvalidParameter for indexed
// and 16-bit formats, which a drawing surface cannot be opened on: nothing changes then.
// WrongState while the picture is locked.
gfx::Status ConvertToGrayScale(gfx::Bitmap& image);

}  // namespace tavlen::edit
