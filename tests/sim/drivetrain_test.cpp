// Engine torque, clutch, shifting and brakes of one bike, stepped without
// ground: contact records are filled in by hand where a case needs them.

#include "sim/drivetrain.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "sim/rider_input.h"
#include "sim_fixture.h"

namespace {

constexpr double pi = std::numbers::pi;

double rpm_of(const Bike& bike) { return bike.engine_speed * rpm_per_rad_s; }
void set_rpm(Bike& bike, double rpm) {
  bike.engine_speed = static_cast<float>(rpm / rpm_per_rad_s);
}

// The torque the drivetrain put on the rear wheel about its axle (body x),
// read from the accumulator before any world step.
double rear_wheel_drive(const Bike& bike) {
  const dReal* t = dBodyGetTorque(bike.bodies[body_rear_wheel]);
  return -t[0];  // the drive is added as -Tt about x
}

void touch(WheelContact& c, Vec3f point_velocity) {
  c.depth = 0.1f;
  c.normal = {0, 1, 0};
  c.point_velocity = point_velocity;
}

class DrivetrainTest : public SimTest {};

TEST_F(DrivetrainTest, TorqueInterpolatesBetweenCurves) {
  Bike& bike = make_bike();
  struct Case {
    double rpm;
    float throttle;
    float torque;
  };
  const Case cases[] = {
      {0, 0, 2},       {1250, 0, 0.5f},  {1500, 0, 0},
      {2000, 1, 5},    {2750, 1, 7.15f}, {2750, 0.5f, 2.825f},
      {24500, 1, -11}, {40000, 0, -23},  {-300, 1, 5},
  };
  for (const Case& c : cases) {
    set_rpm(bike, c.rpm);
    bike.throttle = c.throttle;
    EXPECT_NEAR(engine_torque(bike), c.torque, 1e-3) << c.rpm << " rpm, throttle " << c.throttle;
  }
}

// With the throttle closed and the clutch out, closed-throttle torque
// drives the crank to where it crosses zero.
TEST_F(DrivetrainTest, ClosedThrottleIdlesNear1500Rpm) {
  for (const char* model : {"crf250(2009)", "cr125", "rs50kx"}) {
    Bike& bike = make_bike(model);
    set_clutch(bike, 0);
    for (int tick = 0; tick < 4 * 128; ++tick) drivetrain_step(bike, tick);
    EXPECT_NEAR(rpm_of(bike), 1500, 25) << model;
    set_rpm(bike, 9000);
    for (int tick = 0; tick < 4 * 128; ++tick) drivetrain_step(bike, tick);
    EXPECT_NEAR(rpm_of(bike), 1500, 25) << model;
  }
}

// With the clutch lever released the automatic clutch starts to take up at
// the auto clutch rpm and is fully in 2000 rpm above.
TEST_F(DrivetrainTest, AutoClutchTransmitsFrom5000To7000Rpm) {
  Bike& bike = make_bike();
  set_clutch(bike, 1);
  struct Case {
    double rpm;
    double share;  // c squared
  };
  for (Case c : {Case{3000, 0}, Case{4990, 0}, Case{6000, 0.25}, Case{7000, 1}, Case{9000, 1}}) {
    dBodySetTorque(bike.bodies[body_rear_wheel], 0, 0, 0);
    set_rpm(bike, c.rpm);
    // A windup of 0.1 rad with the wheel at rest: S = 7500 * 0.1 + damping.
    bike.drivetrain_angle =
        static_cast<float>(dJointGetHingeAngle(bike.joints[joint_rear_axle]) + 0.1);
    double damping = std::clamp(bike.engine_speed * 0.75, -500.0, 500.0);
    double spring = 7500 * double(bike.drivetrain_angle) + damping;
    drivetrain_step(bike, 1);
    EXPECT_NEAR(rear_wheel_drive(bike), c.share * spring, 1e-3 * spring) << c.rpm;
  }
}

TEST_F(DrivetrainTest, ClutchLeverHoldsTheAutoClutchOut) {
  Bike& bike = make_bike();
  set_clutch(bike, 0.5f);
  set_rpm(bike, 9000);
  bike.drivetrain_angle = 0.1f;
  drivetrain_step(bike, 1);
  double spring = 7500 * 0.1 + 500;
  EXPECT_NEAR(rear_wheel_drive(bike), 0.25 * spring, 1e-3 * spring);
  // Slip: the windup cannot exceed c * pi/4.
  bike.drivetrain_angle = 1.5f;
  set_rpm(bike, 0);
  drivetrain_step(bike, 2);
  EXPECT_LE(bike.drivetrain_angle, 0.5 * pi / 4 + 1e-6);
}

// Against engine braking (negative spring torque) the automatic clutch stays
// in even below its take-up speed.
TEST_F(DrivetrainTest, AutoClutchNeverOpensAgainstEngineBraking) {
  Bike& bike = make_bike();
  set_clutch(bike, 1);
  set_rpm(bike, 0);
  bike.drivetrain_angle = -0.1f;
  drivetrain_step(bike, 1);
  EXPECT_NEAR(rear_wheel_drive(bike), -750, 1);
}

// The drive and its reaction: equal and opposite about the axle.
TEST_F(DrivetrainTest, ReactionTorqueActsOnTheFrame) {
  Bike& bike = make_bike();
  set_clutch(bike, 1);
  set_rpm(bike, 8000);
  bike.drivetrain_angle = 0.05f;
  drivetrain_step(bike, 1);
  const dReal* frame = dBodyGetTorque(bike.bodies[body_frame]);
  EXPECT_GT(rear_wheel_drive(bike), 0);
  EXPECT_DOUBLE_EQ(frame[0], rear_wheel_drive(bike));
}

TEST_F(DrivetrainTest, ShiftingOncePerPressAndSkippingMissingGears) {
  Bike& five = make_bike("crf250(2009)");
  shift(five, 1);
  EXPECT_EQ(five.gear, 1);
  shift(five, 1);  // still held
  EXPECT_EQ(five.gear, 1);
  for (int press = 0; press < 6; ++press) {
    shift(five, 0);
    shift(five, 1);
  }
  EXPECT_EQ(five.gear, 4);  // gear 6 has ratio -1
  shift(five, 0);
  shift(five, 2);  // outside -1..1
  EXPECT_EQ(five.gear, 4);
  shift(five, -1);
  EXPECT_EQ(five.gear, 3);

  Bike& six = make_bike("kx125");
  for (int press = 0; press < 7; ++press) {
    shift(six, 1);
    shift(six, 0);
  }
  EXPECT_EQ(six.gear, 5);

  six.crash_counter = 512;
  shift(six, -1);
  EXPECT_EQ(six.gear, 5);
  set_throttle(six, 1);
  EXPECT_EQ(six.throttle, 0);
}

TEST_F(DrivetrainTest, SprocketsBrakesAndAutoClutchAreClamped) {
  Bike& bike = make_bike("rm125");  // 12/50
  set_sprockets(bike, -5, 9);
  EXPECT_FLOAT_EQ(bike.final_ratio, 52.0f / 10);
  set_sprockets(bike, 1, -1);
  EXPECT_FLOAT_EQ(bike.final_ratio, 49.0f / 13);
  set_brake_torques(bike, -3, 900);
  EXPECT_EQ(bike.stability.front_brake_torque, 0);
  EXPECT_EQ(bike.stability.rear_brake_torque, 500);
  set_auto_clutch_rpm(bike, 7000);
  EXPECT_EQ(bike.stability.auto_clutch_rpm, 5000);
  set_front_brake(bike, 2);
  EXPECT_EQ(bike.front_brake, 1);
}

TEST_F(DrivetrainTest, AntilockAndStopWheeliesReleaseTheBrakes) {
  Bike& bike = make_bike();
  apply_bike_setup(bike, {.front_antilock = true, .rear_antilock = true, .stop_wheelies = 0});
  set_front_brake(bike, 1);
  set_rear_brake(bike, 0.5f);
  auto front_max = [&] { return dJointGetHingeParam(bike.joints[joint_front_axle], dParamFMax); };
  auto rear_max = [&] { return dJointGetHingeParam(bike.joints[joint_rear_axle], dParamFMax); };

  touch(bike.front_contact, {0, 0, -1.5f});
  touch(bike.rear_contact, {0, 0, -1.5f});
  drivetrain_step(bike, 1);
  EXPECT_DOUBLE_EQ(front_max(), 250);
  EXPECT_DOUBLE_EQ(rear_max(), 125);
  EXPECT_DOUBLE_EQ(dJointGetHingeParam(bike.joints[joint_front_axle], dParamVel), 0);

  touch(bike.front_contact, {0, 0, -2.5f});  // sliding
  touch(bike.rear_contact, {1.5f, 0, -1.5f});
  drivetrain_step(bike, 2);
  EXPECT_DOUBLE_EQ(front_max(), 0);
  EXPECT_DOUBLE_EQ(rear_max(), 0);

  // Without antilock the sliding wheels keep their brakes.
  apply_bike_setup(bike, {.front_antilock = false, .rear_antilock = false, .stop_wheelies = 0});
  drivetrain_step(bike, 3);
  EXPECT_DOUBLE_EQ(front_max(), 250);
  EXPECT_DOUBLE_EQ(rear_max(), 125);

  // Stop-wheelies: no front brake while only the front tyre touches.
  apply_bike_setup(bike, {.front_antilock = false, .stop_wheelies = 2});
  bike.rear_contact.depth = 0;
  drivetrain_step(bike, 4);
  EXPECT_DOUBLE_EQ(front_max(), 0);
}

// Full throttle with the front wheel up and stop-wheelies "Yes": no positive
// drive while the nose rises; negative torque stays.
TEST_F(DrivetrainTest, StopWheeliesCutsTheDriveWhileTheNoseRises) {
  Bike& bike = make_bike();
  apply_bike_setup(bike, {.stop_wheelies = 1});
  bike.throttle = 1;
  set_rpm(bike, 8000);
  touch(bike.rear_contact, {});
  bike.front_contact.depth = 0;
  dBodySetAngularVel(bike.bodies[body_frame], 0.5, 0, 0);  // nose up
  EXPECT_EQ(engine_torque(bike), 0);
  dBodySetAngularVel(bike.bodies[body_frame], -0.5, 0, 0);  // nose dropping
  EXPECT_GT(engine_torque(bike), 10);
  dBodySetAngularVel(bike.bodies[body_frame], 0.5, 0, 0);
  bike.throttle = 0;
  set_rpm(bike, 9000);
  EXPECT_LT(engine_torque(bike), 0);
  apply_bike_setup(bike, {.stop_wheelies = 2});
  bike.throttle = 1;
  EXPECT_GT(engine_torque(bike), 10);
}

TEST_F(DrivetrainTest, RiderInputIsClampedAndACrashedRiderLetsGo) {
  Bike& bike = make_bike();
  RiderInput input{.throttle = 3,
                   .clutch = -1,
                   .front_brake = 0.5f,
                   .rear_brake = 2,
                   .steer = -4,
                   .dab = 0.25f,
                   .back_up = 9,
                   .lean = 0.5f,
                   .shift = 1};
  set_rider_input(bike, input);
  EXPECT_EQ(bike.throttle, 1);
  EXPECT_EQ(bike.clutch, 0);
  EXPECT_EQ(bike.front_brake, 0.5f);
  EXPECT_EQ(bike.rear_brake, 1);
  EXPECT_EQ(bike.steer, -1);
  EXPECT_EQ(bike.dab, 0.25f);
  EXPECT_EQ(bike.back_up, 1);
  EXPECT_EQ(bike.lean, 0.5f);
  EXPECT_EQ(bike.gear, 1);
  set_rider_input(bike, input);  // shift still held: no second change
  EXPECT_EQ(bike.gear, 1);

  bike.crash_counter = 300;
  input.shift = -1;
  set_rider_input(bike, input);
  EXPECT_EQ(bike.throttle, 0);
  EXPECT_EQ(bike.dab, 0);
  EXPECT_EQ(bike.back_up, 0);
  EXPECT_EQ(bike.lean, 0);
  EXPECT_EQ(bike.steer, -1);  // steering stays the rider's
  EXPECT_EQ(bike.front_brake, 0.5f);
  EXPECT_EQ(bike.gear, 1);
}

}  // namespace
