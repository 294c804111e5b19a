// Whole bikes ridden through the control step on a flat field, each
// scenario a fixed input script: straight running, the steering torque
// limit, the stopped hold and backing up.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>

#include "riding_scene.h"
#include "sim/rider_input.h"
#include "sim/rider_setup.h"
#include "sim/steering.h"
#include "sim_fixture.h"

namespace {

constexpr int ticks_per_second = 128;

class NoData : public ::testing::Environment {
  void SetUp() override { use_fixture_data(nullptr); }
};
[[maybe_unused]] const auto* no_data = ::testing::AddGlobalTestEnvironment(new NoData);

Vec3 velocity_of(dBodyID body) {
  const dReal* v = dBodyGetLinearVel(body);
  return {v[0], v[1], v[2]};
}

// Throttle to hold a speed (ft/s), automatic shifting.
void cruise(Bike& bike, double target) {
  double v = frame_speed(bike);
  set_clutch(bike, 1);
  set_throttle(bike, static_cast<float>(std::clamp((target - v) * 0.5, 0.0, 1.0)));
}

struct Ride {
  RidingScene scene{flat_terrain(9, 4)};
  Bike* bike = nullptr;
  double max_torque = 0;  // largest |steering torque| seen
  double max_roll = 0;

  explicit Ride(double x = 1024, double z = 4000) {
    bike = &scene.add_bike("crf250(2009)", x, z);
    apply_bike_setup(*bike, {.auto_shift = true});
    scene.run(ticks_per_second / 2);
  }
  void step() {
    scene.step();
    ASSERT_TRUE(std::isfinite(frame_speed(*bike)));
    max_torque = std::max(max_torque, double(std::fabs(bike->steering_torque)));
    max_roll = std::max(max_roll, std::fabs(roll_angle(bike->bodies[body_frame])));
  }
  // Runs `ticks` steps calling `script` before each.
  void ride(int ticks, const std::function<void(Bike&)>& script) {
    for (int t = 0; t < ticks && !::testing::Test::HasFatalFailure(); ++t) {
      script(*bike);
      step();
    }
  }
};

struct Scenario {
  const char* name;
  std::function<void(Ride&)> check;
};

void straight_at_30_mph(Ride& run) {
  double v = 30 * ft_per_s_per_mph;
  run.ride(6 * ticks_per_second, [&](Bike& b) { cruise(b, v); });
  double x0 = dBodyGetPosition(run.bike->bodies[body_frame])[0];
  run.max_roll = 0;
  run.ride(20 * ticks_per_second, [&](Bike& b) { cruise(b, v); });
  EXPECT_NEAR(frame_speed(*run.bike), v, 3);
  EXPECT_LT(run.max_roll, 0.1);
  EXPECT_EQ(run.bike->crash_counter, 0);
  EXPECT_NEAR(dBodyGetPosition(run.bike->bodies[body_frame])[0], x0, 30);
}

// The aids as the "Stability" setting's default (100) sets them: the steer
// input asks for a lean, which the countersteering controller reaches.
constexpr RiderAidSetup full_stability{
    .roll_damping = 80, .roll_limit_factor = 32, .roll_limit_angle = 35, .direct_steering = 0};

// Heading of the frame's forward axis in the ground plane, radians.
double heading(const Bike& bike) {
  const dReal* R = dBodyGetRotation(bike.bodies[body_frame]);
  return std::atan2(-R[2], -R[10]);
}

// Rides `ticks` steps of `script`; the mean radius of the path over them:
// distance travelled over the heading turned.
double ride_radius(Ride& run, int ticks, const std::function<void(Bike&)>& script) {
  double distance = 0, turned = 0, h = heading(*run.bike);
  run.ride(ticks, [&](Bike& b) {
    script(b);
    distance += frame_speed(b) * step_length;
    double now = heading(b);
    turned += std::remainder(now - h, 2 * 3.14159265358979);
    h = now;
  });
  return distance / std::max(std::fabs(turned), 1e-9);
}

void circles_shrink_with_steer(Ride&) {
  double previous = 1e9;
  for (float steer : {0.03f, 0.06f, 0.1f}) {
    Ride run(1024, 1024);
    apply_rider_aids(*run.bike, full_stability);
    double v = 20 * ft_per_s_per_mph;
    auto script = [&](Bike& b) {
      cruise(b, v);
      set_steer(b, steer);
    };
    run.ride(6 * ticks_per_second, script);
    double r0 = ride_radius(run, 3 * ticks_per_second, script);
    double roll0 = roll_angle(run.bike->bodies[body_frame]);
    double r1 = ride_radius(run, 3 * ticks_per_second, script);
    double roll1 = roll_angle(run.bike->bodies[body_frame]);
    std::printf("steer %.2f: radius %.1f ft then %.1f ft, roll %.3f then %.3f\n", steer, r0, r1,
                roll0, roll1);
    EXPECT_EQ(run.bike->crash_counter, 0);
    EXPECT_GT(std::fabs(roll1), 0.1) << "leans into the turn";
    EXPECT_NEAR(r1, r0, r0 * 0.1) << "a steady circle";
    EXPECT_NEAR(roll1, roll0, 0.05);
    EXPECT_LT(r1, previous * 0.9);
    previous = r1;
  }
}

void full_lock_at_speed(Ride& run) {
  run.ride(6 * ticks_per_second, [](Bike& b) {
    set_clutch(b, 1);
    set_throttle(b, 1);
  });
  for (float steer : {1.0f, -1.0f}) {
    run.ride(ticks_per_second, [&](Bike& b) { set_steer(b, steer); });
  }
  EXPECT_LE(run.max_torque, run.bike->stability.max_steering_force + 1e-3);
  EXPECT_GT(run.max_torque, 0);
}

void stopped_hold_and_release(Ride& run) {
  run.ride(2 * ticks_per_second, [](Bike& b) { cruise(b, 15); });
  run.ride(6 * ticks_per_second, [](Bike& b) { set_throttle(b, 0); });
  EXPECT_LT(frame_speed(*run.bike), 0.2);
  Vec3 p = {dBodyGetPosition(run.bike->bodies[body_frame])[0],
            dBodyGetPosition(run.bike->bodies[body_frame])[1],
            dBodyGetPosition(run.bike->bodies[body_frame])[2]};
  run.ride(2 * ticks_per_second, [](Bike&) {});
  const dReal* q = dBodyGetPosition(run.bike->bodies[body_frame]);
  EXPECT_NEAR(q[2], p.z, 0.1) << "held still";
  EXPECT_EQ(run.bike->front_brake, 0) << "the hold's brakes are its own";
  EXPECT_GT(dJointGetHingeParam(run.bike->joints[joint_front_axle], dParamFMax), 0);
  EXPECT_EQ(run.bike->crash_counter, 0);
  run.ride(2 * ticks_per_second, [](Bike& b) {
    set_clutch(b, 1);
    set_throttle(b, 0.5f);
  });
  EXPECT_GT(frame_speed(*run.bike), 5) << "opening the throttle releases the hold";
}

void backing_up_pulses(Ride& run) {
  double lo = 1e9, hi = 0, back = 0;
  double z0 = dBodyGetPosition(run.bike->bodies[body_frame])[2];
  run.ride(4 * ticks_per_second, [&](Bike& b) {
    set_back_up(b, 1);
    double v = velocity_of(b.bodies[body_frame]).z;
    if (run.scene.tick >= 2 * ticks_per_second) {
      lo = std::min(lo, v);
      hi = std::max(hi, v);
    }
    back = std::max(back, v);
  });
  std::printf("backing up: rearward speed %.2f..%.2f ft/s\n", lo, hi);
  EXPECT_GT(hi, 1.5);
  EXPECT_LT(hi, 5);
  EXPECT_LT(lo, 0.5 * hi) << "the push swells and fades";
  EXPECT_GT(dBodyGetPosition(run.bike->bodies[body_frame])[2], z0 + 2) << "went backwards";
}

TEST(Control, ScriptedRidesOnAFlatField) {
  const Scenario scenarios[] = {
      {"straight at 30 mph stays upright for 20 s", straight_at_30_mph},
      {"held steer: steady circles shrinking as the input grows", circles_shrink_with_steer},
      {"steering torque within the maximum at full lock", full_lock_at_speed},
      {"dab when stopped holds the bike, the throttle releases it", stopped_hold_and_release},
      {"backing up pulses below 5 ft/s", backing_up_pulses},
  };
  for (const Scenario& s : scenarios) {
    SCOPED_TRACE(s.name);
    Ride run;
    s.check(run);
    EXPECT_LE(run.max_torque, run.bike->stability.max_steering_force + 1e-3);
  }
}

}  // namespace

