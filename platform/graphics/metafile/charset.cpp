// Text of the 8-bit character sets (code pages, double-byte sets and the symbol set) converted to Unicode.
#include "platform/graphics/metafile/charset.h"

#include <glib.h>

#include <array>
#include <cstring>
#include <mutex>

namespace tavlen::gfx::metafile {
namespace {

enum : uint8_t {
  kAnsiCharset = 0,
  kDefaultCharset = 1,
  kSymbolCharset = 2,
  kMacCharset = 77,
  kShiftJisCharset = 128,
  kHangulCharset = 129,
  kJohabCharset = 130,
  kGb2312Charset = 134,
  kBig5Charset = 136,
  kGreekCharset = 161,
  kTurkishCharset = 162,
  kVietnameseCharset = 163,
  kHebrewCharset = 177,
  kArabicCharset = 178,
  kBalticCharset = 186,
  kRussianCharset = 204,
  kThaiCharset = 222,
  kEastEuropeCharset = 238,
  kOemCharset = 255,
};

const char* CodePage(uint8_t charSet) {
  switch (charSet) {
    case kMacCharset:
      return "MACINTOSH";
    case kShiftJisCharset:
      return "CP932";
    case kHangulCharset:
      return "CP949";
    case kJohabCharset:
      return "JOHAB";
    case kGb2312Charset:
      return "CP936";
    case kBig5Charset:
      return "CP950";
    case kGreekCharset:
      return "CP1253";
    case kTurkishCharset:
      return "CP1254";
    case kVietnameseCharset:
      return "CP1258";
    case kHebrewCharset:
      return "CP1255";
    case kArabicCharset:
      return "CP1256";
    case kBalticCharset:
      return "CP1257";
    case kRussianCharset:
      return "CP1251";
    case kThaiCharset:
      return "CP874";
    case kEastEuropeCharset:
      return "CP1250";
    case kOemCharset:
      return "CP437";
    default:
      return "CP1252";
  }
}

bool DoubleByte(uint8_t charSet) {
  return charSet == kShiftJisCharset || charSet == kHangulCharset || charSet == kJohabCharset ||
         charSet == kGb2312Charset || charSet == kBig5Charset;
}

bool LeadByte(uint8_t charSet, uint8_t b) {
  if (charSet == kShiftJisCharset) return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
  return b >= 0x81 && b <= 0xFE;
}

// The symbol font's letters and signs at their Unicode places; 0 keeps the byte's Latin-1 meaning.
char32_t SymbolChar(uint8_t b) {
  static constexpr char32_t kUpper[26] = {0x391, 0x392, 0x3A7, 0x394, 0x395, 0x3A6, 0x393, 0x397, 0x399,
                                          0x3D1, 0x39A, 0x39B, 0x39C, 0x39D, 0x39F, 0x3A0, 0x398, 0x3A1,
                                          0x3A3, 0x3A4, 0x3A5, 0x3C2, 0x3A9, 0x39E, 0x3A8, 0x396};
  static constexpr char32_t kLower[26] = {0x3B1, 0x3B2, 0x3C7, 0x3B4, 0x3B5, 0x3C6, 0x3B3, 0x3B7, 0x3B9,
                                          0x3D5, 0x3BA, 0x3BB, 0x3BC, 0x3BD, 0x3BF, 0x3C0, 0x3B8, 0x3C1,
                                          0x3C3, 0x3C4, 0x3C5, 0x3D6, 0x3C9, 0x3BE, 0x3C8, 0x3B6};
  if (b >= 'A' && b <= 'Z') return kUpper[b - 'A'];
  if (b >= 'a' && b <= 'z') return kLower[b - 'a'];
  struct Pair {
    uint8_t from;
    char32_t to;
  };
  static constexpr Pair kSigns[] = {
      {0x22, 0x2200}, {0x24, 0x2203}, {0x27, 0x220B}, {0x2A, 0x2217}, {0x2D, 0x2212}, {0x40, 0x2245}, {0x5C, 0x2234},
      {0x5E, 0x22A5}, {0x60, 0xF8E5}, {0x7E, 0x223C}, {0xA1, 0x3D2},  {0xA2, 0x2032}, {0xA3, 0x2264}, {0xA4, 0x2044},
      {0xA5, 0x221E}, {0xA6, 0x192},  {0xA7, 0x2663}, {0xA8, 0x2666}, {0xA9, 0x2665}, {0xAA, 0x2660}, {0xAB, 0x2194},
      {0xAC, 0x2190}, {0xAD, 0x2191}, {0xAE, 0x2192}, {0xAF, 0x2193}, {0xB0, 0xB0},   {0xB1, 0xB1},   {0xB2, 0x2033},
      {0xB3, 0x2265}, {0xB4, 0xD7},   {0xB5, 0x221D}, {0xB6, 0x2202}, {0xB7, 0x2022}, {0xB8, 0xF7},   {0xB9, 0x2260},
      {0xBA, 0x2261}, {0xBB, 0x2248}, {0xBC, 0x2026}, {0xC0, 0x2135}, {0xC1, 0x2111}, {0xC2, 0x211C}, {0xC3, 0x2118},
      {0xC4, 0x2297}, {0xC5, 0x2295}, {0xC6, 0x2205}, {0xC7, 0x2229}, {0xC8, 0x222A}, {0xC9, 0x2283}, {0xCA, 0x2287},
      {0xCB, 0x2284}, {0xCC, 0x2282}, {0xCD, 0x2286}, {0xCE, 0x2208}, {0xCF, 0x2209}, {0xD0, 0x2220}, {0xD1, 0x2207},
      {0xD2, 0xAE},   {0xD3, 0xA9},   {0xD4, 0x2122}, {0xD5, 0x220F}, {0xD6, 0x221A}, {0xD7, 0x22C5}, {0xD8, 0xAC},
      {0xD9, 0x2227}, {0xDA, 0x2228}, {0xDB, 0x21D4}, {0xDC, 0x21D0}, {0xDD, 0x21D1}, {0xDE, 0x21D2}, {0xDF, 0x21D3},
      {0xE0, 0x25CA}, {0xE1, 0x2329}, {0xE5, 0x2211}, {0xE6, 0x239B}, {0xE7, 0x239C}, {0xE8, 0x239D}, {0xE9, 0x23A1},
      {0xEA, 0x23A2}, {0xEB, 0x23A3}, {0xEC, 0x23A7}, {0xED, 0x23A8}, {0xEE, 0x23A9}, {0xEF, 0x23AA}, {0xF1, 0x232A},
      {0xF2, 0x222B}, {0xF3, 0x2320}, {0xF4, 0x23AE}, {0xF5, 0x2321}, {0xF6, 0x239E}, {0xF7, 0x239F}, {0xF8, 0x23A0},
      {0xF9, 0x23A4}, {0xFA, 0x23A5}, {0xFB, 0x23A6}, {0xFC, 0x23AB}, {0xFD, 0x23AC}, {0xFE, 0x23AD},
  };
  for (const Pair& p : kSigns)
    if (p.from == b) return p.to;
  return b;
}

char32_t ConvertOne(const char* bytes, size_t length, const char* codePage) {
  gsize written = 0;
  gchar* utf8 = g_convert(bytes, static_cast<gssize>(length), "UTF-8", codePage, nullptr, &written, nullptr);
  if (!utf8) return 0xFFFD;
  const gunichar c = g_utf8_get_char_validated(utf8, static_cast<gssize>(written));
  g_free(utf8);
  return (c == static_cast<gunichar>(-1) || c == static_cast<gunichar>(-2)) ? 0xFFFD : c;
}

// The 128 upper characters of a single-byte code page, converted once per call.
struct UpperHalf {
  std::array<char32_t, 128> chars{};
};

UpperHalf MakeUpperHalf(const char* codePage) {
  UpperHalf table;
  for (int b = 0; b < 128; ++b) {
    const char byte = static_cast<char>(b + 128);
    table.chars[b] = ConvertOne(&byte, 1, codePage);
  }
  return table;
}

// Conversion tables are made once per code page and shared: they are constant once built.
const UpperHalf& TableFor(const char* codePage) {
  static constexpr const char* kPages[] = {"CP1252", "MACINTOSH", "CP1253", "CP1254", "CP1258", "CP1255",
                                           "CP1256", "CP1257",    "CP1251", "CP874",  "CP1250", "CP437"};
  static constexpr size_t kCount = sizeof kPages / sizeof kPages[0];
  static std::array<std::once_flag, kCount> once;
  static std::array<UpperHalf, kCount> tables;
  size_t i = 0;
  while (i + 1 < kCount && std::strcmp(kPages[i], codePage) != 0) ++i;
  if (std::strcmp(kPages[i], codePage) != 0) i = 0;
  std::call_once(once[i], [i] { tables[i] = MakeUpperHalf(kPages[i]); });
  return tables[i];
}

}  // namespace

uint8_t TextCharSet(uint8_t charSet, std::string_view face) {
  return face.size() == 6 && g_ascii_strncasecmp(face.data(), "Symbol", 6) == 0 ? uint8_t{kSymbolCharset} : charSet;
}

void DecodeAnsi(std::span<const uint8_t> bytes, uint8_t charSet, std::u32string& chars,
                std::vector<uint32_t>& unitsPerChar) {
  chars.clear();
  unitsPerChar.clear();
  const char* codePage = CodePage(charSet);
  for (size_t i = 0; i < bytes.size(); ++i) {
    const uint8_t b = bytes[i];
    if (charSet == kSymbolCharset) {
      chars.push_back(SymbolChar(b));
      unitsPerChar.push_back(1);
    } else if (b < 0x80) {
      chars.push_back(b);
      unitsPerChar.push_back(1);
    } else if (DoubleByte(charSet) && LeadByte(charSet, b) && i + 1 < bytes.size()) {
      const char pair[2] = {static_cast<char>(b), static_cast<char>(bytes[i + 1])};
      chars.push_back(ConvertOne(pair, 2, codePage));
      unitsPerChar.push_back(2);
      ++i;
    } else if (DoubleByte(charSet)) {
      // Single upper bytes of the double-byte sets (half-width katakana in Shift-JIS) are the page's own.
      chars.push_back(ConvertOne(reinterpret_cast<const char*>(&b), 1, codePage));
      unitsPerChar.push_back(1);
    } else {
      chars.push_back(TableFor(codePage).chars[b - 128]);
      unitsPerChar.push_back(1);
    }
  }
}

}  // namespace tavlen::gfx::metafile
