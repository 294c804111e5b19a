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

TEST(GroundBox, BikesInTheWayAndNotInTheWay) {
  struct Case {
    const char* what;
    double x, z, hx, hz, v;  // the other bike
    bool crossing, inside;
  };
  // This bike: at the origin heading +x at 20 ft/s, its box x = -4..24,
  // z = -2..2.
  const GroundBox me = box(0, 0, 1, 0, 20);
  const Case cases[] = {
      {"slower bike straight ahead on the same heading", 15, 0.5, 1, 0, 10, false, true},
      {"slower bike straight ahead exactly on the line", 15, 0, 1, 0, 10, false, true},
      {"bike cutting across ahead", 12, -6, 0, 1, 15, true, false},
      {"bike alongside on the starting gate, 3 ft away", 0.5, 3, 1, 0, 20, false, false},
      {"bike alongside in the next lane", 2, 5, 1, 0, 20, false, false},
      {"bike far ahead", 60, 0, 1, 0, 20, false, false},
      {"bike far behind", -40, 0, 1, 0, 20, false, false},
  };
  for (const Case& c : cases) {
    const GroundBox other = box(c.x, c.z, c.hx, c.hz, c.v);
    EXPECT_EQ(boxes_cross(me, other), c.crossing) << c.what;
    EXPECT_EQ(boxes_cross(other, me), c.crossing) << c.what << " (seen from the other bike)";
    EXPECT_EQ(inside_box(me, {c.x, 1, c.z}), c.inside) << c.what;
  }
}

}  // namespace
