// The viewer: the displayed-size rules it replays, output names, and the window on a real control under
// Xvfb: the file on its command line, menus reaching the control, disabled commands, the status bar.
#include <QAbstractButton>
#include <QAction>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QImage>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QScrollBar>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTest>
#include <map>
#include <set>
#include <string>

#include "hosts/viewer/picture_formats.h"
#include "platform/automation/com_object.h"
#include "tests/viewer/viewer_fixture.h"

namespace tavlen::test {
namespace {

using viewer::Command;
using viewer::DisplayedSize;
using viewer::Extent;
using viewer::ViewEffect;

bool operator==(Extent a, Extent b) { return a.width == b.width && a.height == b.height; }

Extent Fitted(ViewEffect fit, Extent picture) {
  DisplayedSize shown;
  shown.Apply(ViewEffect::PixelSize, picture, 1.0, {});
  shown.Apply(fit, picture, 1.0, {500, 400});
  return shown.Displayed();
}

TEST(DisplayedSize, FitsAsTheControlDoes) {
  EXPECT_TRUE(Fitted(ViewEffect::Fit, {1000, 600}) == (Extent{500, 300}));
  EXPECT_TRUE(Fitted(ViewEffect::Fit, {300, 200}) == (Extent{500, 333}));
  EXPECT_TRUE(Fitted(ViewEffect::Fit, {3, 7}) == (Extent{171, 400}));
  EXPECT_TRUE(Fitted(ViewEffect::Fit, {2000, 20}) == (Extent{2000, 20}));  // a fitted side of 1 is refused
  EXPECT_TRUE(Fitted(ViewEffect::FitHeight, {300, 200}) == (Extent{600, 400}));
  EXPECT_TRUE(Fitted(ViewEffect::FitWidth, {300, 200}) == (Extent{500, 333}));
}

TEST(DisplayedSize, ZoomsTurnsAndMapsThePointer) {
  DisplayedSize shown;
  const Extent picture{400, 300};
  shown.Apply(ViewEffect::PixelSize, picture, 1.0, {});
  shown.Apply(ViewEffect::ZoomByOriginal, picture, 2.0, {});
  shown.Apply(ViewEffect::Zoom, picture, 2.0, {});
  EXPECT_TRUE(shown.Displayed() == (Extent{1600, 1200}));
  shown.Apply(ViewEffect::Zoom, picture, 0.001, {});  // too small: refused
  EXPECT_TRUE(shown.Displayed() == (Extent{1600, 1200}));
  shown.Apply(ViewEffect::ZoomByOriginal, picture, 0.01, {});  // falls back to the pixel size
  EXPECT_TRUE(shown.Displayed() == picture);

  // Shown at 200 % with its corner at (-10, 5): client (11, 8) is picture pixel (10, 1).
  shown.Apply(ViewEffect::ZoomByOriginal, picture, 2.0, {});
  const auto pixel = shown.PicturePixel({11, 8}, {-10, 5}, picture);
  ASSERT_TRUE(pixel);
  EXPECT_EQ(pixel->x, 10);
  EXPECT_EQ(pixel->y, 1);
  EXPECT_FALSE(shown.PicturePixel({11, 4}, {-10, 5}, picture));
  EXPECT_FALSE(shown.PicturePixel({790, 8}, {-10, 5}, picture));

  // A quarter turn keeps the zoom with the sides exchanged; the turned picture is 300 x 400.
  shown.Apply(ViewEffect::SwapSides, {300, 400}, 1.0, {});
  EXPECT_TRUE(shown.Displayed() == (Extent{600, 800}));
  shown.Apply(ViewEffect::PixelSize, {0, 0}, 1.0, {});  // no picture: nothing shown
  EXPECT_FALSE(shown.PicturePixel({0, 0}, {0, 0}, {0, 0}));
}

TEST(PictureFormats, TheControlGetsTheNameWithoutItsFormatsExtension) {
  const viewer::PictureFormat* jpeg = viewer::FormatOfName("/tmp/a.JPEG");
  ASSERT_TRUE(jpeg);
  EXPECT_STREQ(jpeg->saveMethod, "SaveAsJpg");
  EXPECT_EQ(viewer::BaseNameFor("/tmp/a.JPEG", *jpeg), "/tmp/a");
  EXPECT_EQ(viewer::BaseNameFor("/tmp/a.png", *jpeg), "/tmp/a.png");  // another format's name is kept whole
  EXPECT_EQ(viewer::BaseNameFor(".jpg", *jpeg), ".jpg");
  EXPECT_FALSE(viewer::FormatOfName("/tmp/a.jpg.bak"));
  EXPECT_TRUE(viewer::IsOpenablePicture("/x/Scan.TIF"));
  EXPECT_FALSE(viewer::IsOpenablePicture("/x/a.jpg.txt"));
  // The viewer's control is version 2, which reads today's formats too.
  for (const char* name : {"a.webp", "b.AVIF", "c.avifs", "d.heic", "e.HEIF", "f.hif", "g.jxl"}) {
    EXPECT_TRUE(viewer::IsOpenablePicture(name)) << name;
    EXPECT_TRUE(viewer::OpenFilter().contains(QString("*.") + QString(name).section('.', 1).toLower())) << name;
  }
  EXPECT_TRUE(viewer::MayHoldSeveralFrames("/x/anim.webp"));
  EXPECT_FALSE(viewer::IsOpenablePicture("/x/a.webp.part"));
}

TEST_F(ViewerTest, OpensTheFileGivenOnItsCommandLine) {
  const QString xdotool = QStandardPaths::findExecutable("xdotool");
  if (xdotool.isEmpty()) GTEST_SKIP() << "xdotool is not installed";
  const QString picture = MakePicture("command-line.png", 120, 80);
  QProcess viewer;
  viewer.start(TAVLEN_VIEWER_PATH, {picture});
  ASSERT_TRUE(viewer.waitForStarted());
  // The title names the file only once it is shown.
  const bool shown = WaitUntil([&] {
    QProcess search;
    search.start(xdotool, {"search", "--name", "^command-line.png — 1 of 1$"});
    return search.waitForFinished() && search.exitStatus() == QProcess::NormalExit && search.exitCode() == 0;
  });
  viewer.terminate();
  viewer.waitForFinished();
  EXPECT_TRUE(shown) << viewer.readAllStandardError().toStdString();
}

TEST_F(ViewerTest, MenusReachTheControl) {
  OpenWindow();
  ASSERT_TRUE(m_window->OpenFile(MakePicture("menus.png", 200, 100)));
  EXPECT_FALSE(m_window->ActionFor(Command::Undo)->isEnabled());

  Trigger(Command::RotateRight);
  EXPECT_EQ(Control().Call("GetWidth").AsInt(), 100);
  EXPECT_EQ(Control().Call("GetHeight").AsInt(), 200);
  EXPECT_EQ(Control().Call("GetUndo").AsInt(), 1);
  Trigger(Command::Undo);
  EXPECT_EQ(Control().Call("GetWidth").AsInt(), 200);
  EXPECT_EQ(Control().Call("GetUndo").AsInt(), 0);
  EXPECT_FALSE(m_window->ActionFor(Command::Undo)->isEnabled());

  Trigger(Command::Gray);
  QCoreApplication::processEvents();
  const QPoint corner = PictureCorner();
  const QColor gray = ShownAt(corner.x() + 20, corner.y() + 20);
  EXPECT_EQ(gray.red(), gray.green());
  EXPECT_EQ(gray.green(), gray.blue());
  EXPECT_NE(gray.red(), 255);

  // The viewer centres pictures. Fit enlarges the 200 x 100 picture to the client's width, so the
  // client's left edge shows the picture, no longer the background; at 100 % it is background again.
  EXPECT_EQ(Control().Get("Align").AsInt(), 4);
  const int middle = ClientArea()->height() / 2;
  const QColor background = ShownAt(2, middle);
  Trigger(Command::Fit);
  ASSERT_TRUE(WaitUntil([&] { return ShownAt(2, middle) != background; }));
  Trigger(Command::ZoomIn);
  EXPECT_EQ(Control().Get("ZoomValue").AsDouble(), 1.25);
  Trigger(Command::ActualSize);
  ASSERT_TRUE(WaitUntil([&] { return ShownAt(2, middle) == background; }));

  m_window->AlignAction(2)->trigger();
  EXPECT_EQ(Control().Get("Align").AsInt(), 2);
}

// Answers to names the control has, except those it was told to hide, as a control without them would.
class HidingDispatch final : public ole::ComObject<ole::IDispatch> {
 public:
  HidingDispatch(ole::ComPtr<ole::IDispatch> inner, std::set<std::string> hidden)
      : m_inner(std::move(inner)), m_hidden(std::move(hidden)) {}
  ole::HRESULT GetTypeInfoCount(uint32_t* count) override { return m_inner->GetTypeInfoCount(count); }
  ole::HRESULT GetTypeInfo(uint32_t index, ole::LCID lcid, ole::ITypeInfo** info) override {
    return m_inner->GetTypeInfo(index, lcid, info);
  }
  ole::HRESULT GetIDsOfNames(const ole::IID& iid, const char* const* names, uint32_t count, ole::LCID lcid,
                             ole::DISPID* ids) override {
    if (count > 0 && m_hidden.count(names[0])) {
      ids[0] = ole::DISPID_UNKNOWN;
      return ole::DISP_E_UNKNOWNNAME;
    }
    return m_inner->GetIDsOfNames(iid, names, count, lcid, ids);
  }
  ole::HRESULT Invoke(ole::DISPID id, const ole::IID& iid, ole::LCID lcid, uint16_t flags, ole::DISPPARAMS* params,
                      ole::Variant* result, ole::EXCEPINFO* info, uint32_t* argErr) override {
    return m_inner->Invoke(id, iid, lcid, flags, params, result, info, argErr);
  }

