// The viewer's showing of pictures: fitting kept through turns, undo and resizes until the user zooms,
// Ctrl+wheel about the pointer, full screen, animated GIF frames by their delays, the information panel.
#include <QAction>
#include <QDockWidget>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QMenuBar>
#include <QPainter>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>
#include <vector>

#include "hosts/viewer/frame_animation.h"
#include "hosts/viewer/info_panel.h"
#include "tests/viewer/viewer_fixture.h"

namespace tavlen::test {
namespace {

using viewer::Command;
using viewer::Fitting;

struct GifFrame {
  uint8_t colourIndex;  // into red, blue, green, black
  uint16_t delayCs;
};

// A 4 x 4 animated GIF of plain frames. Each pixel is coded after a clear code, so the codes stay three
// bits wide and no compression needs writing.
QByteArray AnimatedGif(const std::vector<GifFrame>& frames) {
  QByteArray gif("GIF89a");
  auto le16 = [&gif](int value) {
    gif.append(static_cast<char>(value & 0xFF));
    gif.append(static_cast<char>((value >> 8) & 0xFF));
  };
  le16(4);
  le16(4);
  gif.append("\xF1\x00\x00", 3);  // a global table of 4 colours
  gif.append("\xFF\x00\x00\x00\x00\xFF\x00\xFF\x00\x00\x00\x00", 12);
  gif.append("\x21\xFF\x0BNETSCAPE2.0\x03\x01\x00\x00\x00", 19);  // loops for ever
  for (const GifFrame& frame : frames) {
    gif.append("\x21\xF9\x04\x04", 4);  // kept in place, no transparency
    le16(frame.delayCs);
    gif.append("\x00\x00", 2);
    gif.append("\x2C", 1);
    le16(0);
    le16(0);
    le16(4);
    le16(4);
    gif.append("\x00\x02", 2);  // no local table; minimum code size 2
    QByteArray codes;
    uint32_t bits = 0;
    int count = 0;
    auto put = [&](uint32_t code) {
      bits |= code << count;
      count += 3;
      while (count >= 8) {
        codes.append(static_cast<char>(bits & 0xFF));
        bits >>= 8;
        count -= 8;
      }
    };
    for (int pixel = 0; pixel < 16; ++pixel) {
      put(4);  // clear
      put(frame.colourIndex);
    }
    put(5);  // end of information
    if (count > 0) codes.append(static_cast<char>(bits & 0xFF));
    gif.append(static_cast<char>(codes.size()));
    gif.append(codes);
    gif.append('\x00');
  }
  gif.append('\x3B');
  return gif;
}

TEST(FrameDelays, AreReadPerFrameAndTheFastestAreSlowedDown) {
  QTemporaryDir dir;
  const QString path = dir.filePath("delays.gif");
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(AnimatedGif({{0, 25}, {1, 7}, {2, 0}}));
  file.close();
  EXPECT_EQ(viewer::FrameDelays(path), (std::vector<int>{250, 70, 100}));
  EXPECT_TRUE(viewer::FrameDelays(dir.filePath("missing.gif")).empty());
}

class ShowingTest : public ViewerTest {
 protected:
  int Middle() const { return ClientArea()->height() / 2; }
  bool BarsShown() const {
    for (const QScrollBar* bar : m_window->centralWidget()->findChildren<QScrollBar*>())
      if (bar->isVisible()) return true;
    return false;
  }
};

TEST_F(ShowingTest, LargePicturesOpenFittedAndStaySoThroughTurnsUndoAndResizesUntilZoomed) {
  OpenWindow();
  // Smaller than the window: 100 %, centred.
  ASSERT_TRUE(m_window->OpenFile(MakePicture("small.png", 200, 100)));
  EXPECT_EQ(PictureCorner(), QPoint((ClientArea()->width() - 200) / 2, (ClientArea()->height() - 100) / 2));

  ASSERT_TRUE(m_window->OpenFile(MakePicture("wide.png", 1600, 300)));
  EXPECT_EQ(m_window->CurrentFitting(), Fitting::WholeIfLarger);
  EXPECT_FALSE(BarsShown());
  EXPECT_EQ(PictureCorner().x(), 0);  // as wide as the client
  EXPECT_TRUE(WaitUntil([&] { return ShownAt(2, Middle()) == QColor(Qt::red); }));

  Trigger(Command::RotateRight);  // 300 x 1600: as high as the client, centred across
  EXPECT_FALSE(BarsShown());
  EXPECT_EQ(PictureCorner().y(), 0);
  EXPECT_GT(PictureCorner().x(), 0);

  Trigger(Command::Undo);
  EXPECT_FALSE(BarsShown());
  EXPECT_EQ(PictureCorner().x(), 0);

  m_window->resize(m_window->width() + 200, m_window->height());
  EXPECT_TRUE(WaitUntil([&] { return ShownAt(ClientArea()->width() - 2, Middle()) == QColor(Qt::blue); }));
  EXPECT_EQ(PictureCorner().x(), 0);

  Trigger(Command::ZoomIn);  // the user's zoom is kept from here on
  EXPECT_EQ(m_window->CurrentFitting(), Fitting::Free);
  Trigger(Command::RotateRight);
  EXPECT_TRUE(BarsShown());
}

TEST_F(ShowingTest, CtrlWheelZoomsAboutThePointer) {
  OpenWindow();
  QImage image(400, 300, QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter(&image).fillRect(300, 200, 6, 6, Qt::black);
  const QString path = m_dir.filePath("mark.png");
  ASSERT_TRUE(image.save(path));
  ASSERT_TRUE(m_window->OpenFile(path));
  const QPoint pointer = PictureCorner() + QPoint(303, 203);
  ASSERT_TRUE(WaitUntil([&] { return ShownAt(pointer.x(), pointer.y()) == QColor(Qt::black); }));
  const QPoint cornerBefore = PictureCorner();

  QWheelEvent wheel(pointer, ClientArea()->mapToGlobal(pointer), QPoint(), QPoint(0, 240), Qt::NoButton,
                    Qt::ControlModifier, Qt::NoScrollPhase, false);
  QCoreApplication::sendEvent(ClientArea(), &wheel);
  EXPECT_EQ(m_window->CurrentFitting(), Fitting::Free);
  // Zoomed (the picture moved) with the marked pixel still under the pointer.
  EXPECT_NE(PictureCorner(), cornerBefore);
  EXPECT_TRUE(WaitUntil([&] { return ShownAt(pointer.x(), pointer.y()) == QColor(Qt::black); }));
}

TEST_F(ShowingTest, FullScreenByF11OrDoubleClickAndLeftByEscape) {
  OpenWindow();
  ASSERT_TRUE(m_window->OpenFile(MakePicture("full.png", 200, 100)));
  m_window->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(m_window.get()));
  Trigger(Command::FullScreen);
  EXPECT_TRUE(WaitUntil([&] { return m_window->isFullScreen(); }));
  EXPECT_FALSE(m_window->menuBar()->isVisible());
  QTest::keyClick(ClientArea(), Qt::Key_Escape);
  EXPECT_TRUE(WaitUntil([&] { return !m_window->isFullScreen(); }));
  EXPECT_TRUE(m_window->menuBar()->isVisible());
  QTest::mouseDClick(ClientArea(), Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_TRUE(WaitUntil([&] { return m_window->isFullScreen(); }));
  Trigger(Command::FullScreen);
  EXPECT_TRUE(WaitUntil([&] { return !m_window->isFullScreen(); }));
}

TEST_F(ShowingTest, AnimatedGifAdvancesByItsDelaysAndPauses) {
  OpenWindow();
  m_window->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(m_window.get()));
  const QString path = m_dir.filePath("anim.gif");
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(AnimatedGif({{0, 30}, {1, 10}, {2, 10}}));
  file.close();
  QElapsedTimer clock;
  clock.start();
  ASSERT_TRUE(m_window->OpenFile(path));
  ASSERT_TRUE(m_window->Animation().Animating());
  auto shown = [&] {
    const QPoint at = PictureCorner() + QPoint(1, 1);
    return ShownAt(at.x(), at.y());
  };
  EXPECT_TRUE(WaitUntil([&] { return shown() == QColor(Qt::red); }));
  ASSERT_TRUE(WaitUntil([&] { return shown() == QColor(Qt::blue); }));
  EXPECT_GE(clock.elapsed(), 300);  // the first frame's delay has passed
  ASSERT_TRUE(WaitUntil([&] { return shown() == QColor(Qt::green); }));
  ASSERT_TRUE(WaitUntil([&] { return shown() == QColor(Qt::red); }));  // and round again

  QTest::keyClick(ClientArea(), Qt::Key_P);
  EXPECT_TRUE(m_window->Animation().Paused());
  const int frame = m_window->Animation().Frame();
  QTest::qWait(400);  // longer than any delay: a running animation would have moved on
  EXPECT_EQ(m_window->Animation().Frame(), frame);
  QTest::keyClick(ClientArea(), Qt::Key_P);
  EXPECT_FALSE(m_window->Animation().Paused());
  EXPECT_TRUE(WaitUntil([&] { return m_window->Animation().Frame() != frame; }));
}

TEST_F(ShowingTest, InformationPanelShowsTheFileAndPicture) {
  OpenWindow();
  ASSERT_TRUE(m_window->OpenFile(MakePicture("facts.png", 200, 100)));
  EXPECT_FALSE(m_window->InformationDock()->isVisible());
  Trigger(Command::Information);
  ASSERT_TRUE(m_window->InformationDock()->isVisible());
  auto* panel = static_cast<viewer::InfoPanel*>(m_window->InformationDock()->widget());
  EXPECT_EQ(panel->Value("File"), "facts.png");
  EXPECT_EQ(panel->Value("Dimensions"), "200 × 100 pixels");
  EXPECT_EQ(panel->Value("Format"), "PNG");
  EXPECT_FALSE(panel->Value("Colour profile").isEmpty());
  Trigger(Command::RotateRight);  // follows the picture
  EXPECT_EQ(panel->Value("Dimensions"), "100 × 200 pixels");
}

TEST_F(ShowingTest, RedoWaitsForAControlThatHasIt) {
  OpenWindow();
  ASSERT_TRUE(m_window->OpenFile(MakePicture("redo.png", 60, 40)));
  QAction* redo = m_window->ActionFor(Command::Redo);
  EXPECT_TRUE(redo->shortcuts().contains(QKeySequence("Ctrl+Y")));
  EXPECT_TRUE(redo->shortcuts().contains(QKeySequence("Ctrl+Shift+Z")));
  Trigger(Command::RotateRight);
  Trigger(Command::Undo);
  EXPECT_EQ(redo->isEnabled(), Control().Has("Redo") && Control().Has("GetRedo"));
}

}  // namespace
}  // namespace tavlen::test
