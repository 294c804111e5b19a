// Whole bikes on a flat field: standing, accelerating through the gears,
// braking, antilock, and the same states bit for bit on every run.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "base/ripemd160.h"
#include "riding_scene.h"
#include "sim_fixture.h"

namespace {

constexpr int ticks_per_second = 128;

// No data files: the bikes have no collision shapes, so the scenes (and the
// stored digest) do not depend on the generated data set.
class NoData : public ::testing::Environment {
  void SetUp() override { use_fixture_data(nullptr); }
};
[[maybe_unused]] const auto* no_data = ::testing::AddGlobalTestEnvironment(new NoData);

Vec3 position_of(dBodyID body) {
  const dReal* p = dBodyGetPosition(body);
  return {p[0], p[1], p[2]};
}

// Full throttle, clutch in, automatic shifting, wheelies held down.
void full_throttle(Bike& bike) {
  apply_bike_setup(bike, {.auto_shift = true, .stop_wheelies = 1});
  set_clutch(bike, 1);
  set_throttle(bike, 1);
}

TEST(Riding, BikeComesToRestOnItsTyresWithSag) {
  for (const char* model : {"crf250(2009)", "cr125", "rs50yz"}) {
    SCOPED_TRACE(model);
    RidingScene scene;
    Bike& bike = scene.add_bike(model, 256, 256);
    scene.run(3 * ticks_per_second);
    Vec3 settled = position_of(bike.bodies[body_frame]);
    double fork = dJointGetSliderPosition(bike.joints[joint_fork_slide]);
    double swingarm = dJointGetHingeAngle(bike.joints[joint_swingarm_pivot]);
    EXPECT_LT(fork, -0.05);
    EXPECT_GT(fork, -0.8);
    EXPECT_LT(swingarm, -0.05);
    EXPECT_GT(swingarm, -0.45);
    EXPECT_GT(bike.front_contact.depth, 0);
    EXPECT_GT(bike.rear_contact.depth, 0);
    EXPECT_LT(bike.rear_contact.depth, 0.333333 / 2);
    EXPECT_EQ(bike.mishap, 0);  // only the tyres touch

    scene.run(2 * ticks_per_second);
    Vec3 later = position_of(bike.bodies[body_frame]);
    EXPECT_LT(frame_speed(bike), 0.02);
    EXPECT_NEAR(later.y, settled.y, 0.01);
    EXPECT_NEAR(later.z, settled.z, 0.01);
    std::printf("%s at rest: fork %.3f ft, swingarm %.3f rad, frame %.3f ft up\n", model, fork,
                swingarm, later.y);
  }
}

struct Acceleration {
  const char* model;
  double zero_to;      // mph the acceleration is timed to
  double max_seconds;  // must get there this soon
  double min_top_mph, max_top_mph;
};

TEST(Riding, FullThrottleShiftsUpToAPlausibleTopSpeed) {
  const Acceleration runs[] = {
      {"crf250(2009)", 60, 8, 65, 90},
      {"cr125", 60, 10, 55, 80},
      {"rs50yz", 30, 10, 30, 70},
  };
  for (const Acceleration& r : runs) {
    SCOPED_TRACE(r.model);
    RidingScene scene(flat_terrain(9, 4));  // 4096 ft of runway
    Bike& bike = scene.add_bike(r.model, 1024, 4000);
    scene.run(ticks_per_second / 2);  // settle
    full_throttle(bike);
    double zero_to_time = -1, zero_to_60 = -1, top = 0;
    int top_gear = 0;
    for (int t = 1; t <= 60 * ticks_per_second; ++t) {
      scene.step();
      double mph = frame_speed(bike) / ft_per_s_per_mph;
      if (zero_to_time < 0 && mph >= r.zero_to) zero_to_time = t / 128.0;
      if (zero_to_60 < 0 && mph >= 60) zero_to_60 = t / 128.0;
      top = std::max(top, mph);
      top_gear = std::max(top_gear, bike.gear);
      if (position_of(bike.bodies[body_frame]).z < 100) break;  // end of the runway
    }
    std::printf("%s: 0-%.0f mph %.2f s, 0-60 mph %.2f s, top speed %.1f mph in gear %d\n", r.model,
                r.zero_to, zero_to_time, zero_to_60, top, top_gear + 1);
    EXPECT_GT(zero_to_time, 0);
    EXPECT_LT(zero_to_time, r.max_seconds);
    EXPECT_GE(top, r.min_top_mph);
    EXPECT_LE(top, r.max_top_mph);
    EXPECT_GE(top_gear, 3);
    EXPECT_NEAR(position_of(bike.bodies[body_frame]).x, 1024, 20);  // kept straight
  }
}

TEST(Riding, FullBrakingBringsTheBikeToRest) {
  RidingScene scene(flat_terrain(8, 4));
  Bike& bike = scene.add_bike("crf250(2009)", 512, 1900);
  full_throttle(bike);
  while (frame_speed(bike) < 40 * ft_per_s_per_mph) scene.step();
  set_throttle(bike, 0);
  set_clutch(bike, 0);
  set_front_brake(bike, 1);
  set_rear_brake(bike, 1);
  double start_z = position_of(bike.bodies[body_frame]).z;
  int ticks = 0;
  while (frame_speed(bike) > 0.1 && ticks < 10 * ticks_per_second) {
    scene.step();
    ++ticks;
  }
  double distance = start_z - position_of(bike.bodies[body_frame]).z;
  std::printf("40-0 mph: %.2f s, %.1f ft\n", ticks / 128.0, distance);
  EXPECT_LT(ticks, 5 * ticks_per_second);
  EXPECT_GT(distance, 20);
  scene.run(ticks_per_second);
  EXPECT_LT(frame_speed(bike), 0.1);  // and stays stopped
  EXPECT_GT(bike.front_contact.depth, 0);
  EXPECT_GT(bike.rear_contact.depth, 0);
}

// Hard rear braking at speed: without antilock the rear tyre locks and
// slides all the way; with it the brake lets go whenever the contact point
// slides faster than 2 ft/s, so the wheel spins up again between slides.
TEST(Riding, AntilockReleasesASlidingBrake) {
  int sliding_ticks[2] = {}, braking_ticks[2] = {};
  for (bool antilock : {false, true}) {
    RidingScene scene(flat_terrain(8, 4));
    Bike& bike = scene.add_bike("cr125", 512, 1900);
    full_throttle(bike);
    while (frame_speed(bike) < 30 * ft_per_s_per_mph) scene.step();
    apply_bike_setup(
        bike, {.rear_brake_torque = 500, .front_antilock = false, .rear_antilock = antilock});
    set_throttle(bike, 0);
    set_clutch(bike, 0);
    set_rear_brake(bike, 1);
    for (int t = 0; t < ticks_per_second && frame_speed(bike) > 5; ++t) {
      scene.step();
      const WheelContact& rear = bike.rear_contact;
      bool sliding = rear.depth > 0 && length(rear.point_velocity) > 2;
      sliding_ticks[antilock] += sliding;
      ++braking_ticks[antilock];
      double brake = dJointGetHingeParam(bike.joints[joint_rear_axle], dParamFMax);
      if (sliding) {
        ASSERT_EQ(brake, antilock ? 0 : 500);
      } else {
        ASSERT_EQ(brake, 500);
      }
    }
  }
  std::printf("rear tyre sliding: %d of %d ticks locked, %d of %d with antilock\n",
              sliding_ticks[0], braking_ticks[0], sliding_ticks[1], braking_ticks[1]);
  EXPECT_GT(sliding_ticks[0], braking_ticks[0] * 9 / 10);
  EXPECT_LT(sliding_ticks[1], braking_ticks[1] * 8 / 10);
}

// Every double of every body after a fixed scene: positions, orientations
// and velocities, plus the engine speeds, hashed bit for bit.
std::string scene_digest(const RidingScene& scene) {
  Ripemd160 hash;
  for (const Bike* bike : scene.bikes) {
    for (dBodyID body : bike->bodies) {
      hash.update(dBodyGetPosition(body), 3 * sizeof(dReal));
      hash.update(dBodyGetQuaternion(body), 4 * sizeof(dReal));
      hash.update(dBodyGetLinearVel(body), 3 * sizeof(dReal));
      hash.update(dBodyGetAngularVel(body), 3 * sizeof(dReal));
    }
    hash.update(&bike->engine_speed, sizeof bike->engine_speed);
    hash.update(&bike->drivetrain_angle, sizeof bike->drivetrain_angle);
    hash.update(&bike->gear, sizeof bike->gear);
  }
  return digest_hex(hash.finish());
}

TEST(Riding, SameSceneSameStatesBitForBit) {
  // The digest of every tick of the scene; the last is the final state's.
  auto run_scene = [] {
    std::vector<std::string> digests;
    RidingScene scene;
    Bike& fast = scene.add_bike("kx250f(2009)", 200, 400);
    Bike& slow = scene.add_bike("rs50kx", 210, 400);
    Bike& loose = scene.add_bike("yz125", 220, 400, false);  // no aids: falls over
    full_throttle(fast);
    full_throttle(slow);
    set_throttle(loose, 0.5f);
    auto run = [&](int ticks) {
      for (int t = 0; t < ticks; ++t) {
        scene.step();
        digests.push_back(scene_digest(scene));
      }
    };
    run(384);
    set_front_brake(fast, 1);
    shift(slow, 1);
    run(256);
    return digests;
  };
  std::vector<std::string> digests = run_scene();
  EXPECT_EQ(run_scene(), digests);
  const std::string& first = digests.back();
  // The stored value pins the results across builds; it changes only with a
  // deliberate change to the simulation. Last recorded when the bikes began
  // to ride through the control step (seat springs, steering aids, dab)
  // instead of being held upright by a test jig, and again when the tyre's
  // edge search began to settle on edges along the grid instead of
  // stopping short of them (and once more, by rounding alone, when edges
  // that pass below the core circle took one bracketed search instead of
  // two Newton searches).
  EXPECT_EQ(first, "aee7375fe06fb17923a60ef0db88cadaab5ff19a");
}

}  // namespace
