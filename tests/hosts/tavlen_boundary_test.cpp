// What crosses the tavlen command's boundary: text with characters from every plane, and the decode
// limits (`tavlen limits`, the environment, and the reason a refused file gives).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/automation/loader.h"
#include "platform/automation/registry.h"
#include "platform/graphics/codec_registry.h"
#include "tests/control/module/module_fixture.h"
#include "tests/graphics/test_support.h"
#include "tests/hosts/run_command.h"

namespace tavlen::host {
namespace {

// Latin-1, CJK, an emoji (plane 1), a CJK extension B ideograph (plane 2) and a private-use character
// of plane 16: what a script gets as surrogate pairs and the control must get as UTF-8.
const std::string kAllPlanes =
    "caf\xC3\xA9 \xE6\xBC\xA2\xE5\xAD\x97 \xF0\x9F\x98\x80 \xF0\xA0\x80\x80 \xF4\x8F\xBF\xBD";

class TavlenBoundaryTest : public test::RegistryTest {
 protected:
  void SetUp() override {
    test::RegistryTest::SetUp();
    ::unsetenv("TAVLEN_BACKEND");
    ASSERT_EQ(ole::RegisterModule(m_module), ole::S_OK) << ole::LastLoadError();
    m_picture = m_dir + "/picture.png";
    ASSERT_EQ(
        gfx::test::MakePatternBitmap(300, 200, gfx::PixelFormat::RGB24bpp)->Save(m_picture, gfx::kPngEncoderClsid),
        gfx::Status::Ok);
  }

  Outcome Script(const std::string& source, std::vector<std::string> args, std::vector<std::string> environment = {}) {
    const std::string script = m_dir + "/script.js";
    std::ofstream(script) << source;
    args.insert(args.begin(), {"run", script});
    environment.push_back("TAVLEN_REGISTRY=" + m_registryPath);
    return RunCommand(m_command, args, environment);
  }
  Outcome Limits(std::vector<std::string> args, std::vector<std::string> environment = {}) {
    args.insert(args.begin(), "limits");
    environment.push_back("TAVLEN_REGISTRY=" + m_registryPath);
    return RunCommand(m_command, args, environment);
  }

