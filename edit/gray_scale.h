// Gray-scale conversion of a picture in place, through the luminance colour matrix.
#pragma once

#include "platform/graphics/bitmap.h"
#include "platform/graphics/drawing/image_attributes.h"

namespace tavlen::edit {

// Rows: red, green, blue, alpha, constant in; columns: red, green, blue, alpha out. Each colour
// channel becomes 0.299 R + 0.587 G + 0.114 B; alpha is kept.
gfx::ColorMatrix GrayScaleMatrix();

// Draws the picture onto itself through GrayScaleMatrix(): same size and pixel format, new values,
// alpha kept. InvalidParameter for formats the painter cannot draw into (indexed, 16-bit): nothing
// changes then.
gfx::Status ConvertToGrayScale(gfx::Bitmap& image);

}  // namespace tavlen::edit
