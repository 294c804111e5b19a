// The video mode list and the choice of a full-screen mode.

#include <gtest/gtest.h>

#include <vector>

#include "platform/display_modes.h"

namespace {

bool same(const DisplayMode& a, const DisplayMode& b) {
  return a.width == b.width && a.height == b.height && a.depth == b.depth;
}

TEST(DisplayModes, DesktopFirstThenNewTriplesOfUsableDepths) {
  std::vector<DisplayMode> found = {{800, 600, 16, 60},
                                    {640, 480, 16, 75},
                                    {800, 600, 32, 60},
                                    {800, 600, 16, 75},
                                    {1024, 768, 12, 60}};
  auto modes = build_display_mode_list({640, 480, 16, 60}, found);
  std::vector<DisplayMode> want = {{640, 480, 16}, {800, 600, 16}, {800, 600, 32}};
  ASSERT_EQ(modes.size(), want.size());
  for (std::size_t i = 0; i < want.size(); ++i) EXPECT_TRUE(same(modes[i], want[i])) << i;
}

TEST(DisplayModes, DesktopOfOddDepthIsLeftOut) {
  std::vector<DisplayMode> found = {{800, 600, 24, 60}};
  auto modes = build_display_mode_list({800, 600, 30, 60}, found);
  ASSERT_EQ(modes.size(), 1u);
  EXPECT_EQ(modes[0].depth, 24);
}

TEST(DisplayModes, FullScreenTakesTheClosestModeThatFits) {
  std::vector<DisplayMode> modes = {{640, 480, 32}, {1280, 720, 32}, {1024, 768, 32}};
  auto mode = choose_fullscreen_mode(modes, 1000, 700);
  ASSERT_TRUE(mode);
  EXPECT_EQ(mode->width, 1024);
  EXPECT_EQ(mode->height, 768);
  EXPECT_FALSE(choose_fullscreen_mode(modes, 2000, 700));
  EXPECT_FALSE(choose_fullscreen_mode(modes, 0, 0));
}

}  // namespace
