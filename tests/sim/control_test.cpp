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
