// The neighbours decoded ahead: moving to one shows it without a decode on the window's thread, and a
// neighbour changed on disk or damaged is loaded as any other file. Animated WebP plays as GIF does.
#include <QAction>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "control/class_ids.h"
#include "hosts/viewer/control_prog_id.h"
#include "hosts/viewer/read_ahead.h"
#include "platform/automation/loader.h"
#include "platform/automation/ole_object.h"
#include "tests/viewer/viewer_fixture.h"

namespace tavlen::test {
namespace {

using viewer::Command;

class ReadAheadTest : public ViewerTest {
 protected:
  void SetUp() override {
    ViewerTest::SetUp();
    if (IsSkipped()) return;
    for (int i = 1; i <= 4; ++i) MakePicture(QStringLiteral("img%1.png").arg(i), 40 + 10 * i, 30);
    OpenWindow([&](ole::ComPtr<ole::IDispatch> control) -> ole::ComPtr<ole::IDispatch> {
      auto counting =
          ole::MakeObject<CountingDispatch>(std::move(control), m_calls, CountingDispatch::OtherInterfaces::Forwarded);
      return ole::ComPtr<ole::IDispatch>(counting.Get());
    });
    ASSERT_NE(m_window->Ahead(), nullptr);
    m_window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(m_window.get()));
  }
  // Presses `key` once the neighbours are decoded, as a user who looked at the picture a moment.
  void PressWhenRead(Qt::Key key) {
    ASSERT_TRUE(WaitUntil([&] { return !m_window->ReadingAhead(); }));
    if (!m_window->isActiveWindow()) {
      m_window->activateWindow();
      ASSERT_TRUE(QTest::qWaitForWindowActive(m_window.get()));
    }
    QTest::keyClick(ClientArea(), key);
    QCoreApplication::processEvents();
  }
  QString Shown() const { return QFileInfo(m_window->Folder().Current()).fileName(); }

