// The SDL driver's error box without a display falls back to standard
// error instead of blocking or failing silently.

#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/error_box.h"

namespace {

TEST(SdlErrorBoxTest, WithoutDisplayWritesToStandardError) {
  unsetenv("DISPLAY");
  unsetenv("WAYLAND_DISPLAY");
  ::testing::internal::CaptureStderr();
  korb_error_box("Problem starting Tavrin", "Can't find game data\n");
  EXPECT_EQ(::testing::internal::GetCapturedStderr(),
            "Problem starting Tavrin\nCan't find game data\n");
}

}  // namespace
