// ASCII case folding: only A-Z and a-z change, whatever the locale, and comparisons sort like folded text.
#include "platform/base/ascii.h"

#include <gtest/gtest.h>

#include <clocale>

namespace tavlen::base {
namespace {

TEST(Ascii, FoldsOnlyLatinLetters) {
  EXPECT_EQ(AsciiLowered("LoadImage_42[Z]@`{"), "loadimage_42[z]@`{");
  // UTF-8 bytes and the letters of other alphabets stay as they are.
  EXPECT_EQ(AsciiLowered("\xC3\x84pfel \xC3\xA9T\xC3\x89"), "\xC3\x84pfel \xC3\xA9t\xC3\x89");
  EXPECT_EQ(AsciiUpper('i'), 'I');
  EXPECT_EQ(AsciiUpper('\xE9'), '\xE9');
}

TEST(Ascii, IgnoresTheLocale) {
  // In a Turkish locale tolower('I') is a dotless i; names must still match.
  const char* turkish = std::setlocale(LC_ALL, "tr_TR.UTF-8");
  EXPECT_TRUE(EqualsNoCase("INFO", "info"));
  EXPECT_EQ(AsciiLowered("TIFF"), "tiff");
  if (turkish) std::setlocale(LC_ALL, "C");
}

TEST(Ascii, EqualsAndCompareAgree) {
  EXPECT_TRUE(EqualsNoCase("ZoomValue", "ZOOMVALUE"));
  EXPECT_FALSE(EqualsNoCase("Zoom", "ZoomValue"));
  EXPECT_FALSE(EqualsNoCase("a[", "A{"));  // '[' and '{' are 32 apart but no letters
  EXPECT_EQ(CompareNoCase("abc", "ABC"), 0);
  EXPECT_LT(CompareNoCase("ab", "ABC"), 0);
  EXPECT_GT(CompareNoCase("b", "A"), 0);
  // Bytes compare unsigned: UTF-8 sorts after ASCII.
  EXPECT_LT(CompareNoCase("z", "\xC3\xA4"), 0);
  static_assert(EqualsNoCase("Align", "ALIGN") && CompareNoCase("a", "b") < 0, "usable at compile time");
}

}  // namespace
}  // namespace tavlen::base
