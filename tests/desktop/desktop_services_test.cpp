// The desktop services on a real X server: the template dialogs as Qt dialogs, driven as a user
// would drive them or answered by a scripting host, and the clipboard as other programs read it.
#include "platform/desktop/desktop_services.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QEventLoop>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTimer>
#include <algorithm>

#include "control/resources.h"
#include "control/tavlen_ctrl.h"
#include "output/clipboard_copy.h"
#include "platform/desktop/desktop_bridge.h"
#include "platform/desktop/desktop_module.h"
#include "platform/framework/dialog.h"
#include "platform/graphics/drawing/graphics.h"
#include "platform/window/clipboard.h"
#include "tests/desktop/desktop_session.h"
#include "tests/desktop/modal_driver.h"
#include "tests/graphics/test_support.h"

namespace tavlen::desktop {
namespace {

using test::WhenModalShown;

class DesktopServicesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TAVLEN_REQUIRE_DESKTOP();
    ASSERT_TRUE(AttachDesktopModule(&AttachDesktop));
    InstallDesktopServices(&res::FindIcon);
    fw::ClearShownDialogs();
  }
  void TearDown() override { UninstallDesktopServices(); }
};

QLabel* LabelWithText(const QWidget& widget, const char* text) {
  for (QLabel* label : widget.findChildren<QLabel*>()) {
    if (label->text() == QString::fromUtf8(text)) return label;
  }
  return nullptr;
}

TEST_F(DesktopServicesTest, AboutBoxShowsTheTemplateAndClosesWithOk) {
  CTavlenCtrl ctrl;
  ctrl.InitNew();
  bool inspected = false;
  WhenModalShown([&](QDialog& dialog) {
    inspected = true;
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("About Tavlen ActiveX Control"));
    QLabel* first = LabelWithText(dialog, "Tavlen ActiveX Control, Version 1.0");
    QLabel* second = LabelWithText(dialog, "Views pictures and edits them in place.");
    auto* ok = dialog.findChild<QPushButton*>(QStringLiteral("id1"));
    ASSERT_TRUE(first && second && ok);
    EXPECT_EQ(ok->text(), QStringLiteral("OK"));
    EXPECT_TRUE(ok->isDefault());
    // Dialog units keep the template's proportions: text lines at y 10 and 25, both at x 40, the
    // button at x 221 of a 260-unit-wide box, everything inside it.
    EXPECT_EQ(first->x(), second->x());
    EXPECT_NEAR(static_cast<double>(second->y()) / first->y(), 2.5, 0.2);
    EXPECT_NEAR(static_cast<double>(ok->x()) / dialog.width(), 221.0 / 260.0, 0.02);
    EXPECT_TRUE(dialog.rect().contains(ok->geometry()));
    bool iconShown = false;
    for (const QLabel* label : dialog.findChildren<QLabel*>()) {
      if (!label->pixmap().isNull() && label->geometry().left() < first->x()) iconShown = true;
    }
    EXPECT_TRUE(iconShown);
    ok->click();
  });
  ctrl.AboutBox();
  EXPECT_TRUE(inspected);
  const auto shown = fw::ShownDialogs();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].caption, "About Tavlen ActiveX Control");
  EXPECT_EQ(shown[0].texts, fw::DialogTexts(*res::FindDialog(res::IDD_ABOUTBOX_TAVLEN)));
  EXPECT_EQ(shown[0].result, "ok");
}

TEST_F(DesktopServicesTest, PropertyFrameShowsTheGeneralPageAndOkChangesNothing) {
  CTavlenCtrl ctrl;
  ctrl.InitNew();
  ctrl.CreateControlWindow(200, 150);
  ctrl.SetModifiedFlag(win::FALSE);
  const int16_t alignBefore = ctrl.m_align;
  bool inspected = false;
  WhenModalShown([&](QDialog& dialog) {
    inspected = true;
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Tavlen Control Properties"));
    auto* tabs = dialog.findChild<QTabWidget*>();
    ASSERT_TRUE(tabs);
    ASSERT_EQ(tabs->count(), 1);
    EXPECT_EQ(tabs->tabText(0), QStringLiteral("General"));
    QLabel* text =
        LabelWithText(dialog, "All Properties of Tavlen ActiveX Control show on the Appliction Properties Window!");
    ASSERT_TRUE(text);
    EXPECT_TRUE(text->alignment() & Qt::AlignHCenter);
    bool applyDisabled = false;
    for (const QAbstractButton* button : dialog.findChildren<QAbstractButton*>()) {
      if (button->text().remove('&') == QStringLiteral("Apply")) applyDisabled = !button->isEnabled();
    }
    EXPECT_TRUE(applyDisabled);
    dialog.findChild<QPushButton*>(QStringLiteral("id1"))->click();
  });
  ctrl.OnProperties();
  EXPECT_TRUE(inspected);
  EXPECT_EQ(ctrl.m_align, alignBefore);
  EXPECT_EQ(ctrl.IsModified(), win::FALSE);
  const auto shown = fw::ShownDialogs();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].result, "ok");
  EXPECT_EQ(shown[0].texts.front(), "General");
}