  const std::string m_command = TAVLEN_COMMAND_PATH;
  std::string m_picture;
};

// Every string member: the text goes in as the script wrote it and comes back the same, and the
// control saw UTF-8 (the file it wrote has the UTF-8 name, the text it returned prints as UTF-8).
TEST_F(TavlenBoundaryTest, TextFromEveryPlaneCrossesBothWays) {
  const std::string source = R"(
function check(condition, what) { if (!condition) throw new Error("check failed: " + what); }
var picture = Host.Arguments[0], dir = Host.Arguments[1], text = Host.Arguments[2];
check(text === "caf\u00e9 \u6f22\u5b57 \ud83d\ude00 \ud840\udc00 \udbff\udffd", "the argument arrives as the script's own string");
var ctl = Host.CreateControl("TAVLEN.TavlenCtrl.1", 300, 200);
ctl.LoadImage(picture);
var names = ["Artist", "Copyright", "DateTime", "Description", "EquipMake", "EquipModel", "Title"];
for (var i = 0; i < names.length; i++) {
  ctl["SetImage" + names[i]](text + " " + i);
  check(ctl["GetImage" + names[i]]() === text + " " + i, names[i] + " reads back as set");
}
Host.Echo(ctl.GetImageTitle());
ctl.DrawText(5, 5, text);
ctl.DrawWaterMarkText(5, 30, text);
ctl.DrawOutlineText(5, 60, text);
ctl.DrawFillOutlineText(5, 90, text, 255);
ctl.DrawShadowText(5, 120, text, 0);
check(ctl.GetImageArtist() === text + " 0", "text drawn on the picture leaves its tags");
ctl.TextFont = text;
check(ctl.TextFont === text, "TextFont reads back as set");
check(ctl.SaveAsPng(dir + "/" + text), "SaveAsPng");
check(ctl.ConvertToBmp(dir + "/" + text + ".png", dir + "/" + text), "ConvertToBmp");
check(ctl.ConvertToTif(dir + "/" + text + ".png", dir + "/" + text), "ConvertToTif");
ctl.LoadFrame(dir + "/" + text + ".tiff", 1);
check(ctl.GetWidth() === 300, "LoadFrame: " + ctl.GetWidth());
check(ctl.ExportFrame(dir + "/" + text + ".png", dir + "/frame " + text, "BMP", 1), "ExportFrame");
check(ctl.GetFrameCount(dir + "/" + text + ".tiff") === 1, "GetFrameCount: " + ctl.GetFrameCount(dir + "/" + text + ".tiff"));
ctl.LoadImage(dir + "/" + text + ".bmp");
check(ctl.GetWidth() === 300, "LoadImage");
)";
  const Outcome run = Script(source, {m_picture, m_dir, kAllPlanes});
  ASSERT_EQ(run.exitCode, 0) << run.standardError;
  EXPECT_EQ(run.standardOutput, kAllPlanes + " 6\n");
  EXPECT_TRUE(std::filesystem::exists(m_dir + "/" + kAllPlanes + ".png"));
  EXPECT_TRUE(std::filesystem::exists(m_dir + "/" + kAllPlanes + ".bmp"));
  EXPECT_TRUE(std::filesystem::exists(m_dir + "/frame " + kAllPlanes + ".bmp"));
}

TEST_F(TavlenBoundaryTest, LimitsShowTheDefaultsAndWhereEachComesFrom) {
  const Outcome shown = Limits({});
  ASSERT_EQ(shown.exitCode, 0) << shown.standardError;
  for (const char* line : {"Side            262144       (default; TAVLEN_MAX_SIDE)",
                           "Pixels          unlimited    (default; TAVLEN_MAX_PIXELS)",
                           "Memory          1GiB         (default; TAVLEN_MAX_MEMORY)",
                           "File            2GiB         (default; TAVLEN_MAX_FILE)",
                           "MetafilePixels  4194304      (default; TAVLEN_MAX_METAFILE_PIXELS)"})
    EXPECT_NE(shown.standardOutput.find(line), std::string::npos) << line << " in\n" << shown.standardOutput;
}

TEST_F(TavlenBoundaryTest, LimitsSetInTheRegistryGiveWayToTheEnvironment) {
  ASSERT_EQ(Limits({"memory", "512MiB"}).exitCode, 0);
  EXPECT_NE(Limits({}).standardOutput.find("Memory          512MiB       (registry;"), std::string::npos);
  const Outcome overridden = Limits({}, {"TAVLEN_MAX_MEMORY=2GiB"});
  EXPECT_NE(overridden.standardOutput.find("Memory          2GiB         (environment;"), std::string::npos)
      << overridden.standardOutput;
  ASSERT_EQ(Limits({"Memory", "default"}).exitCode, 0);
  EXPECT_NE(Limits({}).standardOutput.find("Memory          1GiB         (default;"), std::string::npos);
  std::string text;
  ASSERT_EQ(CurrentRegistry().GetValue("Software\\Tavlen\\Limits", "Memory", &text), ole::REGDB_E_KEYMISSING);
}

TEST_F(TavlenBoundaryTest, BadLimitValuesAreRefusedOrIgnoredWithAReason) {
  const Outcome bad = Limits({"Memory", "lots"});
  EXPECT_EQ(bad.exitCode, 2);
  EXPECT_NE(bad.standardError.find("'lots' is not a valid value for Memory"), std::string::npos) << bad.standardError;
  EXPECT_EQ(Limits({"Speed", "9"}).exitCode, 2);

  ASSERT_EQ(CurrentRegistry().SetValue("Software\\Tavlen\\Limits", "File", "-3"), ole::S_OK);
  const Outcome shown = Limits({}, {"TAVLEN_MAX_SIDE=huge"});
  ASSERT_EQ(shown.exitCode, 0);
  EXPECT_NE(shown.standardOutput.find("ignored: registry Software\\Tavlen\\Limits\\File: \"-3\" is not a valid value"),
            std::string::npos)
      << shown.standardOutput;
  EXPECT_NE(shown.standardOutput.find("ignored: environment TAVLEN_MAX_SIDE: \"huge\" is not a valid value for Side; "
                                      "kept 262144"),
            std::string::npos)
      << shown.standardOutput;
  // A process with such settings decodes under the defaults and says nothing.
  const Outcome run = Script(
      "var c = Host.CreateControl('TAVLEN.TavlenCtrl.1', 50, 50); c.LoadImage(Host.Arguments[0]);"
      "Host.Quit(c.GetWidth() === 300 ? 0 : 1);",
      {m_picture}, {"TAVLEN_MAX_SIDE=huge"});
  EXPECT_EQ(run.exitCode, 0) << run.standardError;
  EXPECT_EQ(run.standardError, "");
}

// A refused file is answered as always (FALSE, nothing loaded); the error stream names the limit.
TEST_F(TavlenBoundaryTest, RefusedFilesNameTheLimitThatStoppedThem) {
  const std::string source = R"(
var c = Host.CreateControl("TAVLEN.TavlenCtrl.1", 50, 50);
var converted = c.ConvertToPng(Host.Arguments[0], Host.Arguments[1]);
c.LoadImage(Host.Arguments[0]);
Host.Quit(converted ? 1 : c.GetWidth() === 0 ? 0 : 2);
)";
  const Outcome refused = Script(source, {m_picture, m_dir + "/out"}, {"TAVLEN_MAX_SIDE=250"});
  EXPECT_EQ(refused.exitCode, 0) << refused.standardError;
  EXPECT_NE(refused.standardError.find("tavlen: ConvertToPng: refused by the decode limit Side: the "
                                       "picture needs a side longer than 250; raise it with TAVLEN_MAX_SIDE"),
            std::string::npos)
      << refused.standardError;
  EXPECT_NE(refused.standardError.find("tavlen: LoadImage: refused by the decode limit Side"), std::string::npos)
      << refused.standardError;

  ASSERT_EQ(Limits({"Memory", "100KiB"}).exitCode, 0);
  const Outcome byRegistry = Script(source, {m_picture, m_dir + "/out"});
  EXPECT_EQ(byRegistry.exitCode, 0) << byRegistry.standardError;
  EXPECT_NE(byRegistry.standardError.find("decode limit Memory: the picture needs more pixel memory than 100KiB"),
            std::string::npos)
      << byRegistry.standardError;
  // Raised again by the environment, the same file loads quietly.
  const Outcome raised = Script(source, {m_picture, m_dir + "/out"}, {"TAVLEN_MAX_MEMORY=1GiB"});
  EXPECT_EQ(raised.exitCode, 1);
  EXPECT_EQ(raised.standardError, "");
}

}  // namespace
}  // namespace tavlen::host
