// The auto pilot's pedal, launch, lean and throttle laws as tables.

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "robots/pilot_laws.h"

namespace {

TEST(PilotLaws, SpeedLawOnTheGround) {
  struct Case {
    double v, target;
    int gear;
    double rpm;
    float throttle, brake, clutch;
  };
  // Downshift speed 4000 rpm: first gear slips between 3000 and 4000 rpm.
  const Case cases[] = {
      {10, 20, 1, 0, 1, 0, 1},         // well below: full throttle
      {19.5, 20, 1, 0, 0.5f, 0, 1},    // half a foot per second into the band
      {20, 20, 1, 0, 0, 0, 1},         // 1 ft/s over V - 1: throttle gone, no brake yet
      {20.5, 20, 1, 0, 0, 0.5f, 1},    // braking comes in
      {30, 20, 1, 0, 0, 1, 1},         // full brakes
      {10, 20, 0, 3500, 1, 0, 0.5f},   // first gear, clutch half in
      {10, 20, 0, 2000, 1, 0, 0},      // stall guard
      {10, 20, 0, 9000, 1, 0, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "v=" << c.v << " gear=" << c.gear << " rpm=" << c.rpm);
    PedalCommand p = ground_speed_law(c.v, c.target, c.gear, c.rpm, 4000);
    EXPECT_FLOAT_EQ(p.throttle, c.throttle);
    EXPECT_FLOAT_EQ(p.front_brake, c.brake);
    EXPECT_FLOAT_EQ(p.rear_brake, c.brake);
    EXPECT_FLOAT_EQ(p.clutch, c.clutch);
  }
}

TEST(PilotLaws, LaunchLetsTheClutchOutOverAQuarterSecond) {
  struct Case {
    double x;
    float clutch, dab;
    bool auto_shift;
  };
  const Case cases[] = {{-0.1, 0, 1, false},  {0, 0, 1, false},     {0.125, 0.5f, 0.5f, false},
                        {0.1875, 0.75f, 0.25f, true}, {0.25, 1, 0, true}, {1.5, 1, 0, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.x);
    LaunchCommand l = launch_law(c.x);
    EXPECT_FLOAT_EQ(l.throttle, 1);
    EXPECT_FLOAT_EQ(l.clutch, c.clutch);
    EXPECT_FLOAT_EQ(l.dab, c.dab);
    EXPECT_EQ(l.auto_shift, c.auto_shift);
  }
}

TEST(PilotLaws, LeanAndRadiusAgreeWithTheTurningCircle) {
  // Riding straight (huge rho) at a target on the +side 10 ft off and 40 ft
  // ahead: the circle runs along the heading, so the target is pushed to
  // 30 ft off at the same distance ahead.
  double r = radius_to_target(10, 40, 1e6);
  EXPECT_GT(r, 0);
  double ax = 30, ay = 40;
  EXPECT_NEAR(r, (ax * ax + ay * ay) / (2 * ax), 1e-3 * r);
  EXPECT_DOUBLE_EQ(radius_to_target(3, -1, 50), 10);
  EXPECT_DOUBLE_EQ(radius_to_target(-3, 0, 50), -10);
  // A target right on the circle being ridden stays where it is.
  double rho = 50;
  double angle = 0.3;
  double x = rho - rho * std::cos(angle), y = rho * std::sin(angle);
  EXPECT_NEAR(radius_to_target(x, y, rho), rho, 1e-6);
  EXPECT_TRUE(std::isfinite(radius_to_target(0, 10, 1e6)));
  // The lean that rides radius r leans into the turn: the side of the
  // centre gets the negative lean, and the upright load halves it.
  double lean = desired_lean(40, 100, 1);
  EXPECT_NEAR(std::tan(lean), -40.0 * 40 / (32 * 100), 1e-12);
  EXPECT_LT(std::fabs(desired_lean(40, 100, 2)), std::fabs(lean));
  EXPECT_GT(desired_lean(40, -100, 1), 0);
}

TEST(PilotLaws, ThrottleRateLimit) {
  struct Case {
    double throttle, last;
    bool limited;
    double want;
  };
  const Case cases[] = {{0, 1, false, 1 - 0.03125},  // falls slowly
                        {1, 0, false, 1},            // rises at once
                        {1, 0, true, 0.03125},       // after a friction cut: rises slowly
                        {0, 1, true, 0},             // ... and may drop at once
                        {1.5, 0.9, false, 1}};
  for (const Case& c : cases) EXPECT_DOUBLE_EQ(limit_throttle(c.throttle, c.last, c.limited), c.want);
}

TEST(PilotLaws, RecoveryLeanGrowsWithSpeed) {
  EXPECT_DOUBLE_EQ(recovery_max_lean(5), 1.0 / 6);
  EXPECT_DOUBLE_EQ(recovery_max_lean(10), 0.5 / 3);
  EXPECT_NEAR(recovery_max_lean(15), 0.5 * (1.0 / 3 + 1.0 / 3), 1e-12);
  EXPECT_DOUBLE_EQ(recovery_max_lean(25), 0.5);
}

}  // namespace
