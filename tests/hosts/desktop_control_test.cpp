// The control in a QWidget of the Qt backend, on a private Xvfb: placed in a parent and following
// it, outliving a deleted parent, and moved by real X input (xdotool) exactly as by the window's
// messages.
#include "hosts/common/desktop_control.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QScrollBar>
#include <QTest>
#include <QVBoxLayout>
#include <cstdlib>
#include <memory>

#include "hosts/common/event_connection.h"
#include "platform/window/backend.h"
#include "tests/control/module/module_fixture.h"
#include "tests/hosts/xvfb_display.h"

namespace tavlen::host {
namespace {

using ole::Variant;

constexpr int kWaitMs = 5000;

// One X server and one application for the whole binary.
class DesktopControlTest : public test::RegistryTest {
 protected:
  static void SetUpTestSuite() {
    s_display = new test::XvfbDisplay();
    if (s_display->Failed()) return;
    ::setenv("QT_QPA_PLATFORM", "xcb", 1);
    static int argc = 1;
    static char name[] = "desktop_control_test";
    static char* argv[] = {name, nullptr};
    s_app = new QApplication(argc, argv);
  }
  static void TearDownTestSuite() {
    delete s_app;
    s_app = nullptr;
    delete s_display;
    s_display = nullptr;
  }
  void SetUp() override {
    if (!s_app) GTEST_SKIP() << "no X server for the desktop tests: " << s_display->Failure();
    test::RegistryTest::SetUp();
    ASSERT_EQ(ole::RegisterModule(m_module), ole::S_OK) << ole::LastLoadError();
  }

  static int32_t ScrollPos(IControlWindow* site, int32_t bar) {
    win::ScrollBarState state;
    return ole::SUCCEEDED(site->GetScrollBar(bar, &state)) ? state.pos : -1;
  }

  static inline test::XvfbDisplay* s_display = nullptr;
  static inline QApplication* s_app = nullptr;
};

// Input through the X server, at screen coordinates; false when xdotool is missing or fails.
bool XInput(const QPoint& screen, const std::string& action) {
  const std::string command = "xdotool mousemove --sync " + std::to_string(screen.x()) + " " +
                              std::to_string(screen.y()) + " " + action + " >/dev/null 2>&1";
  return std::system(command.c_str()) == 0;
}

TEST_F(DesktopControlTest, SitsInItsParentFollowsItsLayoutAndOutlivesIt) {
  auto parent = std::make_unique<QWidget>();
  parent->resize(300, 200);
  auto* layout = new QVBoxLayout(parent.get());
  layout->setContentsMargins(0, 0, 0, 0);
  DesktopControl control;
  std::string why;
  ASSERT_EQ(CreateDesktopControl("TAVLEN.TavlenCtrl.1", "", parent.get(), &control, &why), ole::S_OK) << why;
  ASSERT_NE(control.widget, nullptr);
  ASSERT_TRUE(control.site);
  EXPECT_EQ(control.widget->parentWidget(), parent.get());
  EXPECT_TRUE(win::UsesQtBackend());
  int32_t width = 0;
  int32_t height = 0;
  ASSERT_EQ(control.site->GetClientSize(&width, &height), ole::S_OK);
  EXPECT_EQ(width, 300);
  EXPECT_EQ(height, 200);

  layout->addWidget(control.widget);
  parent->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(parent.get()));
  parent->resize(420, 310);
  EXPECT_TRUE(QTest::qWaitFor(
      [&] { return ole::SUCCEEDED(control.site->GetClientSize(&width, &height)) && width == 420 && height == 310; },
      kWaitMs))
      << width << " x " << height;

  // A closed form takes the control's window with it; the control itself still answers.
  parent.reset();
  ASSERT_EQ(control.site->GetClientSize(&width, &height), ole::S_OK);
  EXPECT_EQ(width, 0);
  EXPECT_EQ(height, 0);
  EXPECT_EQ(control.site->GetClientPixel(1, 1), win::CLR_INVALID);
  EXPECT_EQ(ole::PutProperty(control.dispatch.Get(), "Align", Variant(int16_t{4})), ole::S_OK);
  EXPECT_EQ(ControlWidget(control.dispatch.Get()), nullptr);
}

// The control module puts the desktop's services in place when its first control starts in a Qt
// application, without the control naming them: a copy lands on the desktop's clipboard.
TEST_F(DesktopControlTest, CopyGoesToTheDesktopsClipboard) {
  const std::string picture = m_dir + "/small.png";
  QImage small(30, 20, QImage::Format_RGB32);
  small.fill(qRgb(0, 0, 200));
  ASSERT_TRUE(small.save(QString::fromStdString(picture)));
  QApplication::clipboard()->clear();

  DesktopControl control;
  std::string why;
  ASSERT_EQ(CreateDesktopControl("TAVLEN.TavlenCtrl.1", "", nullptr, &control, &why), ole::S_OK) << why;
  ASSERT_EQ(ole::CallMethod(control.dispatch.Get(), "LoadImage", {Variant(picture)}, nullptr), ole::S_OK);
  ASSERT_EQ(ole::CallMethod(control.dispatch.Get(), "CopyToClipboard", {}, nullptr), ole::S_OK);
  QImage copied;
  EXPECT_TRUE(QTest::qWaitFor(
      [&] {
        copied = QApplication::clipboard()->image();
        return !copied.isNull();
      },
      kWaitMs));
  EXPECT_EQ(copied.size(), QSize(30, 20));
  EXPECT_EQ(copied.pixel(5, 5), qRgb(0, 0, 200));
}

TEST_F(DesktopControlTest, RealXInputMovesThePictureAsTheWindowsMessagesDo) {
  const std::string picture = m_dir + "/large.png";
  QImage large(1000, 800, QImage::Format_RGB32);
  for (int y = 0; y < large.height(); ++y) {
    for (int x = 0; x < large.width(); ++x) large.setPixel(x, y, qRgb(x & 0xFF, y & 0xFF, (x ^ y) & 0xFF));
  }
  ASSERT_TRUE(large.save(QString::fromStdString(picture)));

  DesktopControl control;
  std::string why;
  ASSERT_EQ(CreateDesktopControl("TAVLEN.TavlenCtrl.1", "", nullptr, &control, &why), ole::S_OK) << why;
  control.widget->move(0, 0);
  control.widget->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(control.widget));
  ASSERT_EQ(ole::CallMethod(control.dispatch.Get(), "LoadImage", {Variant(picture)}, nullptr), ole::S_OK);
  ASSERT_EQ(ole::PutProperty(control.dispatch.Get(), "ZoomValue", Variant(2.0)), ole::S_OK);
  ASSERT_EQ(ole::CallMethod(control.dispatch.Get(), "ZoomByOriginal", {}, nullptr), ole::S_OK);
  (void)control.site->Pump();

