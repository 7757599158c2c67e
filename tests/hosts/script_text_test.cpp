// Script text (surrogate pairs, each half in three bytes) to UTF-8 and back.
#include "hosts/tavlen/script_text.h"

#include <gtest/gtest.h>

namespace tavlen::host {
namespace {

// U+1F600 as UTF-8 and as the engine keeps it: D83D DE00, each half in three bytes.
const std::string kEmoji = "\xF0\x9F\x98\x80";
const std::string kEmojiHalves = "\xED\xA0\xBD\xED\xB8\x80";
const std::string kReplacement = "\xEF\xBF\xBD";

TEST(ScriptText, SurrogatePairsBecomeOneCharacterAndBack) {
  EXPECT_EQ(FromScriptText("a" + kEmojiHalves + "b"), "a" + kEmoji + "b");
  EXPECT_EQ(ToScriptText("a" + kEmoji + "b"), "a" + kEmojiHalves + "b");
  // U+10000 and U+10FFFF, the ends of the planes beyond the first.
  EXPECT_EQ(FromScriptText("\xED\xA0\x80\xED\xB0\x80"), "\xF0\x90\x80\x80");
  EXPECT_EQ(FromScriptText("\xED\xAF\xBF\xED\xBF\xBF"), "\xF4\x8F\xBF\xBF");
  EXPECT_EQ(ToScriptText("\xF4\x8F\xBF\xBF"), "\xED\xAF\xBF\xED\xBF\xBF");
}

TEST(ScriptText, OtherTextPassesUnchanged) {
  const std::string text = "caf\xC3\xA9 \xE6\xBC\xA2\xE5\xAD\x97 \xEF\xBF\xBF plain";
  EXPECT_EQ(FromScriptText(text), text);
  EXPECT_EQ(ToScriptText(text), text);
  EXPECT_EQ(FromScriptText(std::string("a\0b", 3)), std::string("a\0b", 3));
}

TEST(ScriptText, LoneHalvesBecomeTheReplacementCharacter) {
  EXPECT_EQ(FromScriptText("\xED\xA0\xBD"
                           "x"),
            kReplacement + "x");                                                       // high half alone
  EXPECT_EQ(FromScriptText("\xED\xB8\x80"), kReplacement);                             // low half alone
  EXPECT_EQ(FromScriptText("\xED\xB8\x80\xED\xA0\xBD"), kReplacement + kReplacement);  // in the wrong order
  EXPECT_EQ(FromScriptText("\xED\xA0"), "\xED\xA0");                                   // cut short: not a half
}

}  // namespace
}  // namespace tavlen::host
