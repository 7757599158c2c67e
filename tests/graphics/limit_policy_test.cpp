// The decode limits as a policy: values with units, the registry under the environment, bad values
// ignored with a reason, and the note of which limit refused a picture.
#include "platform/graphics/limit_policy.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>

#include "platform/graphics/bitmap.h"
#include "platform/graphics/codec_registry.h"
#include "platform/graphics/limit_refusal.h"
#include "tests/graphics/test_support.h"

namespace tavlen::gfx {
namespace {

const char* NoEnvironment(const char*) { return nullptr; }

std::map<std::string, std::string> g_environment;
const char* FakeEnvironment(const char* name) {
  auto it = g_environment.find(name);
  return it == g_environment.end() ? nullptr : it->second.c_str();
}

TEST(LimitValues, ReadUnitsOfBytesAndPixels) {
  EXPECT_EQ(ParseLimitValue("512MiB", LimitUnit::Bytes, UINT64_MAX), uint64_t{512} << 20);
  EXPECT_EQ(ParseLimitValue("2GB", LimitUnit::Bytes, UINT64_MAX), 2000000000u);
  EXPECT_EQ(ParseLimitValue("2g", LimitUnit::Bytes, UINT64_MAX), 2000000000u);
  EXPECT_EQ(ParseLimitValue("3 KiB", LimitUnit::Bytes, UINT64_MAX), 3072u);
  EXPECT_EQ(ParseLimitValue("4096", LimitUnit::Bytes, UINT64_MAX), 4096u);
  EXPECT_EQ(ParseLimitValue("64MP", LimitUnit::Pixels, UINT64_MAX), 64000000u);
  EXPECT_EQ(ParseLimitValue("30000", LimitUnit::Count, UINT32_MAX), 30000u);
}

TEST(LimitValues, RefuseWhatIsNoLimit) {
  for (const char* bad : {"", "0", "0MiB", "-5", "12 MiBs", "MiB", "1.5GB", "64MP", "1e9", "18446744073709551616"})
    EXPECT_FALSE(ParseLimitValue(bad, LimitUnit::Bytes, UINT64_MAX)) << bad;
  EXPECT_FALSE(ParseLimitValue("20000000TiB", LimitUnit::Bytes, UINT64_MAX));  // overflows 64 bits
  EXPECT_FALSE(ParseLimitValue("5000000000", LimitUnit::Count, UINT32_MAX));
  EXPECT_FALSE(ParseLimitValue("5MiB", LimitUnit::Count, UINT32_MAX));
}

TEST(LimitValues, PrintInTheirUnit) {
  EXPECT_EQ(FormatLimitValue(uint64_t{1} << 30, LimitUnit::Bytes), "1GiB");
  EXPECT_EQ(FormatLimitValue(3000, LimitUnit::Bytes), "3000");
  EXPECT_EQ(FormatLimitValue(64000000, LimitUnit::Pixels), "64MP");
  EXPECT_EQ(FormatLimitValue(262144, LimitUnit::Count), "262144");
  EXPECT_EQ(FormatLimitValue(UINT64_MAX, LimitUnit::Pixels), "unlimited");
}

TEST(LimitPolicy, DefaultsStayWithoutSettings) {
  const LimitPolicy policy = MakeLimitPolicy({}, NoEnvironment);
  const DecodeLimits defaults;
  EXPECT_EQ(policy.limits.maxSide, defaults.maxSide);
  EXPECT_EQ(policy.limits.maxPixelBytes, defaults.maxPixelBytes);
  EXPECT_EQ(policy.limits.maxFileBytes, defaults.maxFileBytes);
  EXPECT_EQ(policy.limits.maxMetafilePixels, defaults.maxMetafilePixels);
  EXPECT_EQ(policy.limits.maxPixels, defaults.maxPixels);
  EXPECT_TRUE(policy.ignored.empty());
}

TEST(LimitPolicy, EnvironmentOverridesTheRegistry) {
  g_environment = {{"TAVLEN_MAX_MEMORY", "2GiB"}, {"TAVLEN_MAX_PIXELS", "64MP"}};
  const LimitPolicy policy =
      MakeLimitPolicy({{"Memory", "256MiB"}, {"side", "30000"}, {"File", "3GB"}}, FakeEnvironment);
  EXPECT_EQ(policy.limits.maxPixelBytes, uint64_t{2} << 30);
  EXPECT_EQ(policy.limits.maxSide, 30000u);
  EXPECT_EQ(policy.limits.maxFileBytes, 3000000000u);
  EXPECT_EQ(policy.limits.maxPixels, 64000000u);
  EXPECT_EQ(policy.sources[2], LimitSource::Environment);
  EXPECT_EQ(policy.sources[0], LimitSource::Registry);
  EXPECT_EQ(policy.sources[4], LimitSource::Default);
}

TEST(LimitPolicy, BadValuesAreIgnoredWithTheirReason) {
  g_environment = {{"TAVLEN_MAX_SIDE", "huge"}};
  const LimitPolicy policy = MakeLimitPolicy({{"Memory", "0"}, {"Speed", "9"}, {"File", "1GiB"}}, FakeEnvironment);
  const DecodeLimits defaults;
  EXPECT_EQ(policy.limits.maxPixelBytes, defaults.maxPixelBytes);
  EXPECT_EQ(policy.limits.maxSide, defaults.maxSide);
  EXPECT_EQ(policy.limits.maxFileBytes, uint64_t{1} << 30);
  ASSERT_EQ(policy.ignored.size(), 3u);
  EXPECT_NE(policy.ignored[0].find("\"0\" is not a valid value for Memory; kept 1GiB"), std::string::npos)
      << policy.ignored[0];
  EXPECT_NE(policy.ignored[1].find("unknown limit \"Speed\""), std::string::npos) << policy.ignored[1];
  EXPECT_NE(policy.ignored[2].find("environment TAVLEN_MAX_SIDE: \"huge\""), std::string::npos) << policy.ignored[2];
}

// Each limit that stops a picture says so, and the note is taken once.
TEST(LimitRefusal, NamesTheLimitThatStoppedThePicture) {
  test::TempDir dir;
  auto bitmap = test::MakePatternBitmap(300, 200, PixelFormat::RGB24bpp);
  const std::string path = dir.File("p.png");
  ASSERT_EQ(bitmap->Save(path, kPngEncoderClsid), Status::Ok);
  (void)TakeRefusal();  // start clean

  DecodeLimits side, pixels, memory, file;
  side.maxSide = 250;
  pixels.maxPixels = 50000;
  memory.maxPixelBytes = 100000;
  file.maxFileBytes = 100;
  const std::pair<DecodeLimits, Refusal> cases[] = {
      {side, Refusal::Side}, {pixels, Refusal::Pixels}, {memory, Refusal::Memory}, {file, Refusal::File}};
  for (const auto& [limits, expected] : cases) {
    EXPECT_EQ(Bitmap::FromFile(path, limits).GetStatus(), Status::OutOfMemory);
    EXPECT_EQ(TakeRefusal(), expected);
    EXPECT_EQ(TakeRefusal(), Refusal::None);
  }
  EXPECT_TRUE(Bitmap::FromFile(path, DecodeLimits{}).Ok());
  EXPECT_EQ(TakeRefusal(), Refusal::None);
}

TEST(LimitRefusal, DescriptionsSayHowToRaiseTheLimit) {
  const std::string side = DescribeRefusal(Refusal::Side);
  EXPECT_NE(side.find("decode limit Side"), std::string::npos) << side;
  EXPECT_NE(side.find("TAVLEN_MAX_SIDE"), std::string::npos) << side;
  EXPECT_NE(side.find("tavlen limits Side"), std::string::npos) << side;
  EXPECT_NE(DescribeRefusal(Refusal::Memory).find("1GiB"), std::string::npos);
  EXPECT_NE(DescribeRefusal(Refusal::Unbacked).find("larger than its data"), std::string::npos);
  EXPECT_EQ(DescribeRefusal(Refusal::None), "");
}

TEST(LimitRefusal, AMissingLibraryIsReportedByItsReasonOnce) {
  (void)TakeRefusalText();  // start clean
  NoteMissingLibrary("HEIF pictures need libheif, which could not be opened: gone");
  EXPECT_EQ(TakeRefusalText(), "HEIF pictures need libheif, which could not be opened: gone");
  EXPECT_EQ(TakeRefusalText(), "");
  // A limit noted later in the same call replaces it, reason and all.
  NoteMissingLibrary("gone");
  NoteRefusal(Refusal::Side);
  EXPECT_NE(TakeRefusalText().find("decode limit Side"), std::string::npos);
  EXPECT_EQ(TakeRefusalText(), "");
}

}  // namespace
}  // namespace tavlen::gfx
