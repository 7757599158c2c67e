// Paths with an embedded NUL: the system would read or write the file named by the part before it, so
// every member that takes a path refuses one, writes nothing and leaves the picture as it was.
#include <filesystem>
#include <string>

#include "tests/control/control_fixture.h"

namespace tavlen {
namespace {

using namespace std::string_literals;

class NulPathTest : public ControlTest {
 protected:
  void SetUp() override {
    ControlTest::SetUp();
    picture = WritePatternPng(dir, "picture.png", 40, 30);
    ctrl.LoadImage(picture);
    ASSERT_EQ(ctrl.GetWidth(), 40);
  }
  // Every file of the folder but the picture: what a refused call must not have made.
  int OtherFiles() const {
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
      count += entry.path().filename() != "picture.png";
    return count;
  }

  std::string picture;
};

TEST_F(NulPathTest, SavesAndConversionsWriteNothing) {
  const std::string target = dir.File("name") + "\0tail"s;
  EXPECT_EQ(ctrl.SaveAsPng(target), win::FALSE);
  EXPECT_EQ(ctrl.SaveAsBmp(target), win::FALSE);
  EXPECT_EQ(ctrl.SaveAsGif(target), win::FALSE);
  EXPECT_EQ(ctrl.SaveAsJpg(target), win::FALSE);
  EXPECT_EQ(ctrl.SaveAsTif(target), win::FALSE);
  EXPECT_EQ(ctrl.ConvertToPng(picture, target), win::FALSE);
  EXPECT_EQ(ctrl.ConvertToTif(picture, target), win::FALSE);
  EXPECT_EQ(ctrl.ExportFrame(picture, target, "PNG", 1), win::FALSE);
  EXPECT_EQ(OtherFiles(), 0);
}

TEST_F(NulPathTest, SourcesAreNeitherFoundNorRead) {
  // The part before the NUL names a file that exists and that each call would otherwise read.
  const std::string source = picture + "\0.png"s;
  EXPECT_EQ(ctrl.FileExists(source), win::FALSE);
  EXPECT_EQ(ctrl.IsSupportedImageFile(picture + "\0.txt"s), win::FALSE);
  EXPECT_EQ(ctrl.ConvertToBmp(source, dir.File("out")), win::FALSE);
  EXPECT_EQ(ctrl.GetFrameCount(source), 0);
  EXPECT_EQ(OtherFiles(), 0);

  const std::string other = WritePatternPng(dir, "other.png", 70, 50);
  ctrl.LoadImage(other + "\0.png"s);
  ctrl.LoadFrame(other + "\0.tif"s, 1);
  EXPECT_EQ(ctrl.GetWidth(), 40);
  EXPECT_EQ(ctrl.GetHeight(), 30);
}

}  // namespace
}  // namespace tavlen