  std::map<std::string, int> m_calls;
};

TEST_F(ReadAheadTest, NeighboursAreShownWithoutADecodeOnTheWindowsThread) {
  ASSERT_TRUE(m_window->OpenFile(m_dir.filePath("img2.png")));
  const int loads = m_calls["LoadImage"];
  const int counts = m_calls["GetFrameCount"];
  EXPECT_EQ(loads, 1);

  PressWhenRead(Qt::Key_Right);
  EXPECT_EQ(Shown(), "img3.png");
  EXPECT_EQ(m_window->windowTitle(), "img3.png — 3 of 4");
  EXPECT_EQ(Control().Call("GetWidth").AsInt(), 70);
  EXPECT_EQ(m_calls["LoadImage"], loads);
  EXPECT_EQ(m_calls["GetFrameCount"], counts);
  EXPECT_EQ(m_window->Ahead()->ShownCount(), 1);
  // Shown, placed and undoable as a load.
  EXPECT_TRUE(WaitUntil([&] {
    const QPoint corner = PictureCorner();
    return ShownAt(corner.x() + 1, corner.y() + 1) == QColor(Qt::red);
  }));
  EXPECT_FALSE(m_window->ActionFor(Command::Undo)->isEnabled());
  EXPECT_FALSE(m_window->HasUnsavedChanges());
  Trigger(Command::RotateRight);
  EXPECT_EQ(Control().Call("GetWidth").AsInt(), 30);
  Trigger(Command::Undo);
  EXPECT_EQ(Control().Call("GetWidth").AsInt(), 70);

  // Back to the picture just left, decoded again meanwhile as the previous one.
  PressWhenRead(Qt::Key_Left);
  EXPECT_EQ(Shown(), "img2.png");
  EXPECT_EQ(Control().Call("GetWidth").AsInt(), 60);
  EXPECT_EQ(m_calls["LoadImage"], loads);
  EXPECT_EQ(m_window->Ahead()->ShownCount(), 2);

  // The last picture is no neighbour of the second: it is loaded here.
  PressWhenRead(Qt::Key_End);
  EXPECT_EQ(Shown(), "img4.png");
  EXPECT_EQ(Control().Call("GetWidth").AsInt(), 80);
  EXPECT_EQ(m_calls["LoadImage"], loads + 1);
  EXPECT_EQ(m_window->Ahead()->ShownCount(), 2);
}

TEST_F(ReadAheadTest, ANeighbourChangedOnDiskOrDamagedIsLoadedAsAnyFile) {
  ASSERT_TRUE(m_window->OpenFile(m_dir.filePath("img1.png")));
  ASSERT_TRUE(WaitUntil([&] { return !m_window->ReadingAhead(); }));
  MakePicture("img2.png", 90, 20);  // rewritten after its decode ahead
  PressWhenRead(Qt::Key_Right);
  EXPECT_EQ(Shown(), "img2.png");
  EXPECT_EQ(Control().Call("GetWidth").AsInt(), 90);
  EXPECT_EQ(m_window->Ahead()->ShownCount(), 0);

  QFile damaged(m_dir.filePath("img3.png"));
  ASSERT_TRUE(damaged.open(QIODevice::WriteOnly | QIODevice::Truncate));
  damaged.write("\x89PNG\r\n\x1a\n and nothing a picture needs");
  damaged.close();
  QString message;
  ModalAnswers answers;
  answers.Add([&](QWidget* dialog) {
    if (auto* box = qobject_cast<QMessageBox*>(dialog)) message = box->text();
    dialog->close();
  });
  PressWhenRead(Qt::Key_Right);
  ASSERT_TRUE(WaitUntil([&] { return answers.AllGiven(); }));
  EXPECT_TRUE(message.contains("damaged")) << message.toStdString();
  EXPECT_EQ(Shown(), "img2.png");
  EXPECT_EQ(Control().Call("GetWidth").AsInt(), 90) << "the picture shown is kept";
}

// A control made as a host makes one, outside any window.
viewer::AutomationClient MadeControl(const char* progId) {
  ole::ComPtr<ole::IDispatch> object;
  EXPECT_EQ(ole::CreateObject(progId, &object), ole::S_OK) << progId;
  ole::ComPtr<ole::IPersistPropertyBag> persist;
  if (object && ole::SUCCEEDED(object.As(&persist))) {
    EXPECT_EQ(persist->InitNew(), ole::S_OK);
  }
  return viewer::AutomationClient(object);
}

TEST_F(ViewerTest, ReadAheadHandsOverWhatIsKeptOnceAndDropsTheRest) {
  viewer::AutomationClient first = MadeControl(kTavlenProgId);
  EXPECT_EQ(viewer::ReadAhead::For(first), nullptr) << "version 1 adopts no pictures";

  viewer::AutomationClient shown = MadeControl(viewer::kControlProgId);
  std::unique_ptr<viewer::ReadAhead> ahead = viewer::ReadAhead::For(shown);
  ASSERT_NE(ahead, nullptr);
  const QString a = MakePicture("a.png", 30, 20);
  const QString b = MakePicture("b.png", 40, 20);
  const QString c = MakePicture("c.png", 50, 20);
  ahead->Keep({a, b});
  ahead->Keep({b, c, a});  // at most two: a is dropped, decoded or not
  EXPECT_EQ(ahead->ShowIn(a), std::nullopt);
  EXPECT_EQ(shown.Call("GetWidth").AsInt(), 0);
  EXPECT_EQ(ahead->ShowIn(c), 1);
  EXPECT_EQ(shown.Call("GetWidth").AsInt(), 50);
  EXPECT_EQ(ahead->ShowIn(c), std::nullopt) << "handed over once";
  EXPECT_EQ(ahead->ShowIn(b), 1);
  EXPECT_EQ(shown.Call("GetWidth").AsInt(), 40);
  EXPECT_EQ(ahead->ShownCount(), 2);
  EXPECT_EQ(shown.Call("GetUndo").AsInt(), 0);
  ahead->Keep({a, c});
  ahead.reset();  // while decoding: waits for the workers
}

// Three 6 x 4 frames, red for 300 ms, blue and green for 100 ms each, written by libwebp's own tool.
QString AnimatedWebp(const QString& folder) {
  const QString tool = QStandardPaths::findExecutable(QStringLiteral("img2webp"));
  if (tool.isEmpty()) return {};
  QStringList arguments{QStringLiteral("-lossless"), QStringLiteral("-loop"), QStringLiteral("0")};
  const std::pair<Qt::GlobalColor, int> frames[] = {{Qt::red, 300}, {Qt::blue, 100}, {Qt::green, 100}};
  for (size_t i = 0; i < std::size(frames); ++i) {
    QImage frame(6, 4, QImage::Format_RGB32);
    frame.fill(frames[i].first);
    const QString path = QStringLiteral("%1/frame%2.png").arg(folder).arg(i);
    if (!frame.save(path, "PNG")) return {};
    arguments << QStringLiteral("-d") << QString::number(frames[i].second) << path;
  }
  const QString out = folder + QStringLiteral("/anim.webp");
  arguments << QStringLiteral("-o") << out;
  QProcess process;
  process.start(tool, arguments);
  if (!process.waitForFinished(10000) || process.exitCode() != 0) return {};
  return out;
}

TEST_F(ViewerTest, AnimatedWebpPlaysByItsDelaysPausesAndExportsTheShownFrame) {
  if (!QImageReader::supportedImageFormats().contains("webp"))
    GTEST_SKIP() << "Qt reads no WebP here (qt6-image-formats-plugins)";
  const QString path = AnimatedWebp(m_dir.path());
  if (path.isEmpty()) GTEST_SKIP() << "img2webp (package webp) could not write an animation";
  EXPECT_EQ(viewer::FrameDelays(path), (std::vector<int>{300, 100, 100}));
  OpenWindow();
  m_window->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(m_window.get()));
  ASSERT_TRUE(m_window->OpenFile(path));
  ASSERT_TRUE(m_window->Animation().Animating());
  auto shown = [&] {
    const QPoint at = PictureCorner() + QPoint(1, 1);
    return ShownAt(at.x(), at.y());
  };
  EXPECT_TRUE(WaitUntil([&] { return shown() == QColor(Qt::red); }));
  ASSERT_TRUE(WaitUntil([&] { return shown() == QColor(Qt::blue); }));
  ASSERT_TRUE(WaitUntil([&] { return shown() == QColor(Qt::green); }));

  QTest::keyClick(ClientArea(), Qt::Key_P);
  ASSERT_TRUE(m_window->Animation().Paused());
  const int frame = m_window->Animation().Frame();
  const QColor paused = shown();
  QTest::qWait(400);
  EXPECT_EQ(m_window->Animation().Frame(), frame);

  ModalAnswers answers;
  answers.Add([&](QWidget* dialog) {
    auto* files = qobject_cast<QFileDialog*>(dialog);
    auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
    if (!files || !name) return dialog->close(), void();
    EXPECT_EQ(name->text(), QStringLiteral("anim-frame%1").arg(frame + 1));
    WaitForListing(files);
    TypeOver(name, "still.png");
  });
  Trigger(Command::ExportFrame);
  ASSERT_TRUE(WaitUntil([&] { return answers.AllGiven(); }));
  const QImage exported(m_dir.filePath("still.png"));
  ASSERT_FALSE(exported.isNull());
  EXPECT_EQ(exported.size(), QSize(6, 4));
  EXPECT_EQ(exported.pixelColor(2, 2), paused);
}

}  // namespace
}  // namespace tavlen::test
