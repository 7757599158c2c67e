// Printing end to end: `tavlen run print_job.js` prints through the headless print dialog to a PDF
// file or to a private CUPS scheduler, and poppler reads the document back (page count, size, pixels).
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "tests/e2e/private_cupsd.h"

namespace tavlen::e2e {
namespace {

namespace fs = std::filesystem;

constexpr int kDpi = 20;  // pixels per inch of the rendered pages: a hundredth of an inch is a fifth of a pixel

// What pdfinfo says of a document.
struct PdfInfo {
  int pages = 0;
  double width = 0;  // points
  double height = 0;
  std::string title;
};

std::optional<PdfInfo> ReadPdfInfo(const fs::path& pdf) {
  const CommandResult result = RunCommand("pdfinfo " + pdf.string());
  if (result.status != 0) return std::nullopt;
  PdfInfo info;
  std::istringstream lines(result.output);
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind("Pages:", 0) == 0) info.pages = std::atoi(line.c_str() + 6);
    if (line.rfind("Title:", 0) == 0) info.title = line.substr(line.find_first_not_of(' ', 6));
    if (line.rfind("Page size:", 0) == 0) std::sscanf(line.c_str() + 10, " %lf x %lf", &info.width, &info.height);
  }
  return info;
}

// A page rendered by pdftoppm at kDpi, as RGB bytes.
struct Page {
  int width = 0;
  int height = 0;
  std::vector<unsigned char> rgb;

  uint32_t At(int x, int y) const {
    const size_t i = (static_cast<size_t>(y) * width + x) * 3;
    return uint32_t{rgb[i]} << 16 | uint32_t{rgb[i + 1]} << 8 | rgb[i + 2];
  }
  // A pixel at a position in inches.
  uint32_t AtInches(double x, double y) const { return At(static_cast<int>(x * kDpi), static_cast<int>(y * kDpi)); }
};

std::optional<Page> RenderPage(const fs::path& pdf) {
  const fs::path prefix = pdf.parent_path() / (pdf.stem().string() + "-page");
  if (RunCommand("pdftoppm -r " + std::to_string(kDpi) + " -singlefile " + pdf.string() + " " + prefix.string())
          .status != 0) {
    return std::nullopt;
  }
  std::ifstream in(prefix.string() + ".ppm", std::ios::binary);
  std::string magic;
  int maxValue = 0;
  Page page;
  in >> magic >> page.width >> page.height >> maxValue;
  in.get();
  if (magic != "P6" || maxValue != 255 || page.width <= 0 || page.height <= 0) return std::nullopt;
  page.rgb.resize(static_cast<size_t>(page.width) * page.height * 3);
  in.read(reinterpret_cast<char*>(page.rgb.data()), static_cast<std::streamsize>(page.rgb.size()));
  if (!in) return std::nullopt;
  return page;
}

// Colours as rendered: poppler may round a channel by a step or two.
::testing::AssertionResult Near(uint32_t actual, uint32_t expected) {
  for (int shift : {0, 8, 16}) {
    const int a = static_cast<int>(actual >> shift & 0xFF), e = static_cast<int>(expected >> shift & 0xFF);
    if (a < e - 3 || a > e + 3) {
      char text[64];
      std::snprintf(text, sizeof text, "colour %06X, expected %06X", actual, expected);
      return ::testing::AssertionFailure() << text;
    }
  }
  return ::testing::AssertionSuccess();
}

constexpr uint32_t kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF, kYellow = 0xFFFF00, kWhite = 0xFFFFFF;

