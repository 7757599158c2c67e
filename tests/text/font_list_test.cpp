// The installed font list against what fontconfig's own `fc-list` reports.
#include "text/font_list.h"

#include <gtest/gtest.h>
#include <strings.h>

#include <cstdio>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/graphics/drawing/font.h"

namespace tavlen::text {
namespace {

struct NoCase {
  bool operator()(const std::string& a, const std::string& b) const { return strcasecmp(a.c_str(), b.c_str()) < 0; }
};

// One entry per installed scalable font: every family name it has, in all languages. Empty when
// fc-list cannot run.
std::vector<std::set<std::string, NoCase>> FcListFamilies() {
  std::vector<std::set<std::string, NoCase>> fonts;
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen("fc-list :outline=true family 2>/dev/null", "r"), pclose);
  if (!pipe) return fonts;
  char line[4096];
  while (std::fgets(line, sizeof line, pipe.get())) {
    std::string text(line);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    if (text.empty()) continue;
    std::set<std::string, NoCase> names;
    // Names are separated by commas; a comma inside a name is escaped with a backslash.
    std::string name;
    for (size_t i = 0; i < text.size(); ++i) {
      if (text[i] == '\\' && i + 1 < text.size()) {
        name.push_back(text[++i]);
      } else if (text[i] == ',') {
        names.insert(name);
        name.clear();
      } else {
        name.push_back(text[i]);
      }
    }
    names.insert(name);
    fonts.push_back(std::move(names));
  }
  return fonts;
}

class FontListTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fonts = FcListFamilies();
    if (fonts.empty()) GTEST_SKIP() << "fc-list lists no fonts";
    list.Load();
  }
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (int32_t i = 0; i < list.Count(); ++i) names.push_back(list.NameAt(i));
    return names;
  }

  std::vector<std::set<std::string, NoCase>> fonts;
  FontList list;
};

TEST_F(FontListTest, EveryInstalledFontIsListedByOneOfItsNames) {
  const std::vector<std::string> names = Names();
  const std::set<std::string, NoCase> listed(names.begin(), names.end());
  for (const auto& font : fonts) {
    bool found = false;
    for (const std::string& name : font) found = found || listed.count(name) > 0;
    EXPECT_TRUE(found) << "no name listed for the font called " << *font.begin();
  }
  std::set<std::string, NoCase> known;
  for (const auto& font : fonts) known.insert(font.begin(), font.end());
  for (const std::string& name : names) EXPECT_TRUE(known.count(name)) << name << " is not installed";
}

// Sorted, each family once, and every name, set back as the text font, finds its own family.
TEST_F(FontListTest, SortedUniqueNamesThatFindTheirFamily) {
  const std::vector<std::string> names = Names();
  ASSERT_FALSE(names.empty());
  for (size_t i = 0; i < names.size(); ++i) {
    if (i > 0) {
      EXPECT_LT(strcasecmp(names[i - 1].c_str(), names[i].c_str()), 0) << names[i - 1] << " / " << names[i];
    }
    auto family = gfx::FontFamily::FromName(names[i]);
    ASSERT_TRUE(family.Ok()) << names[i];
    EXPECT_EQ(family.Value().Name(), names[i]);
  }
  EXPECT_EQ(list.NameAt(-1), "");
  EXPECT_EQ(list.NameAt(list.Count()), "");
  list.Free();
  EXPECT_EQ(list.Count(), 0);
}

}  // namespace
}  // namespace tavlen::text
