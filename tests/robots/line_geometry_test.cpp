#include "robots/line_geometry.h"

#include <cmath>

#include <gtest/gtest.h>

#include "robots/line_fixtures.h"

namespace {

using namespace line_fixtures;

LinePoint at(float x, float z, float speed = 30) { return {x, 7, z, speed, 0}; }

TEST(CircleCentre, FindsTheCentreOfThreePointsOnACircle) {
  // Points on the circle of radius 50 around (10, -20); heights ignored.
  auto on_circle = [](double angle) {
    return at(float(10 + 50 * std::cos(angle)), float(-20 + 50 * std::sin(angle)));
  };
  CircleCentre c = circle_centre_xz(on_circle(0.1), on_circle(0.5), on_circle(1.3));
  EXPECT_NEAR(c.x, 10, 1e-3);
  EXPECT_NEAR(c.z, -20, 1e-3);
}

TEST(CircleCentre, StraightOrRepeatedPointsGiveAFarCentreNeverNaN) {
  CircleCentre straight = circle_centre_xz(at(0, 0), at(10, 0), at(20, 0));
  EXPECT_NEAR(std::fabs(straight.z), 1000000, 1);
  EXPECT_NEAR(straight.x, 5, 1e-6);
  const LinePoint same = at(3, 4);
  for (CircleCentre c : {circle_centre_xz(same, same, same), circle_centre_xz(same, same, at(9, 4)),
                         circle_centre_xz(at(9, 4), same, same)}) {
    EXPECT_TRUE(std::isfinite(c.x) && std::isfinite(c.z));
  }
}

TEST(LinesConnect, FollowsTheCircleAndTheSpeed) {
  LineCell a;
  a.points = lane_line(0, 0, 0, 40);  // ends straight in lane 0 at 40 ft/s
  struct Case {
    const char* name;
    std::vector<LinePoint> b;
    bool connects;
  } cases[] = {
      {"same lane", lane_line(100, 0, 0, 40), true},
      {"2.4 ft aside", lane_line(100, 2.4f, 2.4f, 40), true},
      {"2.6 ft aside", lane_line(100, 2.6f, 2.6f, 40), false},
      {"turning away at once", {at(100, 0), at(109, 2.5f)}, false},
      {"turning by 2 ft", {at(100, 0), at(109, 1.9f)}, true},
      {"25 ft/s slower", lane_line(100, 0, 0, 25), true},
      {"more than 15 ft/s slower", lane_line(100, 0, 0, 24), false},
      {"airborne speeds count by size", lane_line(100, 0, 0, -30), true},
      {"one point", {at(100, 0)}, false},
  };
  for (const auto& c : cases) {
    LineCell b;
    b.points = c.b;
    EXPECT_EQ(lines_connect(a, b), c.connects) << c.name;
  }
  LineCell short_a;
  short_a.points = {at(0, 0), at(9, 0)};
  LineCell b;
  b.points = lane_line(100, 0, 0, 40);
  EXPECT_FALSE(lines_connect(short_a, b)) << "a needs three points";
}

TEST(LinesConnect, OnABendTheNextLineMustKeepTheRadius) {
  // a ends on a circle of radius 100 around the origin; b starting on the
  // same circle connects, b starting 3 ft inside does not.
  auto on = [](double r, double angle) {
    return at(float(r * std::cos(angle)), float(r * std::sin(angle)));
  };
  LineCell a, b, inside;
  a.points = {on(100, 0.0), on(100, 0.1), on(100, 0.2)};
  b.points = {on(100, 0.3), on(100, 0.4)};
  inside.points = {on(97, 0.3), on(97, 0.4)};
  EXPECT_TRUE(lines_connect(a, b));
  EXPECT_FALSE(lines_connect(a, inside));
}

}  // namespace
