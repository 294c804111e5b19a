// Ghost bikes fade out as the player's bike comes near.

#include <gtest/gtest.h>

#include "app/world_view.h"

namespace {

TEST(GhostFade, GhostsFadeWithinTheFadeDistance) {
  const struct {
    double distance, fade_distance, factor;
  } cases[] = {
      {3, 10, 0},      // within half the distance: invisible
      {5, 10, 0},      //
      {7.5, 10, 0.5},  // halfway through the fade
      {10, 10, 1},     // at the distance and beyond: drawn normally
      {40, 10, 1},     //
      {0, 0, 1},       // a fade distance of 0 never fades (and never divides by 0)
      {0, -5, 1},      //
  };
  for (auto c : cases)
    EXPECT_DOUBLE_EQ(ghost_fade_factor(c.distance, c.fade_distance), c.factor)
        << c.distance << " ft, fading within " << c.fade_distance;
}

}  // namespace
