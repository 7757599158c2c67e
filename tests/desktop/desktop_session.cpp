// The test process's desktop: a private X server, then the application on it.
#include "tests/desktop/desktop_session.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>
#include <memory>

#include "tests/hosts/xvfb_display.h"

namespace tavlen::desktop::test {

namespace {

// Owned by a test environment, so that the application goes before the X server, both before exit.
class DesktopEnvironment final : public ::testing::Environment {
 public:
  bool Ready(std::string* why) {
    if (!m_tried) {
      m_tried = true;
      m_ready = StartAll();
    }
    *why = m_why;
    return m_ready;
  }

  void TearDown() override {
    m_application.reset();
    m_xvfb.reset();
  }

 private:
  bool StartAll() {
    m_xvfb = std::make_unique<tavlen::test::XvfbDisplay>();
    if (m_xvfb->Failed()) {
      m_why = m_xvfb->Failure();
      return false;
    }
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    setenv("TAVLEN_BACKEND", "qt", 1);
    m_application = std::make_unique<QApplication>(m_argc, m_argv);
    return true;
  }

  int m_argc = 1;
  char m_name[16] = "desktop_test";
  char* m_argv[2] = {m_name, nullptr};
  bool m_tried = false;
  bool m_ready = false;
  std::string m_why;
  std::unique_ptr<tavlen::test::XvfbDisplay> m_xvfb;
  std::unique_ptr<QApplication> m_application;
};

DesktopEnvironment* g_environment =
    static_cast<DesktopEnvironment*>(::testing::AddGlobalTestEnvironment(new DesktopEnvironment));

}  // namespace

bool DesktopReady(std::string* why) { return g_environment->Ready(why); }

}  // namespace tavlen::desktop::test