namespace {

struct Sag {
  double fork, shock;  // joint positions at rest (negative: compressed)
};

Sag sag_with(const BikeSetup& setup) {
  RidingScene scene;
  Bike& bike = scene.add_bike("crf250(2009)", 256, 256);
  apply_bike_setup(bike, setup);
  scene.run(3 * ticks_per_second);
  return {dJointGetSliderPosition(bike.joints[joint_fork_slide]),
          dJointGetHingeAngle(bike.joints[joint_swingarm_pivot])};
}

TEST(Suspension, SagAtRestFollowsSpringAndPreload) {
  Sag middle = sag_with({});
  EXPECT_LT(middle.fork, -0.05);
  EXPECT_LT(middle.shock, -0.02);
  Sag stiff = sag_with({.fork_spring = 100, .shock_spring = 100});
  Sag soft = sag_with({.fork_spring = 0, .shock_spring = 0});
  Sag preloaded = sag_with({.fork_preload = 100, .shock_preload = 100});
  EXPECT_GT(stiff.fork, middle.fork);
  EXPECT_GT(stiff.shock, middle.shock);
  EXPECT_LT(soft.fork, middle.fork);
  EXPECT_LT(soft.shock, middle.shock);
  EXPECT_GT(preloaded.fork, middle.fork);
  EXPECT_GT(preloaded.shock, middle.shock);
}

TEST(Suspension, DropFromSixFeetCompressesAndSettles) {
  RidingScene scene;
  Bike& bike = scene.add_bike("crf250(2009)", 256, 256);
  scene.run(2 * ticks_per_second);
  Sag rest{dJointGetSliderPosition(bike.joints[joint_fork_slide]),
           dJointGetHingeAngle(bike.joints[joint_swingarm_pivot])};
  double rest_y = dBodyGetPosition(bike.bodies[body_frame])[1];
  move_bike(bike, {0, 6, 0});
  double min_fork = 0, min_shock = 0, max_rebound_y = -1e9;
  bool landed = false;
  for (int t = 0; t < 4 * ticks_per_second; ++t) {
    scene.step();
    min_fork = std::min(min_fork, dJointGetSliderPosition(bike.joints[joint_fork_slide]));
    min_shock = std::min(min_shock, dJointGetHingeAngle(bike.joints[joint_swingarm_pivot]));
    double y = dBodyGetPosition(bike.bodies[body_frame])[1];
    if (bike.front_contact.depth > 0 || bike.rear_contact.depth > 0) landed = true;
    if (landed) max_rebound_y = std::max(max_rebound_y, y);
  }
  EXPECT_LT(min_fork, rest.fork - 0.1) << "the fork took the landing";
  EXPECT_LT(min_shock, rest.shock - 0.05) << "the shock took the landing";
  EXPECT_LT(max_rebound_y, rest_y + 1.5) << "no bounce away";
  EXPECT_NEAR(dBodyGetPosition(bike.bodies[body_frame])[1], rest_y, 0.05);
  EXPECT_EQ(bike.crash_counter, 0);
}

// Settings beyond their limits and a bike upside down at speed: every value
// is clamped and the simulation stays finite.
TEST(Control, ExtremeSettingsAndPosesStayFinite) {
  RidingScene scene;
  Bike& bike = scene.add_bike("crf250(2009)", 256, 256);
  StabilitySettings wild;
  wild.roll_damping = 1e9f;
  wild.leveling = -5;
  wild.roll_limit_angle = 100;
  wild.max_steering_force = std::nanf("");
  wild.slow_damping_factor = 0;
  wild.landing_damping_falloff = -1;
  wild.max_dab_speed = 1000;
  set_stability(bike, wild);
  EXPECT_EQ(bike.stability.roll_damping, 200);
  EXPECT_EQ(bike.stability.leveling, 0);
  EXPECT_FLOAT_EQ(bike.stability.roll_limit_angle, 3.14159265f);
  EXPECT_EQ(bike.stability.max_steering_force, 0);
  EXPECT_EQ(bike.stability.slow_damping_factor, 1);
  EXPECT_EQ(bike.stability.landing_damping_falloff, 0);
  EXPECT_EQ(bike.stability.max_dab_speed, 30);
  apply_rider_aids(
      bike, {.max_dab_speed_mph = 5, .rider_vertical_spring = 500, .rider_mass_distribution = 2});
  EXPECT_EQ(bike.stability.max_dab_speed, 16);
  EXPECT_EQ(bike.rider.vertical_spring, 1);
  EXPECT_EQ(bike.rider.mass_distribution, 0.5f);

  turn_bike(bike, {0, 0, 1}, 3.14159265);
  move_bike(bike, Vec3{256, 8, 256} - Vec3{dBodyGetPosition(bike.bodies[body_frame])[0], 0,
                                           dBodyGetPosition(bike.bodies[body_frame])[2]});
  for (dBodyID b : bike.bodies) dBodySetLinearVel(b, 0, 0, -120);
  set_clutch(bike, 1);
  set_throttle(bike, 1);
  set_steer(bike, 1);
  set_lean(bike, -1);
  set_dab(bike, 1);
  scene.run(3 * ticks_per_second);
  for (dBodyID b : bike.bodies) {
    const dReal* p = dBodyGetPosition(b);
    EXPECT_TRUE(std::isfinite(p[0] + p[1] + p[2]));
  }
  EXPECT_TRUE(std::isfinite(bike.steering_torque));
}

}  // namespace

