// The viewer tests' process set-up: Xvfb, the QApplication and a private registry with the control module.
#include "tests/viewer/viewer_fixture.h"

#include <stdlib.h>

#include <QAbstractSpinBox>
#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QImage>
#include <QLineEdit>
#include <QListView>
#include <QPainter>
#include <QScreen>
#include <QTest>
#include <QThread>

#include "hosts/common/desktop_control.h"
#include "hosts/viewer/control_prog_id.h"
#include "hosts/viewer/form_dialog.h"
#include "platform/automation/loader.h"
#include "tests/viewer/xvfb_display.h"

namespace tavlen::test {
namespace {

constexpr int kWaitMs = 10000;

// Made once for the whole test program: the X server outlives every window, the application every control.
struct DesktopSession {
  XvfbDisplay display;
  QTemporaryDir registryDir;
  std::unique_ptr<QApplication> app;
  std::string unavailable;

  DesktopSession() {
    if (!display.Start(&unavailable)) return;
    ::setenv("QT_QPA_PLATFORM", "xcb", 1);
    ::setenv("TAVLEN_REGISTRY", registryDir.filePath("registry").toLocal8Bit().constData(), 1);
    if (ole::FAILED(ole::RegisterModule(TAVLEN_MODULE_PATH))) {
      unavailable = "the control module could not be registered: " + ole::LastLoadError();
      return;
    }
    static int argc = 1;
    static char name[] = "viewer_test";
    static char* argv[] = {name, nullptr};
    app = std::make_unique<QApplication>(argc, argv);
  }
};

DesktopSession& Session() {
  static DesktopSession* session = new DesktopSession;  // ended by the environment below
  return *session;
}

class SessionEnd : public ::testing::Environment {
 public:
  void TearDown() override { delete &Session(); }
};
const auto* const kSessionEnd = ::testing::AddGlobalTestEnvironment(new SessionEnd);

}  // namespace

const std::string& DesktopUnavailable() { return Session().unavailable; }

bool WaitUntil(const std::function<bool()>& ready) {
  QElapsedTimer clock;
  clock.start();
  while (!ready()) {
    if (clock.elapsed() > kWaitMs) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QThread::msleep(5);
  }
  return true;
}

void TypeOver(QWidget* field, const QString& text) {
  field->setFocus();
  if (auto* line = qobject_cast<QLineEdit*>(field)) line->selectAll();
  if (auto* spin = qobject_cast<QAbstractSpinBox*>(field)) spin->selectAll();
  QTest::keyClicks(field, text);
  QTest::keyClick(field, Qt::Key_Return);
}

void WaitForListing(QFileDialog* dialog) {
  // The folder is listed on a thread; a user types once the files are shown.
  auto* list = dialog->findChild<QListView*>("listView");
  if (!list || !list->model()) return;
  EXPECT_TRUE(WaitUntil([&] { return list->model()->rowCount(list->rootIndex()) > 0; }));
  QCoreApplication::processEvents();
}

ModalAnswers::ModalAnswers() {
  m_timer.setInterval(20);
  QObject::connect(&m_timer, &QTimer::timeout, [this] { Poll(); });
  m_timer.start();
}

void ModalAnswers::Poll() {
  QWidget* dialog = QApplication::activeModalWidget();
  if (!dialog || dialog == m_last || m_answers.empty() || !dialog->isVisible()) return;
  m_last = dialog;
  Answer answer = std::move(m_answers.front());
  m_answers.pop_front();
  answer(dialog);
}

ole::HRESULT CountingDispatch::GetIDsOfNames(const ole::IID& iid, const char* const* names, uint32_t count,
                                             ole::LCID lcid, ole::DISPID* ids) {
  const ole::HRESULT hr = m_inner->GetIDsOfNames(iid, names, count, lcid, ids);
  if (hr == ole::S_OK && count > 0) m_names[ids[0]] = names[0];
  return hr;
}

ole::HRESULT CountingDispatch::Invoke(ole::DISPID id, const ole::IID& iid, ole::LCID lcid, uint16_t flags,
                                      ole::DISPPARAMS* params, ole::Variant* result, ole::EXCEPINFO* info,
                                      uint32_t* argErr) {
  ++m_calls[m_names[id]];
  return m_inner->Invoke(id, iid, lcid, flags, params, result, info, argErr);
}

ole::IUnknown* CountingDispatch::QueryExtraInterface(const ole::IID& iid) {
  ole::IUnknown* found = nullptr;
  if (m_others == OtherInterfaces::Hidden ||
      ole::FAILED(m_inner->QueryInterface(iid, reinterpret_cast<void**>(&found))))
    return nullptr;
  found->Release();  // the inner object lives as long as this one
  return found;
}

void ViewerTest::SetUp() {
  if (!DesktopUnavailable().empty()) GTEST_SKIP() << "desktop tests skipped: " << DesktopUnavailable();
  ASSERT_TRUE(m_dir.isValid());
}

void ViewerTest::TearDown() {
  m_window.reset();
  QCoreApplication::processEvents();
}

QString ViewerTest::MakePicture(const QString& name, int width, int height) {
  QImage image(width, height, QImage::Format_RGB32);
  QPainter painter(&image);
  painter.fillRect(0, 0, width / 2, height, Qt::red);
  painter.fillRect(width / 2, 0, width - width / 2, height, Qt::blue);
  painter.end();
  const QString path = m_dir.filePath(name);
  EXPECT_TRUE(image.save(path, "PNG"));
  return path;
}

void ViewerTest::OpenWindow(const std::function<ole::ComPtr<ole::IDispatch>(ole::ComPtr<ole::IDispatch>)>& wrap) {
  host::DesktopControl control;
  std::string why;
  ASSERT_EQ(host::CreateDesktopControl(viewer::kControlProgId, "", nullptr, &control, &why), ole::S_OK) << why;
  ole::ComPtr<ole::IDispatch> object = wrap ? wrap(control.dispatch) : control.dispatch;
  m_window = std::make_unique<viewer::MainWindow>(control.widget, std::move(object));
  m_window->resize(640, 480);
  m_window->show();
  ASSERT_TRUE(WaitUntil([&] { return m_window->isVisible() && ClientArea() && ClientArea()->isVisible(); }));
}

void ViewerTest::OpenWindowAsTheApplicationDoes() {
  host::DesktopControl control;
  std::string why;
  ASSERT_EQ(host::CreateDesktopControl(viewer::kControlProgId, "", nullptr, &control, &why), ole::S_OK) << why;
  m_window = std::make_unique<viewer::MainWindow>(control.widget, std::move(control.dispatch));
  m_window->resize(QSize(960, 720).boundedTo(m_window->screen()->availableSize()));
  m_window->show();
}

void ViewerTest::Trigger(viewer::Command command) {
  QAction* action = m_window->ActionFor(command);
  ASSERT_TRUE(action->isEnabled()) << viewer::InfoOf(command).text;
  action->trigger();
  QCoreApplication::processEvents();
}

QColor ViewerTest::ShownAt(int x, int y) {
  const viewer::CallOutcome pixel = Control().Call("GetPixelColor", {ole::Variant(x), ole::Variant(y)});
  EXPECT_TRUE(pixel.Ok()) << pixel.error;
  return viewer::ColorFromOle(static_cast<uint32_t>(pixel.AsInt()));
}

QPoint ViewerTest::PictureCorner() {
  return {static_cast<int>(Control().Call("GetImageXpos").AsDouble()),
          static_cast<int>(Control().Call("GetImageYpos").AsDouble())};
}

QWidget* ViewerTest::ClientArea() const {
  // The control's client area is the one child of its widget that is no scroll bar.
  for (QWidget* child : m_window->centralWidget()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
    if (!child->inherits("QScrollBar")) return child;
  }
  return nullptr;
}

}  // namespace tavlen::test
