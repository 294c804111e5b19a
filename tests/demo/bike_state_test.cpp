// Encoding a bike into 39 bytes, and blending two states.

#include "demo/bike_state.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "demo_fixture.h"

namespace {

constexpr double pi = std::numbers::pi;

std::uint32_t q24(const BikeState& s, int at) { return s[at] | s[at + 1] << 8 | s[at + 2] << 16; }
std::uint32_t q16(const BikeState& s, int at) { return s[at] | s[at + 1] << 8; }

BikeState encoded(const Bike& bike) {
  BikeState s;
  encode_state(bike, test_extent, test_min_height, s);
  return s;
}

using BikeStateTest = DemoTest;

TEST_F(BikeStateTest, FramePositionIsClampedToTheField) {
  struct Case {
    double x, y, z;
    std::uint32_t qx, qy, qz;
  };
  const Case cases[] = {
      {-3, test_min_height - 3, -3, 0, 0, 0},
      {test_extent + 3, test_min_height + test_extent + 3, test_extent + 3, 16777215, 16777215,
       16777215},
      {test_extent / 2, test_min_height + test_extent / 2, 0, 8388607, 8388607, 0},
  };
  Bike& bike = add_bike(0, bike_local);
  for (const Case& c : cases) {
    const dReal* p = dBodyGetPosition(bike.bodies[body_frame]);
    move_bike(bike, {c.x - p[0], c.y - p[1], c.z - p[2]});
    BikeState s = encoded(bike);
    EXPECT_EQ(q24(s, 0), c.qx) << c.x;
    EXPECT_EQ(q24(s, 3), c.qy) << c.y;
    EXPECT_EQ(q24(s, 6), c.qz) << c.z;
  }
}

TEST_F(BikeStateTest, EngineSpeedAndThrottleAreClamped) {
  Bike& bike = add_bike(0, bike_local);
  struct Case {
    float engine_speed, throttle;
    std::uint32_t rpm;
    int throttle_bits;
  };
  const Case cases[] = {
      {-10, -1, 0, 0},
      {static_cast<float>(40000 * pi / 30), 2, 65535, 15},
      {static_cast<float>(16384 * pi / 30), 0.5f, 32767, 7},
      {NAN, NAN, 0, 0},
  };
  for (const Case& c : cases) {
    bike.engine_speed = c.engine_speed;
    bike.throttle = c.throttle;
    BikeState s = encoded(bike);
    EXPECT_NEAR(q16(s, 37), c.rpm, 1) << c.engine_speed;
    EXPECT_EQ(s[36] >> 4, c.throttle_bits) << c.throttle;
  }
}

TEST_F(BikeStateTest, FlagsOfRidingAndCrashedBikes) {
  Bike& bike = add_bike(0, bike_local);
  struct Case {
    int crash_counter, gear;
    float foot_down, throttle;
    std::uint8_t flags;
  };
  const Case cases[] = {
      {512, 2, 0, 1, 0xF7},   // crashed: counter level 15, gear bits 7
      {1, 2, 0, 1, 0x07},     // just crashed: level 0
      {64, 0, 0, 0, 0x77},    // (64 * 15 - 15) / 127 = 7.4: level 7
      {0, 3, 0.5f, 1, 0xFB},  // riding: throttle 15, foot down, gear 3
      {0, 9, 0, 0.2f, 0x36},  // gear clamped to 6
  };
  for (const Case& c : cases) {
    bike.crash_counter = c.crash_counter;
    bike.gear = c.gear;
    bike.foot_down = c.foot_down;
    bike.throttle = c.throttle;
    EXPECT_EQ(encoded(bike)[36], c.flags) << c.crash_counter << " " << c.gear;
  }
}

// Encoding, placing another bike from the bytes and encoding that bike
// again gives the same picture within one quantisation step.
TEST_F(BikeStateTest, EncodeThenDecodeStaysWithinTheQuantisation) {
  Bike& source = add_bike(0, bike_local, 321.123, 42.5, 777.7);
  turn_bike(source, normalized(Vec3{0.2, 1, -0.3}), 0.7);
  const dReal* at = dBodyGetPosition(source.bodies[body_frame]);
  move_bike(source, Vec3{321.123, 42.5, 777.7} - Vec3{at[0], at[1], at[2]});
  source.engine_speed = 700;
  source.gear = 2;
  Bike& copy = add_bike(1, bike_states, 10, 10, 10);
  BikeState s = encoded(source);
  StateContext context{.version = 5,
                       .ticks = 0,
                       .game_tick = 0,
                       .extent = test_extent,
                       .min_height = test_min_height};
  ASSERT_TRUE(apply_state(copy, s, context));

  const dReal* a = dBodyGetPosition(source.bodies[body_frame]);
  const dReal* b = dBodyGetPosition(copy.bodies[body_frame]);
  for (int k = 0; k < 3; ++k) EXPECT_NEAR(a[k], b[k], test_extent / 16777215) << k;
  for (int body : {body_frame, body_rider}) {
    const dReal* qa = dBodyGetQuaternion(source.bodies[body]);
    const dReal* qb = dBodyGetQuaternion(copy.bodies[body]);
    for (int k = 0; k < 4; ++k) EXPECT_NEAR(qa[k], qb[k], 2.0 / 65535) << body << " " << k;
  }
  const dReal* ra = dBodyGetPosition(source.bodies[body_rider]);
  const dReal* rb = dBodyGetPosition(copy.bodies[body_rider]);
  for (int k = 0; k < 3; ++k) EXPECT_NEAR(ra[k], rb[k], test_extent / 16777215 + 32.0 / 65535) << k;
  EXPECT_NEAR(copy.engine_speed, source.engine_speed, 32768 * pi / 30 / 65535);
  EXPECT_EQ(copy.gear, 2);
  BikeState again = encoded(copy);
  for (std::size_t k = 0; k < s.size(); ++k) EXPECT_NEAR(s[k], again[k], 1) << k;
}

BikeState plain_state() {
  BikeState s{};
  const std::uint8_t identity[8] = {0xff, 0xff, 0xff, 0x7f, 0xff, 0x7f, 0xff, 0x7f};
  std::copy(identity, identity + 8, &s[9]);
  std::copy(identity, identity + 8, &s[26]);
  return s;
}

TEST_F(BikeStateTest, WheelAnglesBlendTheShortWayRound) {
  struct Case {
    std::uint8_t a, b;
    double t, expected;  // byte value, on the circle of 255 steps
  };
  const Case cases[] = {
      {250, 5, 0.5, 0},       // forward through the wrap, not half a turn back
      {250, 5, 0.25, 252.5},  // a quarter of the way forward
      {5, 250, 0.5, 0},       // a small backward step through the wrap stays backward
      {100, 90, 0.5, 95},     // less than an eighth back: backwards
      {100, 60, 0.5, 207.5},  // more than an eighth back: forwards the long way
      {10, 20, 0, 10},       {10, 20, 1, 20},
  };
  for (const Case& c : cases) {
    BikeState a = plain_state(), b = plain_state(), out;
    a[34] = c.a;
    b[34] = c.b;
    blend_states(out, a, b, c.t);
    double d = std::fabs(out[34] - c.expected);
    EXPECT_LE(std::min(d, 255 - d), 1)
        << int(c.a) << "->" << int(c.b) << " t=" << c.t << " gave " << int(out[34]);
  }
}

TEST_F(BikeStateTest, BlendEndsAreTheStatesThemselves) {
  Bike& one = add_bike(0, bike_local, 100, 5, 900);
  Bike& two = add_bike(1, bike_local, 130, 9, 880);
  turn_bike(two, {0, 1, 0}, 2.5);
  one.engine_speed = 300;
  two.engine_speed = 900;
  BikeState a = encoded(one), b = encoded(two), out;
  blend_states(out, a, b, 0);
  EXPECT_EQ(out, a);
  blend_states(out, a, b, 1);
  b[36] = static_cast<std::uint8_t>((a[36] & 0xf0) | (b[36] & 15));  // throttle comes from a
  EXPECT_EQ(out, b);
}

TEST_F(BikeStateTest, BlendMidwayTakesTheShorterArcAndTheMiddlePosition) {
  BikeState a = plain_state(), b = plain_state(), out;
  // b's frame is -identity (the same turn): the blend must stay identity.
  for (int k = 0; k < 4; ++k) {
    b[9 + 2 * k] = k == 0 ? 0 : 0xff;
    b[10 + 2 * k] = k == 0 ? 0 : 0x7f;
  }
  a[0] = 0;
  b[0] = 200;
  a[37] = 0;
  b[37] = 100;
  a[36] = 0x52;  // throttle 5, gear 2
  b[36] = 0x06;  // gear 6
  blend_states(out, a, b, 0.5);
  EXPECT_GE(q16(out, 9), 65534u);  // w near +1
  EXPECT_EQ(out[0], 100);
  EXPECT_EQ(out[37], 50);
  EXPECT_EQ(out[36], 0x54);
}

}  // namespace