namespace {

TEST(RiderInput, StickyDabClutchLeverAndShiftControl) {
  // Sticky dab toggles on each rising press only.
  EXPECT_EQ(sticky_dab(0, 0, 1), 1);
  EXPECT_EQ(sticky_dab(1, 0.2f, 0.5f), 0);
  EXPECT_EQ(sticky_dab(1, 0.6f, 1), 1);  // held
  EXPECT_EQ(sticky_dab(0, 1, 0), 0);     // released

  RidingScene scene;
  Bike& bike = scene.add_bike("cr125", 256, 256);
  set_clutch(bike, 0);
  EXPECT_FLOAT_EQ(clutch_from_lever(bike, 0), 4.0f / 128);  // lever dropped: comes in gradually
  set_clutch(bike, 0.99f);
  EXPECT_FLOAT_EQ(clutch_from_lever(bike, 0), 1);  // the step is clamped to fully in
  set_clutch(bike, 1);
  EXPECT_FLOAT_EQ(clutch_from_lever(bike, 0.4375f), 0.5f);  // pulling in acts at once
  EXPECT_FLOAT_EQ(clutch_from_lever(bike, 1), 0);
  EXPECT_FLOAT_EQ(clutch_from_lever(bike, std::nanf("")), 1);

  EXPECT_EQ(shift_from_control(0.6f), 1);
  EXPECT_EQ(shift_from_control(0.5f), 0);
  EXPECT_EQ(shift_from_control(-0.51f), -1);
}

}  // namespace
