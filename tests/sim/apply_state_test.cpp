// Placing a bike from recorded or received states.

#include "sim/apply_state.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <numbers>

#include "sim_fixture.h"
#include "track/height_field.h"

namespace {

constexpr double pi = std::numbers::pi;
constexpr double extent = 1024;

using State = std::array<std::uint8_t, bike_state_size>;

void put(std::uint8_t* b, std::uint32_t n, int bytes) {
  for (int k = 0; k < bytes; ++k) b[k] = static_cast<std::uint8_t>(n >> (8 * k));
}
void put_fraction(std::uint8_t* b, double f, int bytes) {
  double top = bytes == 3 ? 16777215.0 : 65535.0;
  put(b, static_cast<std::uint32_t>(std::floor(f * top)), bytes);
}
void put_quaternion(std::uint8_t* b, const double q[4]) {
  for (int k = 0; k < 4; ++k) put_fraction(b + 2 * k, (q[k] + 1) / 2, 2);
}

// A riding state at (x, y, z) heading straight, everything centred.
State make_state(Vec3 frame, std::uint8_t steer = 128, std::uint8_t fork = 255,
                 std::uint8_t swingarm = 255, std::uint8_t flags = 0) {
  State s{};
  put_fraction(&s[0], frame.x / extent, 3);
  put_fraction(&s[3], frame.y / extent, 3);
  put_fraction(&s[6], frame.z / extent, 3);
  const double identity[4] = {1, 0, 0, 0};
  put_quaternion(&s[9], identity);
  s[17] = steer;
  s[18] = swingarm;
  s[19] = fork;
  // Rider 2.52 ft above and 0.52 ft behind the frame: his seat.
  put_fraction(&s[20], (0 + 16) / 32.0, 2);
  put_fraction(&s[22], (2.52 + 16) / 32.0, 2);
  put_fraction(&s[24], (0.52 + 16) / 32.0, 2);
  put_quaternion(&s[26], identity);
  s[34] = s[35] = 128;
  s[36] = flags;
  put_fraction(&s[37], 8000 / 32768.0, 2);
  return s;
}

class ApplyStateTest : public SimTest {
 protected:
  StateContext context(int tick, int version = 5) {
    return {.version = version, .ticks = 1, .game_tick = tick, .extent = extent, .min_height = 0};
  }
};

Vec3 position_of(dBodyID body) {
  const dReal* p = dBodyGetPosition(body);
  return {p[0], p[1], p[2]};
}

TEST_F(ApplyStateTest, JointAnglesComeBackAsEncoded) {
  Bike& bike = make_bike();
  struct Case {
    std::uint8_t steer, fork, swingarm;
    double steer_angle, fork_pos, swingarm_angle;
  };
  const Case cases[] = {
      {255, 255, 255, pi / 4, 0, 0},
      {0, 0, 0, -pi / 4, -1, -0.55},
  };
  for (const Case& c : cases) {
    State s = make_state({500, 100, 500}, c.steer, c.fork, c.swingarm);
    ASSERT_TRUE(apply_state(bike, s, context(1)));
    EXPECT_NEAR(dJointGetHingeAngle(bike.joints[joint_steering_head]), c.steer_angle, 1e-4);
    EXPECT_NEAR(dJointGetSliderPosition(bike.joints[joint_fork_slide]), c.fork_pos, 1e-4);
    EXPECT_NEAR(dJointGetHingeAngle(bike.joints[joint_swingarm_pivot]), c.swingarm_angle, 1e-4);
  }
  EXPECT_NEAR(bike.engine_speed * 60 / (2 * pi), 8000, 1);
  Vec3 frame = position_of(bike.bodies[body_frame]);
  EXPECT_NEAR(frame.x, 500, extent / 16777215 + 1e-9);
  EXPECT_NEAR(frame.y, 100, extent / 16777215 + 1e-9);
}

TEST_F(ApplyStateTest, WheelAnglesFollowTheAxles) {
  Bike& bike = make_bike();
  State s = make_state({500, 100, 500});
  s[34] = 191;  // about +pi/2
  s[35] = 64;   // about -pi/2
  apply_state(bike, s, context(1));
  EXPECT_NEAR(dJointGetHingeAngle(bike.joints[joint_front_axle]), 191 / 255.0 * 2 * pi - pi, 1e-4);
  EXPECT_NEAR(dJointGetHingeAngle(bike.joints[joint_rear_axle]), 64 / 255.0 * 2 * pi - pi, 1e-4);
}

TEST_F(ApplyStateTest, VelocitiesFromTheChangeBetweenStates) {
  Bike& bike = make_bike();
  State s = make_state({500, 100, 500});
  apply_state(bike, s, context(1));
  apply_state(bike, s, context(2));
  for (dBodyID body : bike.bodies) {
    const dReal* v = dBodyGetLinearVel(body);
    const dReal* w = dBodyGetAngularVel(body);
    for (int k = 0; k < 3; ++k) {
      EXPECT_EQ(v[k], 0);
      EXPECT_EQ(w[k], 0);
    }
  }
  // 0.25 ft forward (-z) in 2 ticks: 16 ft/s; front wheel turned a little.
  State t = make_state({500, 100, 499.75});
  t[34] = 136;
  apply_state(bike, t, {.version = 5, .ticks = 2, .game_tick = 4, .extent = extent});
  const dReal* v = dBodyGetLinearVel(bike.bodies[body_frame]);
  EXPECT_NEAR(v[2], -16, 0.01);
  const dReal* w = dBodyGetAngularVel(bike.bodies[body_front_wheel]);
  // The wheel turned by -(8/255) x 2 pi about x in 2 ticks.
  EXPECT_NEAR(w[0], -(8 / 255.0) * 2 * pi * 64, 0.05);
  EXPECT_NEAR(w[1], 0, 0.05);  // the axle leans with the steering byte 128 (+0.003 rad)
}

TEST_F(ApplyStateTest, CrashedStateDetachesRidingStateReattaches) {
  Bike& bike = make_bike();
  apply_state(bike, make_state({500, 100, 500}, 128, 255, 255, 0xF7), context(1));
  EXPECT_EQ(dJointGetBody(bike.joints[joint_rider_mount], 0), nullptr);
  EXPECT_EQ(bike.crash_counter, 128);
  EXPECT_EQ(bike.throttle, 0);
  // The rider's loose feet start at the pegs, beside the frame.
  for (const auto& foot : bike.loose_feet)
    EXPECT_LT(length(foot.position - position_of(bike.bodies[body_frame])), 2);
  apply_state(bike, make_state({500, 100, 500}, 128, 255, 255, 0x07), context(2));
  EXPECT_EQ(bike.crash_counter, 1);

  State riding = make_state({500, 100, 500}, 128, 255, 255, 0x52);  // gear 3, throttle 5/15
  put_fraction(&riding[22], (3.0 + 16) / 32.0, 2);                  // rider half a foot high
  apply_state(bike, riding, context(3));
  EXPECT_EQ(bike.crash_counter, 0);
  EXPECT_EQ(dJointGetBody(bike.joints[joint_rider_mount], 0), bike.bodies[body_rider]);
  EXPECT_NEAR(position_of(bike.bodies[body_rider]).y, 103, 1e-3);
  EXPECT_EQ(bike.gear, 2);
  EXPECT_FLOAT_EQ(bike.throttle, 5.0f / 15);
}

TEST_F(ApplyStateTest, GearOfAMissingSixthStepsDown) {
  Bike& bike = make_bike("crf250(2009)");
  apply_state(bike, make_state({500, 100, 500}, 128, 255, 255, 0x0D), context(1));  // gear 5, foot
  EXPECT_EQ(bike.gear, 4);
  EXPECT_FLOAT_EQ(bike.foot_down, 8.0f / 128);
}

TEST_F(ApplyStateTest, VersionFourSlidesTheRiderAlongHisAxis) {
  Bike& bike = make_bike();
  for (auto [fraction, along] : {std::pair{0, -0.666667}, std::pair{255, 0.5}}) {
    State full = make_state({500, 100, 500});
    std::array<std::uint8_t, bike_state_size_v4> s{};
    std::copy(full.begin(), full.begin() + 20, s.begin());
    s[20] = static_cast<std::uint8_t>(fraction);
    std::copy(full.begin() + 34, full.end(), s.begin() + 21);
    ASSERT_TRUE(apply_state(bike, s, context(1, 4)));
    Vec3 d = position_of(bike.bodies[body_rider]) - position_of(bike.bodies[body_frame]);
    EXPECT_NEAR(d.y, 4.5 - 1.98 + along / std::sqrt(2.0), 1e-4);
    EXPECT_NEAR(d.z, 4.12 - 3.6 + along / std::sqrt(2.0), 1e-4);
  }
}

TEST_F(ApplyStateTest, ShortOrUnknownStatesAreIgnored) {
  Bike& bike = make_bike();
  State s = make_state({500, 100, 500});
  EXPECT_FALSE(apply_state(bike, std::span(s).first(38), context(1)));
  EXPECT_FALSE(apply_state(bike, s, context(1, 3)));
  EXPECT_NEAR(position_of(bike.bodies[body_frame]).y, 1.98, 1e-6);
}

// Without new states the bike rolls on from its last state at the frame's
// speed, for at most 64 ticks, and is lifted out of the ground.
TEST_F(ApplyStateTest, CoastingFromTheLastState) {
  HeightField field;
  set_height_field_geometry(field, 5, 16);
  field.heights.assign(static_cast<std::size_t>(field.size) * field.size, 100.0f);
  Bike& bike = make_bike();
  // The rear rim 0.1 ft below the ground (its lowest point is 0.29 ft
  // above the ground at the model positions).
  State s = make_state({500, 100 + 1.98 - 0.29 - 0.1, 500});
  apply_state(bike, s, context(1));
  dBodySetLinearVel(bike.bodies[body_frame], 0, 0, -12.8);
  coast_bike(bike, 10, field);
  Vec3 frame = position_of(bike.bodies[body_frame]);
  EXPECT_NEAR(frame.z, 500 - 1, 1e-3);
  // The rear wheel's lowest point sits on the ground again.
  EXPECT_NEAR(position_of(bike.bodies[body_rear_wheel]).y - 0.75, 100, 1e-3);
  coast_bike(bike, 1000, field);
  EXPECT_NEAR(position_of(bike.bodies[body_frame]).z, 500 - 6.4, 1e-3);
}

}  // namespace
