// PrintPicture against a backend's print dialog and printer context: what is drawn where, in which
// order the document is made, and what the result says.
#include "output/print_picture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/window/print_dialog.h"
#include "tests/graphics/test_support.h"

namespace tavlen::output {
namespace {

// A printer context at 100 dpi, so that a hundredth of an inch is one pixel; it logs its calls.
class FakePrinterDC final : public win::PrinterDC {
 public:
  FakePrinterDC(std::vector<std::string>& log, std::vector<uint32_t>& page, bool delivers)
      : m_log(log), m_page(page), m_delivers(delivers) {
    m_geometry = {850, 1100, 0, 0, 40, 30};
  }
  int32_t StartDoc(const std::string& name) override {
    m_log.push_back("StartDoc " + name);
    return 1;
  }
  int32_t StartPage() override {
    m_log.push_back("StartPage");
    m_page.assign(40 * 30, 0u);
    return failing == "StartPage" ? 0 : 1;
  }
  gfx::WindowSurface Surface() override {
    gfx::WindowSurface surface;
    surface.pixels = m_page.data();
    surface.stride = 40 * 4;
    surface.width = 40;
    surface.height = 30;
    surface.clip = {0, 0, 40, 30};
    surface.dpiX = surface.dpiY = 100.0f;
    surface.printer = true;
    return surface;
  }
  int32_t EndPage() override {
    m_log.push_back("EndPage");
    return failing == "EndPage" ? 0 : 1;
  }
  int32_t EndDoc() override {
    m_log.push_back("EndDoc");
    return m_delivers ? 1 : 0;
  }
  const win::PageGeometry& Page() const override { return m_geometry; }

  std::string failing;  // the call that fails, if any

 private:
  std::vector<std::string>& m_log;
  std::vector<uint32_t>& m_page;
  bool m_delivers;
  win::PageGeometry m_geometry;
};

class FakeDialog final : public win::PrintDialogService {
 public:
  std::unique_ptr<win::PrinterDC> Show(const win::PrintDialogRequest& request) override {
    log.push_back(request.flags == win::PD_RETURNDC && !request.owner ? "Show" : "Show with other request");
    auto dc = std::make_unique<FakePrinterDC>(log, page, delivers);
    dc->failing = failing;
    return dc;
  }
  bool delivers = true;
  std::string failing;
  std::vector<std::string> log;
  std::vector<uint32_t> page;
};

class PrintPictureTest : public ::testing::Test {
 protected:
  void SetUp() override { win::InstallPrintDialogService(&m_dialog); }
  void TearDown() override { win::InstallPrintDialogService(nullptr); }

  uint32_t PageAt(int x, int y) const { return m_dialog.page[static_cast<size_t>(y) * 40 + x]; }

  FakeDialog m_dialog;
  gfx::Bitmap::Ptr m_picture = gfx::test::MakePatternBitmap(4, 4, gfx::PixelFormat::RGB24bpp);
};

TEST_F(PrintPictureTest, DrawsThePictureInHundredthsOfAnInchAtTheTopLeft) {
  ASSERT_TRUE(PrintPicture(*m_picture, 20, 10));
  EXPECT_EQ(m_dialog.log,
            (std::vector<std::string>{"Show", "StartDoc GdiplusPrint", "StartPage", "EndPage", "EndDoc"}));
  EXPECT_EQ(PageAt(0, 0) >> 24, 0xFFu);
  EXPECT_EQ(PageAt(19, 9) >> 24, 0xFFu);
  EXPECT_EQ(PageAt(20, 5), 0u) << "nothing right of 20 hundredths";
  EXPECT_EQ(PageAt(5, 10), 0u) << "nothing below 10 hundredths";
}

TEST_F(PrintPictureTest, LargerThanThePrintableAreaIsCutOff) {
  ASSERT_TRUE(PrintPicture(*m_picture, 850, 1100));
  EXPECT_EQ(PageAt(39, 29) >> 24, 0xFFu);
}

TEST_F(PrintPictureTest, ZeroOrNegativeSizePrintsAnEmptyPage) {
  for (float side : {0.0f, -5.0f}) {
    m_dialog.log.clear();
    ASSERT_TRUE(PrintPicture(*m_picture, side, side));
    EXPECT_EQ(m_dialog.log.back(), "EndDoc");
    for (uint32_t pixel : m_dialog.page) ASSERT_EQ(pixel, 0u);
  }
}

TEST_F(PrintPictureTest, UndeliveredDocumentIsAFailure) {
  m_dialog.delivers = false;
  EXPECT_FALSE(PrintPicture(*m_picture, 20, 10));
  EXPECT_EQ(m_dialog.log.back(), "EndDoc");
}

TEST_F(PrintPictureTest, APageThatCannotBeStartedOrEndedIsAFailure) {
  m_dialog.failing = "StartPage";
  EXPECT_FALSE(PrintPicture(*m_picture, 20, 10));
  EXPECT_EQ(m_dialog.log, (std::vector<std::string>{"Show", "StartDoc GdiplusPrint", "StartPage", "EndDoc"}));
  m_dialog.log.clear();
  m_dialog.failing = "EndPage";
  EXPECT_FALSE(PrintPicture(*m_picture, 20, 10));
  EXPECT_EQ(m_dialog.log,
            (std::vector<std::string>{"Show", "StartDoc GdiplusPrint", "StartPage", "EndPage", "EndDoc"}));
}

}  // namespace
}  // namespace tavlen::output
