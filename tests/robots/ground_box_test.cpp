// Which bikes a robot sees in its way: the ground boxes of two bikes.

#include <gtest/gtest.h>

#include "robots/ground_box.h"

namespace {

// A bike at (x, z) moving at v ft/s along the unit heading (hx, hz).
GroundBox box(double x, double z, double hx, double hz, double v) {
  return ground_box({x, 0, z}, {-hx, 0, -hz}, v);
}

TEST(GroundBox, SpansFourFeetBehindToFourPlusSpeedAheadAndFourFeetWide) {
  // Heading -z at 10 ft/s: the box runs from z = 4 to z = -14, x = -2..2.
  GroundBox b = box(0, 0, 0, -1, 10);
  EXPECT_DOUBLE_EQ(b.corner[0].z, 4);
  EXPECT_DOUBLE_EQ(b.corner[1].z, -14);
  EXPECT_DOUBLE_EQ(b.corner[0].x, 2);  // the right of a bike heading -z is +x
  EXPECT_DOUBLE_EQ(b.corner[2].x, -2);
}

TEST(GroundBox, CrossesForBikesInTheWayAndNotForOthers) {
  struct Case {
    const char* what;
    GroundBox other;
    bool in_way;
  };
  // This bike: at the origin heading +x at 20 ft/s, its box x = -4..24.
  const GroundBox me = box(0, 0, 1, 0, 20);
  const Case cases[] = {
      {"slower bike straight ahead on the same heading, a little off line",
       box(15, 0.5, 1, 0, 10), true},
      {"slower bike straight ahead exactly on the line", box(15, 0, 1, 0, 10), true},
      {"bike cutting across ahead", box(12, -6, 0, 1, 15), true},
      {"bike alongside in the next lane", box(2, 5, 1, 0, 20), false},
      {"bike far ahead", box(60, 0, 1, 0, 20), false},
      {"bike far behind", box(-40, 0, 1, 0, 20), false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(boxes_cross(me, c.other), c.in_way) << c.what;
    EXPECT_EQ(boxes_cross(c.other, me), c.in_way) << c.what << " (seen from the other bike)";
  }
}

}  // namespace
