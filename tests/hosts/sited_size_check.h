// The check both host test programs start from: a control sited in a headless window of the size asked.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "hosts/common/sited_control.h"

namespace tavlen::test {

// Creates TAVLEN.TavlenCtrl.1 through the registry in a headless window of width x height and expects
// a site whose client area has that size.
inline void ExpectSitedAtSize(int32_t width, int32_t height) {
  host::SitedControl created;
  std::string why;
  ASSERT_EQ(host::CreateSitedControl("TAVLEN.TavlenCtrl.1", width, height, "", "ok", &created, &why), ole::S_OK) << why;
  ASSERT_TRUE(created.site);
  int32_t clientWidth = 0;
  int32_t clientHeight = 0;
  ASSERT_EQ(created.site->GetClientSize(&clientWidth, &clientHeight), ole::S_OK);
  EXPECT_EQ(clientWidth, width);
  EXPECT_EQ(clientHeight, height);
}

}  // namespace tavlen::test
