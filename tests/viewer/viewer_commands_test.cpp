// The command table as the window shows it: every row reachable and translated where it is shown, the
// shortcuts distinct, the enabling without a picture; and the information panel's exposure data and
// colour profile read through the control.
#include <QCoreApplication>
#include <QDockWidget>
#include <QFileInfo>
#include <QMenuBar>
#include <QTranslator>
#include <map>

#include "hosts/viewer/info_panel.h"
#include "tests/viewer/viewer_fixture.h"

namespace tavlen::test {
namespace {

using viewer::Command;
using viewer::CommandInfo;
using viewer::Commands;

TEST(CommandTable, EveryRowHasAHandlerAndNoTwoShareAShortcut) {
  std::map<QKeySequence, const char*> owners;
  for (const CommandInfo& info : Commands()) {
    SCOPED_TRACE(info.text);
    const bool choices = !info.choices.empty();
    EXPECT_TRUE(info.run || info.directCall || choices);
    EXPECT_EQ(choices, info.choose != nullptr);
    for (const QKeySequence& key : QKeySequence::listFromString(QString::fromUtf8(info.shortcut))) {
      if (key.isEmpty()) continue;  // the row has none
      const auto [owner, added] = owners.emplace(key, info.text);
      // Qt runs neither of two actions with one shortcut.
      EXPECT_TRUE(added) << key.toString().toStdString() << " is also " << owner->second;
    }
  }
}

// Marks every text of the window's context, as a translation would replace it.
class MarkingTranslator final : public QTranslator {
 public:
  QString translate(const char* context, const char* source, const char*, int) const override {
    if (QByteArrayView(context) != "tavlen::viewer::MainWindow") return {};
    return QStringLiteral("<%1>").arg(QString::fromUtf8(source));
  }
  bool isEmpty() const override { return false; }
};

TEST_F(ViewerTest, MenusShowTheTranslatedTextsOfTheTable) {
  MarkingTranslator translator;
  QCoreApplication::installTranslator(&translator);
  OpenWindow();
  QCoreApplication::removeTranslator(&translator);
  for (const CommandInfo& info : Commands()) {
    EXPECT_EQ(m_window->ActionFor(info.command)->text(), QStringLiteral("<%1>").arg(info.text));
    for (size_t choice = 0; choice < info.choices.size(); ++choice)
      EXPECT_EQ(m_window->AlignAction(static_cast<int>(choice))->text(),
                QStringLiteral("<%1>").arg(info.choices[choice]));
  }
  const QList<QAction*> menus = m_window->menuBar()->actions();
  ASSERT_EQ(menus.size(), 5);
  EXPECT_EQ(menus.front()->text(), "<&File>");
  EXPECT_EQ(menus.back()->text(), "<&Help>");
}

TEST_F(ViewerTest, WithoutAPictureOnlyTheCommandsThatNeedNoneAreEnabled) {
  OpenWindow();
  for (const CommandInfo& info : Commands()) {
    const bool needsNoPicture = info.enabledWhen == viewer::EnabledWhen::Always;
    EXPECT_EQ(m_window->ActionFor(info.command)->isEnabled(), needsNoPicture) << info.text;
  }
  ASSERT_TRUE(m_window->OpenFile(MakePicture("shown.png", 60, 40)));
  EXPECT_TRUE(m_window->ActionFor(Command::RotateLeft)->isEnabled());
  EXPECT_FALSE(m_window->ActionFor(Command::Undo)->isEnabled());
  EXPECT_FALSE(m_window->ActionFor(Command::PauseAnimation)->isEnabled());
}

TEST(ExposureText, IsShownAsCamerasShowIt) {
  EXPECT_EQ(viewer::ExposureTimeText("1/160"), "1/160 s");
  EXPECT_EQ(viewer::ExposureTimeText("10/4000"), "1/400 s");
  EXPECT_EQ(viewer::ExposureTimeText("13/10"), "1.3 s");
  EXPECT_EQ(viewer::ExposureTimeText("30"), "30 s");
  EXPECT_EQ(viewer::FNumberText("71/10"), "f/7.1");
  EXPECT_EQ(viewer::FNumberText("16/1"), "f/16");
  EXPECT_EQ(viewer::FocalLengthText("4500/1000"), "4.5 mm");
  // What no camera writes shows nothing rather than nonsense.
  for (const char* bad : {"", "0/1", "1/0", "-1/60", "a/b", "1/2/3"}) {
    EXPECT_EQ(viewer::ExposureTimeText(bad), "") << bad;
    EXPECT_EQ(viewer::FNumberText(bad), "") << bad;
  }
}

TEST_F(ViewerTest, InformationPanelShowsTheExposureAndWhetherAProfileCameWithThePicture) {
  const QString photo = QStringLiteral(TAVLEN_TESTDATA_DIR "/jpeg/Canon_40D.jpg");
  if (!QFileInfo::exists(photo)) GTEST_SKIP() << "the shared test pictures are not here";
  OpenWindow();
  ASSERT_TRUE(m_window->OpenFile(photo));
  Trigger(Command::Information);
  auto* panel = static_cast<viewer::InfoPanel*>(m_window->InformationDock()->widget());
  EXPECT_EQ(panel->Value("Camera model"), "Canon EOS 40D");
  EXPECT_EQ(panel->Value("Taken"), "2008:05:30 15:56:01");
  EXPECT_EQ(panel->Value("Exposure time"), "1/160 s");
  EXPECT_EQ(panel->Value("F-number"), "f/7.1");
  EXPECT_EQ(panel->Value("ISO"), "100");
  EXPECT_EQ(panel->Value("Focal length"), "135 mm");
  EXPECT_EQ(panel->Value("Lens"), "");  // the file names none
  EXPECT_EQ(panel->Value("Colour profile"), "embedded, converted to sRGB");

  ASSERT_TRUE(m_window->OpenFile(MakePicture("plain.png", 60, 40)));
  EXPECT_EQ(panel->Value("Colour profile"), "none (shown as sRGB)");
  EXPECT_EQ(panel->Value("Exposure time"), "");
}

}  // namespace
}  // namespace tavlen::test
