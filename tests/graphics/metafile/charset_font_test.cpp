// Narrow text through its font's code page, and the families that stand in for faces that are not installed.
#include <gtest/gtest.h>

#include "platform/graphics/drawing/font.h"
#include "platform/graphics/metafile/charset.h"
#include "platform/graphics/metafile/font_fallback.h"

namespace tavlen::gfx {
namespace {

std::u32string Decode(std::vector<uint8_t> bytes, uint8_t charSet, std::vector<uint32_t>* units = nullptr) {
  std::u32string chars;
  std::vector<uint32_t> perChar;
  metafile::DecodeAnsi(bytes, charSet, chars, perChar);
  if (units) *units = perChar;
  return chars;
}

TEST(MetafileCharsets, ShiftJisMixesDoubleBytesAndHalfWidthKatakana) {
  std::vector<uint32_t> units;
  // "ｱｲ" in half-width katakana, then 日本 (two double-byte characters), then "A".
  EXPECT_EQ(Decode({0xB1, 0xB2, 0x93, 0xFA, 0x96, 0x7B, 'A'}, 128, &units), U"\uFF71\uFF72\u65E5\u672CA");
  EXPECT_EQ(units, (std::vector<uint32_t>{1, 1, 2, 2, 1}));
}

TEST(MetafileCharsets, OtherDoubleByteSets) {
  EXPECT_EQ(Decode({0xD6, 0xD0, 0xCE, 0xC4}, 134), U"\u4E2D\u6587");  // GB2312: 中文
  EXPECT_EQ(Decode({0xA4, 0xA4, 0xA4, 0xE5}, 136), U"\u4E2D\u6587");  // Big5: 中文
  EXPECT_EQ(Decode({0xC7, 0xD1, 0xB1, 0xDB}, 129), U"\uD55C\uAE00");  // Hangul: 한글
}

TEST(MetafileCharsets, SingleByteSetsUseTheirCodePages) {
  EXPECT_EQ(Decode({0xCF, 0xF0, 0xE8}, 204), U"\u041F\u0440\u0438");  // Russian: При
  EXPECT_EQ(Decode({0xF9, 0xE5}, 177), U"\u05E9\u05D5");              // Hebrew
  EXPECT_EQ(Decode({0xA1}, 222), U"\u0E01");                          // Thai: ko kai
  EXPECT_EQ(Decode({0xB9, 0xE8}, 238), U"\u0105\u010D");              // East European: ąč
  EXPECT_EQ(Decode({0xF0, 0xFE}, 162), U"\u011F\u015F");              // Turkish: ğş
  EXPECT_EQ(Decode({0xE0}, 0), U"\u00E0");                            // Western stays Latin
}

TEST(MetafileCharsets, TruncatedDoubleByteEndsWithOneCharacter) {
  std::vector<uint32_t> units;
  const std::u32string chars = Decode({'a', 0x82}, 128, &units);
  ASSERT_EQ(chars.size(), 2u);
  EXPECT_EQ(chars[0], U'a');
  EXPECT_EQ(units, (std::vector<uint32_t>{1, 1}));
}

TEST(MetafileFontFallback, FamilyBitsChooseTheGenericFamily) {
  using metafile::FallbackFamily;
  EXPECT_EQ(FallbackFamily("No Such Face", 0x31, 0), "monospace");   // FF_MODERN, fixed pitch
  EXPECT_EQ(FallbackFamily("No Such Face", 0x01, 0), "monospace");   // fixed pitch alone
  EXPECT_EQ(FallbackFamily("No Such Face", 0x12, 0), "serif");       // FF_ROMAN
  EXPECT_EQ(FallbackFamily("No Such Face", 0x22, 0), "sans-serif");  // FF_SWISS
  EXPECT_EQ(FallbackFamily("No Such Face", 0x00, 0), "sans-serif");
}

TEST(MetafileFontFallback, FaceNamesHelpWhenTheFamilyIsLeftOpen) {
  using metafile::FallbackFamily;
  EXPECT_EQ(FallbackFamily("Courier", 0, 0), "monospace");
  EXPECT_EQ(FallbackFamily("Lucida Console", 0, 0), "monospace");
  EXPECT_EQ(FallbackFamily("Garamond", 0, 0), "serif");
  EXPECT_EQ(FallbackFamily("Bookman Old Style", 0, 0), "serif");
  EXPECT_EQ(FallbackFamily("Times New Roman", 0, 0), "serif");
  EXPECT_EQ(FallbackFamily("Microsoft Sans Serif", 0, 0), "sans-serif");
  EXPECT_EQ(FallbackFamily("Monotype Corsiva", 0, 0), "sans-serif");
  // The family bits win over the name.
  EXPECT_EQ(FallbackFamily("Courier", 0x12, 0), "serif");
}

TEST(MetafileFontFallback, SymbolCharsetTakesASymbolFont) {
  const std::string family = metafile::FallbackFamily("Wingdings", 0x02, 2);
  auto symbol = FontFamily::FromName("Symbol");
  EXPECT_EQ(family, symbol.Ok() ? symbol.Value().Name() : "serif");
}

TEST(MetafileFontFallback, CjkCharsetsNameTheirLanguage) {
  EXPECT_STREQ(metafile::CharSetLanguage(128), "ja");
  EXPECT_STREQ(metafile::CharSetLanguage(134), "zh-cn");
  EXPECT_STREQ(metafile::CharSetLanguage(136), "zh-tw");
  EXPECT_STREQ(metafile::CharSetLanguage(129), "ko");
  EXPECT_EQ(metafile::CharSetLanguage(0), nullptr);
}

}  // namespace
}  // namespace tavlen::gfx