  // The window's own messages, delivered directly, give the positions to expect.
  ole::ComPtr<IControlWindow> direct;
  ASSERT_EQ(control.dispatch.As(&direct), ole::S_OK);
  ASSERT_EQ(direct->Scroll(win::SB_VERT, win::SB_LINEDOWN, 0), ole::S_OK);
  const int32_t afterLine = ScrollPos(direct.Get(), win::SB_VERT);
  win::BOOL handled = win::FALSE;
  ASSERT_EQ(direct->Scroll(win::SB_VERT, win::SB_TOP, 0), ole::S_OK);
  ASSERT_EQ(direct->MouseWheel(0, -120, 10, 10, &handled), ole::S_OK);
  const int32_t afterNotch = ScrollPos(direct.Get(), win::SB_VERT);
  ASSERT_EQ(direct->Scroll(win::SB_VERT, win::SB_TOP, 0), ole::S_OK);
  ASSERT_GT(afterLine, 0);
  ASSERT_GT(afterNotch, afterLine);
  (void)control.site->Pump();

  auto* bar = control.widget->findChild<QScrollBar*>(win::kVertBarWidgetName);
  auto* client = control.widget->findChild<QWidget*>(win::kClientWidgetName);
  ASSERT_TRUE(bar && client && bar->isVisible());
  EXPECT_EQ(bar->value(), 0);

  // A click on the bar's down arrow is one SB_LINEDOWN.
  const QPoint arrow = bar->mapToGlobal(QPoint(bar->width() / 2, bar->height() - bar->width() / 2));
  if (!XInput(arrow, "click 1")) GTEST_SKIP() << "xdotool is not installed or cannot reach the display";
  EXPECT_TRUE(QTest::qWaitFor([&] { return ScrollPos(direct.Get(), win::SB_VERT) != 0; }, kWaitMs));
  EXPECT_EQ(ScrollPos(direct.Get(), win::SB_VERT), afterLine);
  EXPECT_EQ(bar->value(), afterLine);

  // A notch of the wheel over the client area is WM_MOUSEWHEEL with -120.
  ASSERT_EQ(direct->Scroll(win::SB_VERT, win::SB_TOP, 0), ole::S_OK);
  ASSERT_TRUE(XInput(client->mapToGlobal(QPoint(100, 100)), "click 5"));
  EXPECT_TRUE(QTest::qWaitFor([&] { return ScrollPos(direct.Get(), win::SB_VERT) != 0; }, kWaitMs));
  EXPECT_EQ(ScrollPos(direct.Get(), win::SB_VERT), afterNotch);

  // The pointer and a left click reach the control in client coordinates.
  auto sink = ole::MakeObject<test::RecordingSink>();
  EventConnection events;
  ControlDescription description;
  ASSERT_EQ(events.Connect(control.dispatch.Get(), sink.Get(), &description), ole::S_OK);
  ASSERT_TRUE(XInput(client->mapToGlobal(QPoint(123, 87)), "click 1"));
  EXPECT_TRUE(QTest::qWaitFor(
      [&] {
        for (const auto& call : sink->calls) {
          if (call.id == -605) return true;  // MouseDown
        }
        return false;
      },
      kWaitMs));
  Variant x;
  Variant y;
  ASSERT_EQ(ole::CallMethod(control.dispatch.Get(), "GetMouseXpos", {}, &x), ole::S_OK);
  ASSERT_EQ(ole::CallMethod(control.dispatch.Get(), "GetMouseYpos", {}, &y), ole::S_OK);
  EXPECT_EQ(x, Variant(123.0));
  EXPECT_EQ(y, Variant(87.0));
  for (const auto& call : sink->calls) {
    if (call.id != -605) continue;
    ASSERT_EQ(call.args.size(), 4u);
    EXPECT_EQ(call.args[0], Variant(int16_t{1}));  // the left button
    EXPECT_EQ(call.args[2], Variant(int32_t{123}));
    EXPECT_EQ(call.args[3], Variant(int32_t{87}));
  }
}

}  // namespace
}  // namespace tavlen::host
