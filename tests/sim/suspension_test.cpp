// Fork and shock forces from the joints' positions and rates.

#include "sim/suspension.h"

#include <gtest/gtest.h>

#include "sim_fixture.h"

namespace {

class SuspensionTest : public SimTest {};

// Moves the lower fork along the slider axis (negative compresses) and the
// swingarm about its pivot, with no rates.
void pose(Bike& bike, double fork, double swingarm) {
  reset_bike(bike);
  const BikeModel& m = bike.model;
  Vec3f axis = m.steer_pos - m.fork_lower_pos;
  Vec3f u = axis * (1 / length(axis));
  Vec3 p = to_vec3(m.fork_lower_pos + u * static_cast<float>(-fork));
  dBodySetPosition(bike.bodies[body_fork_lower], p.x, p.y, p.z);
  dMatrix3 r;
  dRFromAxisAndAngle(r, 1, 0, 0, swingarm);
  Vec3f arm = m.swingarm_pos - m.swingarm_pivot;
  dVector3 turned;
  const dVector3 arm_v = {arm.x, arm.y, arm.z, 0};
  dMultiply0_331(turned, r, arm_v);
  dBodySetPosition(bike.bodies[body_swingarm], m.swingarm_pivot.x + turned[0],
                   m.swingarm_pivot.y + turned[1], m.swingarm_pivot.z + turned[2]);
  dBodySetRotation(bike.bodies[body_swingarm], r);
}

TEST_F(SuspensionTest, ForkForceFromSpringPreloadAndAir) {
  Bike& bike = make_bike();
  const SuspensionSettings& s = bike.suspension;
  pose(bike, 0, 0);
  EXPECT_NEAR(dJointGetSliderPosition(bike.joints[joint_fork_slide]), 0, 1e-6);
  EXPECT_NEAR(fork_force(bike), 0, 1e-6);  // whatever the preload
  pose(bike, -0.01, 0);                    // within the first 1/32: faded in
  double air = 82.46169 * ((1 + s.fork_air_gap) / (1 + s.fork_air_gap - 0.01) - 1);
  EXPECT_NEAR(fork_force(bike), ((s.fork_preload + 0.01) * s.fork_spring + air) * 0.32, 1e-2);
  pose(bike, -0.5, 0);
  air = 82.46169 * ((1 + s.fork_air_gap) / (1 + s.fork_air_gap - 0.5) - 1);
  EXPECT_NEAR(fork_force(bike), (s.fork_preload + 0.5) * s.fork_spring + air, 1e-2);
  suspension_step(bike);
  EXPECT_EQ(dJointGetSliderParam(bike.joints[joint_fork_slide], dParamVel), 1000);
  EXPECT_NEAR(dJointGetSliderParam(bike.joints[joint_fork_slide], dParamFMax), fork_force(bike),
              1e-9);
}

TEST_F(SuspensionTest, AirTermAtFullTravelWithTheSmallestGap) {
  Bike& bike = make_bike();
  set_fork(bike, 1, 1, 0, 0, 1);  // oil 100 %: air gap 0.25 ft
  EXPECT_FLOAT_EQ(bike.suspension.fork_air_gap, 0.25f);
  pose(bike, -1, 0);
  EXPECT_NEAR(fork_force(bike), 1 * 510.696 + 82.46169 * 4, 0.05);
}

TEST_F(SuspensionTest, ShockTorqueProportionalToTheAngle) {
  Bike& bike = make_bike();
  const SuspensionSettings& s = bike.suspension;
  for (double theta : {-0.1, -0.3, -0.55}) {
    pose(bike, 0, theta);
    ASSERT_NEAR(dJointGetHingeAngle(bike.joints[joint_swingarm_pivot]), theta, 1e-6);
    double r = 0.615385;
    double a = -theta / 0.55;
    EXPECT_NEAR(shock_torque(bike), r * (r * a + s.shock_preload) * s.shock_spring, 0.05) << theta;
  }
  pose(bike, 0, 0);
  EXPECT_NEAR(shock_torque(bike), 0, 1e-6);
}

TEST_F(SuspensionTest, SettingsAndDisplays) {
  Bike& bike = make_bike();
  set_fork(bike, 0.5f, 1.5f, 0.25f, 1, 0);
  EXPECT_FLOAT_EQ(bike.suspension.fork_compression, 30);  // 0 %: half
  EXPECT_FLOAT_EQ(bike.suspension.fork_rebound, 45);      // 100 %: one and a half
  EXPECT_FLOAT_EQ(bike.suspension.fork_spring, 510.696f + (698.848f - 510.696f) * 0.25f);
  set_shock(bike, 9, -1, 2, 0.5f);
  EXPECT_FLOAT_EQ(bike.suspension.shock_compression, 1600);
  EXPECT_FLOAT_EQ(bike.suspension.shock_rebound, 0);
  EXPECT_FLOAT_EQ(bike.suspension.shock_spring, 4031.81f);
  EXPECT_NEAR(fork_force_display(bike.model, 0), 0.380, 5e-4);
  EXPECT_NEAR(fork_preload_display(bike.model, 1), 25.40, 5e-3);
  EXPECT_NEAR(shock_spring_display(bike.model, 1), 6.00, 5e-3);
}

TEST_F(SuspensionTest, SetupPercentagesReachTheBike) {
  Bike& bike = make_bike();
  BikeSetup setup;
  EXPECT_FLOAT_EQ(bike.suspension.fork_spring, (510.696f + 698.848f) / 2);
  setup.fork_compression = 0;
  setup.shock_rebound = 100;
  setup.shock_spring = 100;
  setup.fork_oil = 100;
  apply_bike_setup(bike, setup);
  EXPECT_FLOAT_EQ(bike.suspension.fork_compression, 30);
  EXPECT_FLOAT_EQ(bike.suspension.shock_rebound, 900);
  EXPECT_FLOAT_EQ(bike.suspension.shock_spring, 4031.81f);
  EXPECT_FLOAT_EQ(bike.suspension.fork_air_gap, 0.25f);
  EXPECT_FLOAT_EQ(bike.suspension.fork_spring, (510.696f + 698.848f) / 2);
}

}  // namespace
