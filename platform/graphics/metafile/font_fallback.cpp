// Font fallback of the metafile player: the LOGFONT's family bits first, then well-known face names.
#include "platform/graphics/metafile/font_fallback.h"

#include <glib.h>

#include "platform/graphics/drawing/font.h"

namespace tavlen::gfx::metafile {
namespace {

enum : uint8_t { kFixedPitch = 1, kPitchMask = 3 };
enum : uint8_t { kFamilyRoman = 0x10, kFamilySwiss = 0x20, kFamilyModern = 0x30, kFamilyMask = 0xF0 };
enum : uint8_t {
  kSymbolCharset = 2,
  kShiftJisCharset = 128,
  kHangulCharset = 129,
  kJohabCharset = 130,
  kGb2312Charset = 134,
  kBig5Charset = 136,
};

bool Contains(const std::string& lowerFace, const char* word) { return lowerFace.find(word) != std::string::npos; }

// Writers often leave the family bits at "don't care"; the face's name then tells the design.
const char* FamilyFromName(std::string_view face) {
  gchar* folded = g_ascii_strdown(face.data(), static_cast<gssize>(face.size()));
  const std::string lower(folded);
  g_free(folded);
  for (const char* word : {"courier", "console", "consolas", "typewriter", "fixedsys", "terminal"}) {
    if (Contains(lower, word)) return "monospace";
  }
  if (Contains(lower, "mono") && !Contains(lower, "monotype")) return "monospace";
  if (Contains(lower, "sans")) return "sans-serif";
  for (const char* word : {"times", "roman", "serif", "garamond", "bookman", "georgia", "palatino", "antiqua",
                           "century", "cambria", "baskerville", "didot", "bodoni", "mincho", "song", "ming"}) {
    if (Contains(lower, word)) return "serif";
  }
  return nullptr;
}

}  // namespace

std::string FallbackFamily(std::string_view face, uint8_t pitchAndFamily, uint8_t charSet) {
  if (charSet == kSymbolCharset) {
    // Symbol text is mapped to Unicode before drawing; a symbol font draws it closest to the writer's.
    auto symbol = FontFamily::FromName("Symbol");
    return symbol.Ok() ? symbol.Value().Name() : "serif";
  }
  const uint8_t family = pitchAndFamily & kFamilyMask;
  if (family == kFamilyModern || (pitchAndFamily & kPitchMask) == kFixedPitch) return "monospace";
  if (family == kFamilyRoman) return "serif";
  if (family == kFamilySwiss) return "sans-serif";
  const char* byName = FamilyFromName(face);
  return byName ? byName : "sans-serif";
}

const char* CharSetLanguage(uint8_t charSet) {
  switch (charSet) {
    case kShiftJisCharset:
      return "ja";
    case kHangulCharset:
    case kJohabCharset:
      return "ko";
    case kGb2312Charset:
      return "zh-cn";
    case kBig5Charset:
      return "zh-tw";
    default:
      return nullptr;
  }
}

}  // namespace tavlen::gfx::metafile