// The quadrants picture (red, green / blue, yellow) printed w x h inches from (left, top), and white
// paper around it up to the page's edges.
void ExpectQuadrants(const Page& page, double left, double top, double w, double h) {
  EXPECT_TRUE(Near(page.AtInches(left + w / 4, top + h / 4), kRed));
  EXPECT_TRUE(Near(page.AtInches(left + 3 * w / 4, top + h / 4), kGreen));
  EXPECT_TRUE(Near(page.AtInches(left + w / 4, top + 3 * h / 4), kBlue));
  EXPECT_TRUE(Near(page.AtInches(left + 3 * w / 4, top + 3 * h / 4), kYellow));
  const double pageW = static_cast<double>(page.width) / kDpi, pageH = static_cast<double>(page.height) / kDpi;
  if (left + w + 0.2 < pageW) {
    EXPECT_TRUE(Near(page.AtInches(left + w + 0.15, top + h / 2), kWhite)) << "right of it";
  }
  if (top + h + 0.2 < pageH) {
    EXPECT_TRUE(Near(page.AtInches(left + w / 2, top + h + 0.15), kWhite)) << "below it";
  }
  if (left >= 0.2) {
    EXPECT_TRUE(Near(page.AtInches(left - 0.15, top + h / 2), kWhite)) << "left of it";
  }
  if (top >= 0.2) {
    EXPECT_TRUE(Near(page.AtInches(left + w / 2, top - 0.15), kWhite)) << "above it";
  }
  if (left + w + 0.2 < pageW || top + h + 0.2 < pageH) {
    EXPECT_TRUE(Near(page.AtInches(pageW - 0.1, pageH - 0.1), kWhite)) << "far corner";
  }
}

// Sets an environment variable for the life of the object.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::string& value) : m_name(name) {
    if (const char* old = std::getenv(name)) m_old = old;
    setenv(name, value.c_str(), 1);
  }
  ~ScopedEnv() {
    if (m_old)
      setenv(m_name, m_old->c_str(), 1);
    else
      unsetenv(m_name);
  }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  const char* m_name;
  std::optional<std::string> m_old;
};

// A work folder with the control registered and a 200 x 150 quadrants picture.
class PrintScript : public ::testing::Test {
 protected:
  void SetUp() override {
    if (RunCommand("command -v pdfinfo && command -v pdftoppm").status != 0) {
      GTEST_SKIP() << "poppler-utils (pdfinfo, pdftoppm) are not installed";
    }
    m_work = fs::path(TAVLEN_E2E_WORK_DIR) / ::testing::UnitTest::GetInstance()->current_test_info()->name();
    fs::remove_all(m_work);
    fs::create_directories(m_work);
    m_registry = std::make_unique<ScopedEnv>("TAVLEN_REGISTRY", (m_work / "registry").string());
    ASSERT_EQ(RunCommand(std::string(TAVLEN_EXE) + " regsvr " + TAVLEN_MODULE).status, 0);
    ASSERT_EQ(RunCommand(std::string(MAKE_PICTURE) + " " + Picture() + " 200 150 quadrants").status, 0);
  }
  void TearDown() override {
    m_registry.reset();
    if (!HasFailure()) fs::remove_all(m_work);
  }

  std::string Picture() const { return (m_work / "quadrants.png").string(); }
  fs::path Work(const std::string& name) const { return m_work / name; }

  // The script's report line ("printed=... printer=[...] dialogs=[...]"), or the whole output when it failed.
  std::string Print(const std::string& which, const std::optional<std::string>& printer = std::nullopt) {
    std::string command = std::string(TAVLEN_EXE) + " run " + TAVLEN_E2E_SCRIPT_DIR "/print_job.js " + Picture() + " " +
                          which + (printer ? " '" + *printer + "'" : std::string());
    CommandResult result = RunCommand(command);
    EXPECT_EQ(result.status, 0) << result.output;
    return result.output;
  }

  fs::path m_work;
  std::unique_ptr<ScopedEnv> m_registry;
};

// File destinations: always run, no scheduler needed. The paper is US Letter through libpaper.
class PrintToFile : public PrintScript {
 protected:
  ScopedEnv m_paper{"PAPERSIZE", "letter"};
  // No scheduler is reachable, whatever runs on this machine.
  ScopedEnv m_server{"CUPS_SERVER", "/nonexistent/cups.sock"};
};