// A scripting host answers the real dialogs itself, through the same buttons and keys.
TEST_F(DesktopServicesTest, HostAnswerClosesTheShownDialogs) {
  CTavlenCtrl ctrl;
  ctrl.InitNew();
  fw::SetDialogAnswer(fw::DialogAnswer::Escape);
  ctrl.AboutBox();
  fw::SetDialogAnswer(fw::DialogAnswer::Cancel);
  ctrl.OnProperties();
  fw::SetDialogAnswer(fw::DialogAnswer::Ok);
  const auto shown = fw::ShownDialogs();
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[0].result, "escape");
  EXPECT_EQ(shown[1].caption, "Tavlen Control Properties");
  EXPECT_EQ(shown[1].result, "cancel");
}

// Runs a program while this process keeps answering the X server (it owns the clipboard).
QByteArray RunWhileServingEvents(const QString& program, const QStringList& arguments) {
  QProcess process;
  QEventLoop loop;
  QObject::connect(&process, &QProcess::finished, &loop, &QEventLoop::quit);
  QObject::connect(&process, &QProcess::errorOccurred, &loop, &QEventLoop::quit);
  QTimer::singleShot(30000, &loop, &QEventLoop::quit);  // a hung reader fails the test, not the run
  process.start(program, arguments);
  loop.exec();
  if (process.state() != QProcess::NotRunning) {
    process.kill();
    process.waitForFinished();
    return {};
  }
  return process.exitCode() == 0 ? process.readAllStandardOutput() : QByteArray();
}

// A picture with opaque, half-transparent and transparent pixels.
gfx::Bitmap::Ptr MakeTranslucentPicture() {
  gfx::Bitmap::Ptr picture = gfx::test::MakePatternBitmap(13, 7, gfx::PixelFormat::ARGB32bpp, 5);
  gfx::BitmapData data;
  EXPECT_EQ(
      picture->LockBits(nullptr, gfx::kImageLockModeRead | gfx::kImageLockModeWrite, gfx::PixelFormat::ARGB32bpp, data),
      gfx::Status::Ok);
  auto* row = static_cast<uint32_t*>(data.scan0);
  row[0] = 0x00123456;  // transparent
  row[1] = 0x80FF0000;  // half-transparent red
  EXPECT_EQ(picture->UnlockBits(data), gfx::Status::Ok);
  return picture;
}

TEST_F(DesktopServicesTest, CopiedPictureIsReadableByOtherProgramsAsPng) {
  if (QStandardPaths::findExecutable(QStringLiteral("xclip")).isEmpty()) GTEST_SKIP() << "xclip is not installed";
  {
    win::ClipboardSession session(nullptr);
    ASSERT_TRUE(session.IsOpen());
    win::ClipboardData text = std::string("held before");
    ASSERT_TRUE(session.Service().Empty() && session.Service().SetData(win::CF_TEXT, text));
  }
  gfx::Bitmap::Ptr picture = MakeTranslucentPicture();
  ASSERT_TRUE(output::CopyPictureToClipboard(*picture, nullptr));
  EXPECT_EQ(win::Clipboard().Formats(), std::vector<uint32_t>{win::CF_BITMAP});

  const QByteArray targets = RunWhileServingEvents(
      QStringLiteral("xclip"), {QStringLiteral("-selection"), QStringLiteral("clipboard"), QStringLiteral("-t"),
                                QStringLiteral("TARGETS"), QStringLiteral("-o")});
  EXPECT_TRUE(targets.contains("image/png")) << targets.toStdString();
  EXPECT_TRUE(targets.contains("image/bmp")) << targets.toStdString();
  EXPECT_FALSE(targets.contains("text/plain")) << targets.toStdString();

  const QByteArray png = RunWhileServingEvents(
      QStringLiteral("xclip"), {QStringLiteral("-selection"), QStringLiteral("clipboard"), QStringLiteral("-t"),
                                QStringLiteral("image/png"), QStringLiteral("-o")});
  auto decoded = gfx::Bitmap::FromMemory(std::span(reinterpret_cast<const uint8_t*>(png.data()), png.size()));
  ASSERT_TRUE(decoded.Ok()) << "xclip gave " << png.size() << " bytes";
  gfx::Bitmap& read = *decoded.Value();
  ASSERT_EQ(read.Width(), 13u);
  ASSERT_EQ(read.Height(), 7u);
  EXPECT_EQ(gfx::test::PixelAt(read, 0, 0), 0xFFFFFFFFu);  // transparent became white
  const uint32_t blended = gfx::test::PixelAt(read, 1, 0);
  EXPECT_EQ(blended >> 16 & 0xFF, 0xFFu);
  EXPECT_NEAR(static_cast<int>(blended >> 8 & 0xFF), 0x7F, 2);
  for (uint32_t y = 1; y < 7; ++y) {
    for (uint32_t x = 0; x < 13; ++x) {
      const uint32_t source = gfx::test::PixelAt(*picture, x, y);
      if (source >> 24 != 0xFF) continue;
      ASSERT_EQ(gfx::test::PixelAt(read, x, y), source) << x << "," << y;
    }
  }
  // A clipboard that another program holds is left alone.
  win::SetHeadlessClipboardBusy(true);
  EXPECT_FALSE(output::CopyPictureToClipboard(*MakeTranslucentPicture(), nullptr));
  win::SetHeadlessClipboardBusy(false);
  // This process reads back what it offers.
  gfx::Bitmap::Ptr own = win::Clipboard().CopyBitmap();
  ASSERT_TRUE(own);
  EXPECT_EQ(gfx::test::PixelAt(*own, 5, 5), gfx::test::PixelAt(read, 5, 5));
}

}  // namespace
}  // namespace tavlen::desktop