 private:
  ole::ComPtr<ole::IDispatch> m_inner;
  std::set<std::string> m_hidden;
};

TEST_F(ViewerTest, CommandsWhoseMethodsAreMissingAreDisabled) {
  OpenWindow([](ole::ComPtr<ole::IDispatch> control) -> ole::ComPtr<ole::IDispatch> {
    auto hiding = ole::MakeObject<HidingDispatch>(
        std::move(control), std::set<std::string>{"Rotate90", "ZoomToFit", "AboutBox", "SaveAsBmp", "SaveAsGif",
                                                  "SaveAsJpg", "SaveAsPng", "SaveAsTif", "DrawText"});
    return ole::ComPtr<ole::IDispatch>(hiding.Get());
  });
  ASSERT_TRUE(m_window->OpenFile(MakePicture("hidden.png", 60, 40)));
  for (Command missing : {Command::RotateRight, Command::Fit, Command::About, Command::SaveAs}) {
    EXPECT_FALSE(m_window->ActionFor(missing)->isEnabled()) << viewer::InfoOf(missing).text;
    EXPECT_TRUE(m_window->ActionFor(missing)->isVisible());
  }
  // Text needs one of its five styles; the other commands are all there.
  for (Command present : {Command::RotateLeft, Command::FitWidth, Command::Text, Command::Convert, Command::Gray})
    EXPECT_TRUE(m_window->ActionFor(present)->isEnabled()) << viewer::InfoOf(present).text;
}

TEST_F(ViewerTest, StatusBarShowsThePicturePixelAndColourUnderThePointer) {
  OpenWindow();
  ASSERT_TRUE(m_window->OpenFile(MakePicture("pointer.png", 200, 100)));
  const QPoint corner = PictureCorner();
  QTest::mouseMove(ClientArea(), corner + QPoint(50, 20));
  EXPECT_TRUE(WaitUntil([&] { return m_window->PointerLabel()->text() == "x 50, y 20  #FF0000"; }))
      << m_window->PointerLabel()->text().toStdString();
  QTest::mouseMove(ClientArea(), corner + QPoint(150, 30));
  EXPECT_TRUE(WaitUntil([&] { return m_window->PointerLabel()->text() == "x 150, y 30  #0000FF"; }))
      << m_window->PointerLabel()->text().toStdString();
  QTest::mouseMove(ClientArea(), QPoint(2, 2));  // the centred picture leaves the corner to the background
  EXPECT_TRUE(WaitUntil([&] { return m_window->PointerLabel()->text().startsWith("off the picture"); }))
      << m_window->PointerLabel()->text().toStdString();
}

TEST_F(ViewerTest, DamagedFileIsReportedAndThePictureKept) {
  OpenWindow();
  ASSERT_TRUE(m_window->OpenFile(MakePicture("good.png", 80, 60)));
  const QString damaged = m_dir.filePath("damaged.png");
  QFile file(damaged);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("\x89PNG\r\n\x1a\n but nothing after the signature");
  file.close();

  QString message;
  ModalAnswers answers;
  answers.Add([&](QWidget* dialog) {
    auto* box = qobject_cast<QMessageBox*>(dialog);
    if (box) message = box->text();
    dialog->close();
  });
  EXPECT_FALSE(m_window->OpenFile(damaged));
  EXPECT_TRUE(answers.AllGiven());
  EXPECT_TRUE(message.contains("damaged")) << message.toStdString();
  EXPECT_EQ(Control().Call("GetWidth").AsInt(), 80);
}

// Each count of frames decodes the file once more than the load: it is asked only where a picture shown
// or the frames of the format are at stake.
TEST_F(ViewerTest, OpeningCountsFramesOnlyWhereAPictureOrSeveralFramesAreAtStake) {
  std::map<std::string, int> calls;
  OpenWindow([&](ole::ComPtr<ole::IDispatch> control) -> ole::ComPtr<ole::IDispatch> {
    auto counting = ole::MakeObject<CountingDispatch>(std::move(control), calls);
    return ole::ComPtr<ole::IDispatch>(counting.Get());
  });
  auto writeFile = [&](const QString& name, const char* bytes) {
    QFile file(m_dir.filePath(name));
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    return file.fileName();
  };
  const QString damagedBmp = writeFile("damaged.bmp", "BM and nothing a bitmap needs");
  const QString damagedPng = writeFile("damaged.png", "\x89PNG\r\n\x1a\n and nothing a picture needs");
  const QString bmp = m_dir.filePath("first.bmp");
  QImage image(50, 30, QImage::Format_RGB32);
  image.fill(Qt::green);
  ASSERT_TRUE(image.save(bmp, "BMP"));
  // Opens a file that must fail, and returns the message shown.
  auto openDamaged = [&](const QString& path) {
    QString message;
    ModalAnswers answers;
    answers.Add([&](QWidget* dialog) {
      if (auto* box = qobject_cast<QMessageBox*>(dialog)) message = box->text();
      dialog->close();
    });
    EXPECT_FALSE(m_window->OpenFile(path));
    EXPECT_TRUE(answers.AllGiven());
    return message;
  };

  EXPECT_TRUE(openDamaged(damagedBmp).contains("damaged"));
  EXPECT_EQ(calls["GetFrameCount"], 0);
  EXPECT_EQ(calls["LoadImage"], 1);
  // PNG can hold several frames: their count comes first even with nothing shown.
  EXPECT_TRUE(openDamaged(damagedPng).contains("damaged"));
  EXPECT_EQ(calls["GetFrameCount"], 1);
  EXPECT_EQ(calls["LoadImage"], 1);

  ASSERT_TRUE(m_window->OpenFile(bmp));
  EXPECT_EQ(calls["GetFrameCount"], 1);
  EXPECT_EQ(calls["LoadImage"], 2);

  // With a picture shown, a damaged file is tried first, so the picture stays.
  EXPECT_TRUE(openDamaged(damagedBmp).contains("damaged"));
  EXPECT_EQ(calls["GetFrameCount"], 2);
  EXPECT_EQ(calls["LoadImage"], 2);
  EXPECT_EQ(Control().Call("GetWidth").AsInt(), 50);
}

TEST_F(ViewerTest, SaveAsOffersThePicturesFolderNameAndFormatAndAsksQuality90) {
  OpenWindow();
  QImage photo(64, 48, QImage::Format_RGB32);
  photo.fill(Qt::darkGreen);
  const QString original = m_dir.filePath("photo.jpg");
  ASSERT_TRUE(photo.save(original, "JPEG"));
  ASSERT_TRUE(m_window->OpenFile(original));
  QString offeredFolder;
  QString offeredName;
  QString offeredFilter;
  int offeredQuality = -1;
  ModalAnswers answers;
  answers.Add([&](QWidget* dialog) {
    auto* files = qobject_cast<QFileDialog*>(dialog);
    auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
    if (!files || !name) {
      dialog->close();
      return;
    }
    offeredFolder = files->directory().absolutePath();
    offeredName = name->text();
    offeredFilter = files->selectedNameFilter();
    WaitForListing(files);
    TypeOver(name, "saved.jpeg");
  });
  answers.Add([&](QWidget* dialog) {
    auto* quality = qobject_cast<QInputDialog*>(dialog);
    auto* field = dialog->findChild<QSpinBox*>();
    if (!quality || !field) {
      dialog->close();
      return;
    }
    offeredQuality = quality->intValue();
    TypeOver(field, "40");
  });
  Trigger(Command::SaveAs);
  ASSERT_TRUE(WaitUntil([&] { return answers.AllGiven(); }));
  EXPECT_EQ(offeredFolder, QFileInfo(m_dir.path()).absoluteFilePath());
  EXPECT_EQ(offeredName, "photo");  // the control appends the filter's extension
  EXPECT_TRUE(offeredFilter.startsWith("JPEG")) << offeredFilter.toStdString();
  EXPECT_EQ(offeredQuality, 90);
  EXPECT_EQ(Control().Get("JpgQuality").AsInt(), 40);
  // The control appends its own extension to the name without the chosen one.
  EXPECT_TRUE(QFileInfo::exists(m_dir.filePath("saved.jpg")));
  EXPECT_FALSE(QFileInfo::exists(m_dir.filePath("saved.jpeg")));
}

TEST_F(ViewerTest, SaveAsAsksBeforeTheControlsNameReplacesAFile) {
  OpenWindow();
  const QString original = MakePicture("keep.png", 40, 30);
  const QByteArray before = [&] {
    QFile file(original);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
  }();
  ASSERT_TRUE(m_window->OpenFile(original));
  Trigger(Command::Gray);
  QString question;
  ModalAnswers answers;
  answers.Add([](QWidget* dialog) {
    auto* files = qobject_cast<QFileDialog*>(dialog);
    auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
    if (!files || !name) {
      dialog->close();
      return;
    }
    WaitForListing(files);
    QTest::keyClick(name, Qt::Key_Return);  // the offered "keep", which the control writes as keep.png
  });
  answers.Add([&](QWidget* dialog) {
    auto* box = qobject_cast<QMessageBox*>(dialog);
    if (box) question = box->text();
    if (box && box->button(QMessageBox::No))
      box->button(QMessageBox::No)->click();
    else
      dialog->close();
  });
  Trigger(Command::SaveAs);
  ASSERT_TRUE(WaitUntil([&] { return answers.AllGiven(); }));
  EXPECT_TRUE(question.contains("keep.png already exists")) << question.toStdString();
  QFile file(original);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_EQ(file.readAll(), before);
  EXPECT_TRUE(m_window->HasUnsavedChanges());
}

// Run at the scale QT_SCALE_FACTOR gives (1 when unset); ctest runs it at 1, 1.5 and 2. The control learns
// its client size when it paints, so a picture opened right after show(), as main() does, once got the
// ranges of the control's first, unlaid-out size, and a bar that appeared did not make room for the other.
TEST_F(ViewerTest, APictureLargerThanTheWindowGetsScrollBarsThatReachEveryRowFromTheFirstLayout) {
  OpenWindowAsTheApplicationDoes();
  const QSize window = m_window->size();
  const QSize pictureSize = window + QSize(40, 30);
  ASSERT_TRUE(m_window->OpenFile(MakePicture("large.png", pictureSize.width(), pictureSize.height())));
  Trigger(Command::ActualSize);
  const QSize area = m_window->centralWidget()->size();
  auto* vertical = m_window->centralWidget()->findChild<QScrollBar*>("tavlenVertScrollBar");
  auto* horizontal = m_window->centralWidget()->findChild<QScrollBar*>("tavlenHorzScrollBar");
  ASSERT_TRUE(vertical && horizontal);
  ASSERT_TRUE(vertical->isVisible());
  ASSERT_TRUE(horizontal->isVisible());
  // The client area is what the bars leave, each bar's page is that side, and its range reaches the far side.
  EXPECT_EQ(ClientArea()->width() + vertical->width(), area.width());
  EXPECT_EQ(ClientArea()->height() + horizontal->height(), area.height());
  EXPECT_EQ(vertical->pageStep(), ClientArea()->height());
  EXPECT_EQ(horizontal->pageStep(), ClientArea()->width());
  EXPECT_GE(vertical->maximum() + vertical->pageStep(), pictureSize.height());
  EXPECT_GE(horizontal->maximum() + horizontal->pageStep(), pictureSize.width());
  // The bottom-right pixel is reached by the bars: blue, the picture's right half, not background.
  vertical->triggerAction(QAbstractSlider::SliderToMaximum);
  horizontal->triggerAction(QAbstractSlider::SliderToMaximum);
  EXPECT_TRUE(
      WaitUntil([&] { return ShownAt(ClientArea()->width() - 1, ClientArea()->height() - 1) == QColor(Qt::blue); }));
}

}  // namespace
}  // namespace tavlen::test