TEST_F(PrintToFile, BySizeStretchesThePictureOverALetterPage) {
  const fs::path pdf = Work("page.pdf");
  EXPECT_NE(Print("bysize", "file:" + pdf.string()).find("printed=true"), std::string::npos);
  auto info = ReadPdfInfo(pdf);
  ASSERT_TRUE(info);
  EXPECT_EQ(info->pages, 1);
  EXPECT_DOUBLE_EQ(info->width, 612);
  EXPECT_DOUBLE_EQ(info->height, 792);
  EXPECT_EQ(info->title, "GdiplusPrint");
  auto page = RenderPage(pdf);
  ASSERT_TRUE(page);
  ExpectQuadrants(*page, 0, 0, 8.5, 11);
}

TEST_F(PrintToFile, DisplayedSizeInHundredthsOfAnInchAtTheTopLeft) {
  const fs::path pdf = Work("page.pdf");
  EXPECT_NE(Print("displayed", "file:" + pdf.string()).find("printed=true"), std::string::npos);
  auto page = RenderPage(pdf);
  ASSERT_TRUE(page);
  ExpectQuadrants(*page, 0, 0, 2.0, 1.5);
}

TEST_F(PrintToFile, ZoomedPicturePrintsLarger) {
  const fs::path pdf = Work("page.pdf");
  EXPECT_NE(Print("zoomed", "file:" + pdf.string()).find("printed=true"), std::string::npos);
  auto page = RenderPage(pdf);
  ASSERT_TRUE(page);
  ExpectQuadrants(*page, 0, 0, 4.0, 3.0);
}

TEST_F(PrintToFile, ZeroSizePrintsAnEmptyPage) {
  const fs::path pdf = Work("page.pdf");
  EXPECT_NE(Print("empty", "file:" + pdf.string()).find("printed=true"), std::string::npos);
  auto info = ReadPdfInfo(pdf);
  ASSERT_TRUE(info);
  EXPECT_EQ(info->pages, 1);
  auto page = RenderPage(pdf);
  ASSERT_TRUE(page);
  for (size_t i = 0; i < page->rgb.size(); ++i) ASSERT_EQ(page->rgb[i], 255) << "byte " << i;
}

TEST_F(PrintToFile, NothingIsWrittenWhenTheDialogIsCancelledOrNoImageIsLoaded) {
  const fs::path pdf = Work("page.pdf");
  std::string report = Print("cancel", "file:" + pdf.string());
  EXPECT_NE(report.find("printed=false"), std::string::npos) << report;
  EXPECT_NE(report.find("dialogs=[Print/cancel]"), std::string::npos) << report;
  report = Print("noimage", "file:" + pdf.string());
  EXPECT_NE(report.find("printed=false"), std::string::npos) << report;
  EXPECT_NE(report.find("dialogs=[]"), std::string::npos) << "no dialog without a picture: " << report;
  EXPECT_FALSE(fs::exists(pdf));
}

TEST_F(PrintToFile, UnwritableFileIsAFailureAfterTheDialog) {
  std::ofstream(Work("plain-file")) << "not a folder";
  const std::string report = Print("displayed", "file:" + Work("plain-file").string() + "/page.pdf");
  EXPECT_NE(report.find("printed=false"), std::string::npos) << report;
  EXPECT_NE(report.find("dialogs=[Print/ok]"), std::string::npos) << report;
}

TEST_F(PrintToFile, UnknownPaperNameFallsBackToA4) {
  ScopedEnv paper("PAPERSIZE", "no-such-paper");
  const fs::path pdf = Work("page.pdf");
  EXPECT_NE(Print("empty", "file:" + pdf.string()).find("printed=true"), std::string::npos);
  auto info = ReadPdfInfo(pdf);
  ASSERT_TRUE(info);
  EXPECT_DOUBLE_EQ(info->width, 595);
  EXPECT_DOUBLE_EQ(info->height, 842);
}

TEST_F(PrintToFile, WithoutCupsThereIsNoPrinterAndNothingPrints) {
  const std::string report = Print("displayed");
  EXPECT_NE(report.find("printer=[]"), std::string::npos) << report;
  EXPECT_NE(report.find("printed=false"), std::string::npos) << report;
  EXPECT_NE(report.find("dialogs=[Print/ok]"), std::string::npos) << report;
  EXPECT_NE(Print("displayed", "NoSuchQueue").find("printed=false"), std::string::npos);
}

