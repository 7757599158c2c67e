// How a file's pixels are decoded beyond what its format alone says: colour management and the
// formats that only newer callers accept. The defaults change nothing, so existing callers keep their
// pixels exactly.
#pragma once

namespace tavlen::gfx {

struct DecodeOptions {
  // Pixels that come with a colour profile (embedded ICC, PNG chromaticities and gamma, CMYK inks
  // with a profile) are converted to sRGB, and the sRGB profile is kept with them.
  bool colorManaged = false;
  // Unconverted pixels keep the profile they came with as a property item, so that a save writes it
  // back beside them. Has no effect when colorManaged is set.
  bool keepProfile = false;
  // WebP, AVIF, HEIF and JPEG XL files are recognised; otherwise they are unknown formats.
  bool extraFormats = false;
};

}  // namespace tavlen::gfx
