// The viewer's folder browsing and unsaved changes: natural order, no wrapping, the title's position,
// files that come and go, and the "Save changes?" question on every path that leaves the picture.
#include <QAbstractButton>
#include <QAction>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QTest>
#include <cstring>

#include "hosts/viewer/picture_folder.h"
#include "hosts/viewer/unsaved_changes.h"
#include "tests/viewer/viewer_fixture.h"

namespace tavlen::test {
namespace {

using viewer::Command;

TEST(PictureFolder, SortsNaturally) {
  QStringList names = {"img10.png", "img2.png", "IMG3.png", "img1.png", "a.png", "img02b.png"};
  viewer::SortNaturally(names);
  EXPECT_EQ(names, (QStringList{"a.png", "img1.png", "img2.png", "img02b.png", "IMG3.png", "img10.png"}));
}

TEST(UnsavedChanges, FollowsEditsUndoAndRedoBackToTheSavedState) {
  viewer::UnsavedChanges changes;
  EXPECT_FALSE(changes.Changed());
  changes.Edited(0, 1);
  EXPECT_TRUE(changes.Changed());
  changes.SteppedBack();
  EXPECT_FALSE(changes.Changed());
  changes.SteppedForward();
  EXPECT_TRUE(changes.Changed());
  changes.Saved();
  changes.SteppedBack();  // undone past the saved state
  EXPECT_TRUE(changes.Changed());
  changes.Edited(0, 1);  // a new edit there drops the way back to what was saved
  changes.SteppedBack();
  EXPECT_TRUE(changes.Changed());

  viewer::UnsavedChanges tags;
  tags.Edited(2, 2);  // no undo step: nothing leads back
  tags.SteppedBack();
  EXPECT_TRUE(tags.Changed());

  viewer::UnsavedChanges many;
  for (int32_t step = 0; step < viewer::UnsavedChanges::kUndoSteps + 1; ++step) many.Edited(step, step + 1);
  for (int32_t step = 0; step < viewer::UnsavedChanges::kUndoSteps + 1; ++step) many.SteppedBack();
  EXPECT_TRUE(many.Changed());  // the saved state fell out of the history
}

class BrowsingTest : public ViewerTest {
 protected:
  void SetUp() override {
    ViewerTest::SetUp();
    if (IsSkipped()) return;
    for (const char* name : {"img10.png", "img2.png", "IMG3.png", "img1.png"})
      MakePicture(name, 60 + 10 * std::strlen(name), 40);
    QFile text(m_dir.filePath("notes.txt"));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    OpenWindow();
    m_window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(m_window.get()));
  }
  QString Shown() const { return QFileInfo(m_window->Folder().Current()).fileName(); }
  void Press(int key) {
    // Shortcuts reach an active window only; a closed dialog hands activation back asynchronously.
    if (!m_window->isActiveWindow()) {
      m_window->activateWindow();
      ASSERT_TRUE(QTest::qWaitForWindowActive(m_window.get()));
    }
    QTest::keyClick(ClientArea(), static_cast<Qt::Key>(key));
    QCoreApplication::processEvents();
  }
};

TEST_F(BrowsingTest, KeysMoveInNaturalOrderWithoutWrapping) {
  ASSERT_TRUE(m_window->OpenFile(m_dir.filePath("img2.png")));
  EXPECT_EQ(m_window->windowTitle(), "img2.png — 2 of 4");
  Press(Qt::Key_Right);
  EXPECT_EQ(Shown(), "IMG3.png");
  Press(Qt::Key_Space);
  EXPECT_EQ(Shown(), "img10.png");
  EXPECT_EQ(m_window->windowTitle(), "img10.png — 4 of 4");
  Press(Qt::Key_PageDown);  // the last one stays
  EXPECT_EQ(Shown(), "img10.png");
  Press(Qt::Key_Home);
  EXPECT_EQ(Shown(), "img1.png");
  Press(Qt::Key_Backspace);  // the first one stays
  EXPECT_EQ(Shown(), "img1.png");
  Press(Qt::Key_Left);
  EXPECT_EQ(Shown(), "img1.png");
  Press(Qt::Key_End);
  EXPECT_EQ(Shown(), "img10.png");
  Press(Qt::Key_PageUp);
  EXPECT_EQ(Shown(), "IMG3.png");
  // What is shown is the file's picture, not only its name.
  EXPECT_EQ(Control().Call("GetWidth").AsInt(), 60 + 10 * 8);
}

TEST_F(BrowsingTest, FilesAddedAndRemovedAreSeen) {
  ASSERT_TRUE(m_window->OpenFile(m_dir.filePath("img2.png")));
  MakePicture("img0.png", 30, 30);
  EXPECT_TRUE(WaitUntil([&] { return m_window->windowTitle() == "img2.png — 3 of 5"; }))
      << m_window->windowTitle().toStdString();
  ASSERT_TRUE(QFile::remove(m_dir.filePath("img2.png")));
  // The shown picture stays; moving on goes to its old neighbour.
  EXPECT_TRUE(WaitUntil([&] { return m_window->Folder().Count() == 4; }));
  Press(Qt::Key_Right);
  EXPECT_EQ(Shown(), "IMG3.png");
}

TEST_F(BrowsingTest, TodaysFormatsAreListedAndShown) {
  const QString shared = QStringLiteral(TAVLEN_TESTDATA_DIR);
  if (!QFile::copy(shared + "/webp/hopper.webp", m_dir.filePath("img4.webp")) ||
      !QFile::copy(shared + "/heif/Stonehenge.heic", m_dir.filePath("img5.HEIC")))
    GTEST_SKIP() << "no shared test files";
  ASSERT_TRUE(m_window->OpenFile(m_dir.filePath("img4.webp")));
  EXPECT_EQ(m_window->windowTitle(), "img4.webp — 4 of 6");
  EXPECT_EQ(Control().Call("GetWidth").AsInt(), 128);
  Press(Qt::Key_Right);
  EXPECT_EQ(Shown(), "img5.HEIC");
  EXPECT_EQ(Control().Call("GetWidth").AsInt(), 300);
}

// Answers the next question with `button` and records that it was asked.
void AnswerQuestion(ModalAnswers& answers, QMessageBox::StandardButton button, int* asked) {
  answers.Add([button, asked](QWidget* dialog) {
    auto* box = qobject_cast<QMessageBox*>(dialog);
    if (box && box->windowTitle() == "Save changes?") ++*asked;
    if (box && box->button(button))
      box->button(button)->click();
    else
      dialog->close();
  });
}

TEST_F(BrowsingTest, UnsavedChangesAreAskedAboutOnOpenMoveCloseAndQuit) {
  ASSERT_TRUE(m_window->OpenFile(m_dir.filePath("img2.png")));
  // Nothing is asked while the picture is as it was loaded, also after an edit that was undone.
  Trigger(Command::RotateRight);
  Trigger(Command::Undo);
  EXPECT_FALSE(m_window->HasUnsavedChanges());
  Press(Qt::Key_Right);
  EXPECT_EQ(Shown(), "IMG3.png");

  int asked = 0;
  Trigger(Command::Gray);
  EXPECT_TRUE(m_window->HasUnsavedChanges());
  {
    ModalAnswers answers;
    AnswerQuestion(answers, QMessageBox::Cancel, &asked);
    EXPECT_FALSE(m_window->OpenFile(m_dir.filePath("img1.png")));
    EXPECT_TRUE(answers.AllGiven());
  }
  EXPECT_EQ(Shown(), "IMG3.png");
  EXPECT_EQ(Control().Call("GetUndo").AsInt(), 1);  // the edit is still there
  {
    ModalAnswers answers;
    AnswerQuestion(answers, QMessageBox::Cancel, &asked);
    Press(Qt::Key_Right);
    EXPECT_TRUE(answers.AllGiven());
  }
  EXPECT_EQ(Shown(), "IMG3.png");
  {
    ModalAnswers answers;
    AnswerQuestion(answers, QMessageBox::Cancel, &asked);
    m_window->close();
    EXPECT_TRUE(answers.AllGiven());
  }
  EXPECT_TRUE(m_window->isVisible());
  {
    ModalAnswers answers;
    AnswerQuestion(answers, QMessageBox::Discard, &asked);
    Press(Qt::Key_Right);
    EXPECT_TRUE(answers.AllGiven());
  }
  EXPECT_EQ(Shown(), "img10.png");
  EXPECT_FALSE(m_window->HasUnsavedChanges());

  // Save goes through Save as; once written, Quit closes the window.
  Trigger(Command::Gray);
  {
    ModalAnswers answers;
    AnswerQuestion(answers, QMessageBox::Save, &asked);
    answers.Add([](QWidget* dialog) {
      auto* files = qobject_cast<QFileDialog*>(dialog);
      auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
      if (!files || !name) return dialog->close(), void();
      WaitForListing(files);
      TypeOver(name, "gray-copy.png");
    });
    Trigger(Command::Quit);
    EXPECT_TRUE(WaitUntil([&] { return answers.AllGiven(); }));
  }
  EXPECT_TRUE(QFileInfo::exists(m_dir.filePath("gray-copy.png")));
  EXPECT_TRUE(WaitUntil([&] { return !m_window->isVisible(); }));
  EXPECT_EQ(asked, 5);
}

}  // namespace
}  // namespace tavlen::test