// CUPS destinations: one private scheduler for the suite, skipped where it cannot start.
class PrintToCups : public PrintScript {
 protected:
  static void SetUpTestSuite() {
    s_cupsd = new PrivateCupsd();
    if (!s_cupsd->Start(&s_why)) return;
    if (!s_cupsd->AddQueue("Letter", Output("Letter")) || !s_cupsd->SetDefault("Letter") ||
        !s_cupsd->AddQueue("Margins", Output("Margins"), 36) || !s_cupsd->AddQueue("Closed", Output("Closed")) ||
        !s_cupsd->Reject("Closed")) {
      s_why = "the private scheduler refused the test queues";
      return;
    }
    s_ready = true;
  }
  static void TearDownTestSuite() {
    delete s_cupsd;
    s_cupsd = nullptr;
  }
  void SetUp() override {
    if (!s_ready) GTEST_SKIP() << "no private CUPS scheduler: " << s_why;
    PrintScript::SetUp();
    m_server = std::make_unique<ScopedEnv>("CUPS_SERVER", s_cupsd->Socket());
    m_home = std::make_unique<ScopedEnv>("HOME", m_work.string());  // no lpoptions of the user's
  }
  void TearDown() override {
    m_server.reset();
    m_home.reset();
    PrintScript::TearDown();
  }
  static fs::path Output(const std::string& queue) { return s_cupsd->Dir() / (queue + ".pdf"); }

  static inline PrivateCupsd* s_cupsd = nullptr;
  static inline bool s_ready = false;
  static inline std::string s_why;
  std::unique_ptr<ScopedEnv> m_server;
  std::unique_ptr<ScopedEnv> m_home;
};

TEST_F(PrintToCups, DefaultDestinationReceivesOneLetterPage) {
  fs::remove(Output("Letter"));
  const std::string report = Print("bysize");
  EXPECT_NE(report.find("printer=[Letter]"), std::string::npos) << "Host.Printer starts as the default: " << report;
  EXPECT_NE(report.find("printed=true"), std::string::npos) << report;
  ASSERT_TRUE(s_cupsd->WaitForJob("Letter", Output("Letter"))) << s_cupsd->ErrorLog();
  auto info = ReadPdfInfo(Output("Letter"));
  ASSERT_TRUE(info);
  EXPECT_EQ(info->pages, 1);
  EXPECT_DOUBLE_EQ(info->width, 612);
  EXPECT_DOUBLE_EQ(info->height, 792);
  auto page = RenderPage(Output("Letter"));
  ASSERT_TRUE(page);
  ExpectQuadrants(*page, 0, 0, 8.5, 11);
}

TEST_F(PrintToCups, PictureStartsAtThePrintableAreaAndIsCutOffThere) {
  fs::remove(Output("Margins"));
  EXPECT_NE(Print("bysize", "Margins").find("printed=true"), std::string::npos);
  ASSERT_TRUE(s_cupsd->WaitForJob("Margins", Output("Margins"))) << s_cupsd->ErrorLog();
  auto page = RenderPage(Output("Margins"));
  ASSERT_TRUE(page);
  // Half-inch margins: the picture begins there, and its far half-inch falls outside the area.
  EXPECT_TRUE(Near(page->AtInches(0.25, 0.25), kWhite));
  EXPECT_TRUE(Near(page->AtInches(0.75, 0.75), kRed));
  EXPECT_TRUE(Near(page->AtInches(8.25, 10.75), kWhite));
  EXPECT_TRUE(Near(page->AtInches(7.75, 10.25), kYellow));
}

TEST_F(PrintToCups, RefusedJobIsAFailureAfterTheDialog) {
  const std::string report = Print("displayed", "Closed");
  EXPECT_NE(report.find("printed=false"), std::string::npos) << report;
  EXPECT_NE(report.find("dialogs=[Print/ok]"), std::string::npos) << report;
}

}  // namespace
}  // namespace tavlen::e2e
