// The seven descriptive text tags of a picture, read and written over its property items, and any
// other tag read as text.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/graphics/bitmap.h"

namespace tavlen::metadata {

enum class ImageTag : uint32_t {
  Artist = gfx::kPropertyTagArtist,
  Copyright = gfx::kPropertyTagCopyright,
  DateTime = gfx::kPropertyTagDateTime,
  Description = gfx::kPropertyTagImageDescription,
  EquipMake = gfx::kPropertyTagEquipMake,
  EquipModel = gfx::kPropertyTagEquipModel,
  Title = gfx::kPropertyTagImageTitle,
};

// The tag's text up to its first NUL, never past the item's length; empty when the tag is absent
// or not of the ASCII type. Text that is not valid UTF-8 (older files write Latin-1) is read as
// Latin-1 and comes back as UTF-8, so that callers always get UTF-8.
std::string ReadImageTag(const gfx::Bitmap& picture, ImageTag tag);

// Any tag's value as text, for reading only: ASCII as ReadImageTag reads it, the first value of an integer
// type in decimal, of a rational type as "numerator/denominator" as stored. Empty when the tag is absent,
// of another type (bytes with no stated meaning), too short for its type, or a rational over zero.
std::string ReadTagText(const gfx::Bitmap& picture, uint32_t id);

// Whether the picture carries a colour profile: the one it came with, or the sRGB profile of pixels
// converted from the colours its file described.
bool HasColorProfile(const gfx::Bitmap& picture);

// Adds the tag or replaces it: an ASCII-type item holding the text and a terminating NUL, its length
// counting the NUL. The text is stored unchanged, without checks of length, characters or layout.
// Empty text leaves the tag as it was and returns Ok.
gfx::Status WriteImageTag(gfx::Bitmap& picture, ImageTag tag, std::string_view text);

}  // namespace tavlen::metadata
