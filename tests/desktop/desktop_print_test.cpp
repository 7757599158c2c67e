// QPrintDialog in front of the printing path, against a CUPS scheduler of the test's own: the printer
// picked in the dialog receives the job, and a cancelled dialog prints nothing.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QDialog>
#include <cstdlib>
#include <filesystem>

#include "output/print_picture.h"
#include "platform/desktop/desktop_bridge.h"
#include "platform/desktop/desktop_module.h"
#include "platform/desktop/desktop_services.h"
#include "platform/framework/dialog.h"
#include "tests/desktop/desktop_session.h"
#include "tests/desktop/modal_driver.h"
#include "tests/e2e/private_cupsd.h"
#include "tests/graphics/test_support.h"

namespace tavlen::desktop {
namespace {

namespace fs = std::filesystem;
using test::WhenModalShown;

// Picks `printer` in the dialog's list of printers, as a user would, and confirms.
void ChoosePrinterAndAccept(QDialog& dialog, const QString& printer) {
  for (QComboBox* list : dialog.findChildren<QComboBox*>()) {
    const int index = list->findText(printer);
    if (index >= 0) {
      list->setCurrentIndex(index);
      dialog.accept();
      return;
    }
  }
  ADD_FAILURE() << "the print dialog does not list " << printer.toStdString();
  dialog.reject();
}

TEST(DesktopPrintDialog, ChosenCupsDestinationReceivesTheJob) {
  TAVLEN_REQUIRE_DESKTOP();
  e2e::PrivateCupsd cupsd;
  std::string why;
  if (!cupsd.Start(&why)) GTEST_SKIP() << "no private CUPS scheduler: " << why;
  const fs::path first = cupsd.Dir() / "First.pdf", second = cupsd.Dir() / "Second.pdf";
  ASSERT_TRUE(cupsd.AddQueue("First", first) && cupsd.AddQueue("Second", second) && cupsd.SetDefault("First"))
      << cupsd.ErrorLog();
  // Before anything in the process asks CUPS, which keeps the server it first found.
  setenv("CUPS_SERVER", cupsd.Socket().c_str(), 1);
  setenv("HOME", cupsd.Dir().c_str(), 1);  // no lpoptions of the user's

  ASSERT_TRUE(AttachDesktopModule(&AttachDesktop));
  InstallDesktopServices(nullptr);
  fw::ClearShownDialogs();
  gfx::Bitmap::Ptr picture = gfx::test::MakePatternBitmap(40, 30, gfx::PixelFormat::RGB24bpp);

  WhenModalShown([](QDialog& dialog) { dialog.reject(); });
  EXPECT_FALSE(output::PrintPicture(*picture, 400, 300));

  WhenModalShown([](QDialog& dialog) { ChoosePrinterAndAccept(dialog, QStringLiteral("Second")); });
  EXPECT_TRUE(output::PrintPicture(*picture, 400, 300));
  ASSERT_TRUE(cupsd.WaitForJob("Second", second)) << cupsd.ErrorLog();
  EXPECT_TRUE(fs::file_size(second) > 0);
  EXPECT_FALSE(fs::exists(first));

  const auto shown = fw::ShownDialogs();
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[0].caption, "Print");
  EXPECT_EQ(shown[0].result, "cancel");
  EXPECT_EQ(shown[1].result, "ok");
  UninstallDesktopServices();
}

}  // namespace
}  // namespace tavlen::desktop
