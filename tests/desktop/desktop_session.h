// An X server of the test's own (Xvfb on a free display) and a QApplication on it, made once per test
// process and shut down when the tests end; tests skip with the reason when either cannot start.
#pragma once

#include <string>

namespace tavlen::desktop::test {

// Starts Xvfb and the QApplication on first use; false with the reason when they cannot start.
bool DesktopReady(std::string* why);

// Skips the calling test when there is no desktop to run on.
#define TAVLEN_REQUIRE_DESKTOP()                                              \
  do {                                                                        \
    std::string whyNoDesktop;                                                 \
    if (!::tavlen::desktop::test::DesktopReady(&whyNoDesktop)) {              \
      GTEST_SKIP() << "no X display for the desktop tests: " << whyNoDesktop; \
    }                                                                         \
  } while (false)

}  // namespace tavlen::desktop::test
