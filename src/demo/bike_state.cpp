#include "demo/bike_state.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "sim/bike.h"

namespace {

constexpr double pi = std::numbers::pi;
constexpr double q24_max = 16777215, q16_max = 65535, q8_max = 255;

// (v - lo) / (hi - lo) clamped to 0..1; NaN counts as the low end so a
// broken body can never turn into an out-of-range integer.
double fraction(double v, double lo, double hi) {
  if (!(v > lo)) return 0;
  if (v >= hi) return 1;
  return (v - lo) / (hi - lo);
}

void put_q24(std::uint8_t* b, double f) {
  auto n = static_cast<std::uint32_t>(std::floor(f * q24_max));
  b[0] = n & 0xff;
  b[1] = (n >> 8) & 0xff;
  b[2] = (n >> 16) & 0xff;
}
void put_q16(std::uint8_t* b, double f) {
  auto n = static_cast<std::uint32_t>(std::floor(f * q16_max));
  b[0] = n & 0xff;
  b[1] = (n >> 8) & 0xff;
}
void put_q8(std::uint8_t* b, double f) { *b = static_cast<std::uint8_t>(std::floor(f * q8_max)); }

std::uint32_t get_q24(const std::uint8_t* b) { return b[0] | b[1] << 8 | b[2] << 16; }
std::uint32_t get_q16(const std::uint8_t* b) { return b[0] | b[1] << 8; }

void put_quaternion(std::uint8_t* b, const dReal* q) {
  for (int k = 0; k < 4; ++k) put_q16(b + 2 * k, fraction(q[k], -1, 1));
}

std::uint8_t encode_flags(const Bike& bike) {
  if (bike.crash_counter >= 1) {
    int level = std::min((bike.crash_counter * 15 - 15) / 127, 15);
    return static_cast<std::uint8_t>(level << 4 | 7);
  }
  int gear = std::clamp(bike.gear, 0, 6);
  int foot = bike.foot_down > 0 ? 8 : 0;
  int throttle = std::clamp(static_cast<int>(fraction(bike.throttle, 0, 1) * 15), 0, 15);
  return static_cast<std::uint8_t>(throttle << 4 | foot | gear);
}

// Blends two stored counts of `max` steps and stores the result with the
// same floor rule; the small lift keeps t = 0 and t = 1 exact.
double blended_count(double a, double b, double t) { return a + t * (b - a) + 1e-7; }

void blend_q24(std::uint8_t* out, const std::uint8_t* a, const std::uint8_t* b, double t) {
  put_q24(out, std::clamp(blended_count(get_q24(a), get_q24(b), t), 0.0, q24_max) / q24_max);
}
void blend_q16(std::uint8_t* out, const std::uint8_t* a, const std::uint8_t* b, double t) {
  put_q16(out, std::clamp(blended_count(get_q16(a), get_q16(b), t), 0.0, q16_max) / q16_max);
}
void blend_q8(std::uint8_t* out, std::uint8_t a, std::uint8_t b, double t) {
  put_q8(out, std::clamp(blended_count(a, b, t), 0.0, q8_max) / q8_max);
}

void blend_quaternion(std::uint8_t* out, const std::uint8_t* a, const std::uint8_t* b, double t) {
  // Normalising a stored quaternion moves it by a step: keep the ends exact.
  if (t == 0 || t == 1) {
    std::copy(t == 0 ? a : b, (t == 0 ? a : b) + 8, out);
    return;
  }
  double qa[4], qb[4], q[4], dot = 0, len = 0;
  for (int k = 0; k < 4; ++k) {
    qa[k] = get_q16(a + 2 * k) / q16_max * 2 - 1;
    qb[k] = get_q16(b + 2 * k) / q16_max * 2 - 1;
    dot += qa[k] * qb[k];
  }
  // q and -q are the same turn: blend along the shorter arc.
  if (dot < 0)
    for (double& c : qb) c = -c;
  for (int k = 0; k < 4; ++k) {
    q[k] = qa[k] + t * (qb[k] - qa[k]);
    len += q[k] * q[k];
  }
  len = std::sqrt(len);
  if (len > 0)
    for (double& c : q) c /= len;
  for (int k = 0; k < 4; ++k) put_q16(out + 2 * k, fraction(q[k], -1, 1));
}

std::uint8_t blend_wheel(std::uint8_t a, std::uint8_t b, double t) {
  double u = a / q8_max, v = b / q8_max;
  if (v < u - 0.125)
    u -= 1;
  else if (v > u + 0.875)
    v -= 1;
  double w = u + t * (v - u);
  if (w < 0) w += 1;
  std::uint8_t out;
  // The same floor rule as the linear fields, on the count.
  put_q8(&out, std::clamp(w * q8_max + 1e-7, 0.0, q8_max) / q8_max);
  return out;
}

}  // namespace

void encode_state(const Bike& bike, double extent, double min_height, BikeState& out) {
  const BikeModel& m = bike.model;
  std::uint8_t* s = out.data();
  const dReal* p = dBodyGetPosition(bike.bodies[body_frame]);
  put_q24(s, fraction(p[0], 0, extent));
  put_q24(s + 3, fraction(p[1], min_height, min_height + extent));
  put_q24(s + 6, fraction(p[2], 0, extent));
  put_quaternion(s + 9, dBodyGetQuaternion(bike.bodies[body_frame]));
  put_q8(s + 17, fraction(dJointGetHingeAngle(bike.joints[joint_steering_head]), -pi / 4, pi / 4));
  put_q8(s + 18,
         fraction(dJointGetHingeAngle(bike.joints[joint_swingarm_pivot]), -m.swingarm_travel, 0));
  put_q8(s + 19,
         fraction(dJointGetSliderPosition(bike.joints[joint_fork_slide]), -m.fork_travel, 0));
  const dReal* r = dBodyGetPosition(bike.bodies[body_rider]);
  for (int k = 0; k < 3; ++k) put_q16(s + 20 + 2 * k, fraction(r[k] - p[k], -16, 16));
  put_quaternion(s + 26, dBodyGetQuaternion(bike.bodies[body_rider]));
  put_q8(s + 34, fraction(dJointGetHingeAngle(bike.joints[joint_front_axle]), -pi, pi));
  put_q8(s + 35, fraction(dJointGetHingeAngle(bike.joints[joint_rear_axle]), -pi, pi));
  s[36] = encode_flags(bike);
  put_q16(s + 37, fraction(bike.engine_speed * 60 / (2 * pi), 0, 32768));
}

void blend_states(BikeState& out, const BikeState& a, const BikeState& b, double t) {
  t = std::clamp(t, 0.0, 1.0);
  if (std::isnan(t)) t = 0;
  BikeState r;
  for (int k = 0; k < 3; ++k) blend_q24(&r[3 * k], &a[3 * k], &b[3 * k], t);
  blend_quaternion(&r[9], &a[9], &b[9], t);
  for (int k = 17; k <= 19; ++k) blend_q8(&r[k], a[k], b[k], t);
  for (int k = 0; k < 3; ++k) blend_q16(&r[20 + 2 * k], &a[20 + 2 * k], &b[20 + 2 * k], t);
  blend_quaternion(&r[26], &a[26], &b[26], t);
  r[34] = blend_wheel(a[34], b[34], t);
  r[35] = blend_wheel(a[35], b[35], t);
  int low = static_cast<int>((a[36] & 15) + t * ((b[36] & 15) - (a[36] & 15)) + 1e-7);
  r[36] = static_cast<std::uint8_t>((a[36] & 0xf0) | std::clamp(low, 0, 15));
  blend_q16(&r[37], &a[37], &b[37], t);
  out = r;
}
