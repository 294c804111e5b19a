#include "sim/apply_state.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "sim/assembly.h"
#include "sim/crash.h"

namespace {

constexpr double pi = std::numbers::pi;

double q24(const std::uint8_t* b) { return (b[0] | b[1] << 8 | b[2] << 16) / 16777215.0; }
double q16(const std::uint8_t* b) { return (b[0] | b[1] << 8) / 65535.0; }
double q8(std::uint8_t b) { return b / 255.0; }

void decode_quaternion(const std::uint8_t* b, dQuaternion q) {
  for (int k = 0; k < 4; ++k) q[k] = q16(b + 2 * k) * 2 - 1;
}

// The state's fields; version 4 keeps a rider fraction instead of the
// rider's offset and orientation.
struct Decoded {
  Vec3 frame;
  dQuaternion frame_q;
  double steer, swingarm, fork;
  Vec3 rider_offset;
  dQuaternion rider_q;
  double rider_fraction;
  double front_angle, rear_angle;
  std::uint8_t flags;
  double engine_speed;
};

Decoded decode(const std::uint8_t* s, const BikeModel& m, const StateContext& c) {
  Decoded d{};
  d.frame = {c.extent * q24(s), c.min_height + c.extent * q24(s + 3), c.extent * q24(s + 6)};
  decode_quaternion(s + 9, d.frame_q);
  d.steer = q8(s[17]) * pi / 2 - pi / 4;
  d.swingarm = q8(s[18]) * m.swingarm_travel - m.swingarm_travel;
  d.fork = q8(s[19]) * m.fork_travel - m.fork_travel;
  const std::uint8_t* tail = s + 34;
  if (c.version == 4) {
    d.rider_fraction = q8(s[20]);
    tail = s + 21;
  } else {
    d.rider_offset = {q16(s + 20) * 32 - 16, q16(s + 22) * 32 - 16, q16(s + 24) * 32 - 16};
    decode_quaternion(s + 26, d.rider_q);
  }
  d.front_angle = q8(tail[0]) * 2 * pi - pi;
  d.rear_angle = q8(tail[1]) * 2 * pi - pi;
  d.flags = tail[2];
  d.engine_speed = q16(tail + 3) * 32768 * pi / 30;
  return d;
}

Vec3 position_of(dBodyID body) {
  const dReal* p = dBodyGetPosition(body);
  return {p[0], p[1], p[2]};
}

// World position of the point at offset r (model frame) from the body.
Vec3 point_of(dBodyID body, Vec3f r) {
  dVector3 p;
  dBodyGetRelPointPos(body, r.x, r.y, r.z, p);
  return {p[0], p[1], p[2]};
}

void place(dBodyID body, Vec3 position, const dMatrix3 rotation) {
  dBodySetPosition(body, position.x, position.y, position.z);
  dBodySetRotation(body, rotation);
}

// rotation = base x R(axis, angle)
void turned(const dReal* base, Vec3f axis, double angle, dMatrix3 out) {
  dMatrix3 turn;
  dRFromAxisAndAngle(turn, axis.x, axis.y, axis.z, angle);
  dMultiply0_333(out, base, turn);
}

Vec3 column(const dMatrix3 r, int k) { return {r[k], r[4 + k], r[8 + k]}; }

// The rotation vector (unit axis x angle, rad) of the turn from orientation
// `from` to `to`, found from the differences of their matching columns.
Vec3 rotation_vector(const dMatrix3 from, const dMatrix3 to) {
  Vec3 d[3];
  for (int k = 0; k < 3; ++k) d[k] = column(to, k) - column(from, k);
  int best = -1;
  double best_len = 0;
  Vec3 axis;
  for (int k = 0; k < 3; ++k) {
    Vec3 c = cross(d[k], d[(k + 1) % 3]);
    double len = length(c);
    if (len > best_len) {
      best = k;
      best_len = len;
      axis = c / len;
    }
  }
  if (best < 0) return {};
  Vec3 a = column(from, best), b = column(to, best);
  a = normalized(a - axis * dot(a, axis));
  b = normalized(b - axis * dot(b, axis));
  double angle = std::acos(std::clamp(dot(a, b), -1.0, 1.0));
  if (dot(cross(a, b), axis) < 0) axis = -axis;
  return axis * angle;
}

}  // namespace

bool apply_state(Bike& bike, std::span<const std::uint8_t> state, const StateContext& context) {
  std::size_t need = context.version == 4   ? bike_state_size_v4
                     : context.version == 5 ? bike_state_size
                                            : 0;
  if (need == 0 || state.size() < need) return false;
  const BikeModel& m = bike.model;
  const auto& b = bike.bodies;
  Decoded d = decode(state.data(), m, context);

  if (context.game_tick > 0)
    for (int i = 0; i < bike_body_count; ++i) {
      const dReal* q = dBodyGetQuaternion(b[i]);
      std::copy(q, q + 4, bike.previous_orientations[i]);
    }

  dBodySetPosition(b[body_frame], d.frame.x, d.frame.y, d.frame.z);
  dBodySetQuaternion(b[body_frame], d.frame_q);
  const dReal* frame_r = dBodyGetRotation(b[body_frame]);

  dMatrix3 r;
  turned(frame_r, m.steer_pos - m.fork_lower_pos, d.steer, r);
  place(b[body_fork_upper], point_of(b[body_frame], m.steer_pos - m.frame_pos), r);

  Vec3f arm = m.swingarm_pos - m.swingarm_pivot;
  float cs = static_cast<float>(std::cos(d.swingarm)),
        sn = static_cast<float>(std::sin(d.swingarm));
  Vec3f arm_turned = {arm.x, cs * arm.y - sn * arm.z, sn * arm.y + cs * arm.z};
  turned(frame_r, {1, 0, 0}, d.swingarm, r);
  place(b[body_swingarm], point_of(b[body_frame], m.swingarm_pivot + arm_turned - m.frame_pos), r);

  Vec3f leg = m.fork_lower_pos - m.steer_pos;
  Vec3f unit_leg = leg * (1 / length(leg));
  place(b[body_fork_lower],
        point_of(b[body_fork_upper], leg + unit_leg * static_cast<float>(d.fork)),
        dBodyGetRotation(b[body_fork_upper]));

  if (context.version == 4) {
    Vec3f slide = m.rider_slide_axis * (1 / length(m.rider_slide_axis));
    float s = m.rider_slide_min +
              (m.rider_slide_max - m.rider_slide_min) * static_cast<float>(d.rider_fraction);
    place(b[body_rider], point_of(b[body_frame], m.rider_pos - m.frame_pos + slide * s), frame_r);
  } else {
    Vec3 p = d.frame + d.rider_offset;
    dBodySetPosition(b[body_rider], p.x, p.y, p.z);
    dBodySetQuaternion(b[body_rider], d.rider_q);
  }

  turned(dBodyGetRotation(b[body_fork_lower]), {-1, 0, 0}, d.front_angle, r);
  place(b[body_front_wheel], point_of(b[body_fork_lower], m.front_wheel_pos - m.fork_lower_pos), r);
  turned(dBodyGetRotation(b[body_swingarm]), {-1, 0, 0}, d.rear_angle, r);
  place(b[body_rear_wheel], point_of(b[body_swingarm], m.rear_wheel_pos - m.swingarm_pos), r);

  bool raise_foot;
  const bool was_riding = bike.crash_counter <= 0;
  if ((d.flags & 7) == 7) {
    detach_rider_mount(bike);
    bike.throttle = 0;
    bike.crash_counter = ((d.flags >> 4) * 127) / 15 + 1;
    raise_foot = true;
  } else {
    if (bike.crash_counter > 0) {
      // Re-attach at the seat, then put the rider back where the state says.
      Vec3 kept = position_of(b[body_rider]);
      dQuaternion kept_q;
      std::copy(dBodyGetQuaternion(b[body_rider]), dBodyGetQuaternion(b[body_rider]) + 4, kept_q);
      place(b[body_rider], point_of(b[body_frame], m.rider_pos - m.frame_pos), frame_r);
      attach_rider_mount(bike);
      dBodySetPosition(b[body_rider], kept.x, kept.y, kept.z);
      dBodySetQuaternion(b[body_rider], kept_q);
      bike.crash_counter = 0;
    }
    int gear = std::min(d.flags & 7, gear_count - 1);
    while (gear > 0 && m.gear_ratio[gear] <= 0) --gear;
    bike.gear = gear;
    bike.throttle = (d.flags >> 4) / 15.0f;
    raise_foot = (d.flags & 8) != 0;
  }
  if (raise_foot)
    bike.foot_down = std::min(bike.foot_down + static_cast<float>(8 * step_length), 1.0f);
  bike.engine_speed = static_cast<float>(d.engine_speed);

  if (context.ticks > 0 && context.game_tick > 0) {
    double dt = context.ticks * step_length;
    for (int i = 0; i < bike_body_count; ++i) {
      Vec3 v = (position_of(b[i]) - bike.state_positions[i]) / dt;
      dMatrix3 before;
      dRfromQ(before, bike.previous_orientations[i]);
      Vec3 w = rotation_vector(before, dBodyGetRotation(b[i])) / dt;
      dBodySetLinearVel(b[i], v.x, v.y, v.z);
      dBodySetAngularVel(b[i], w.x, w.y, w.z);
    }
  }
  for (int i = 0; i < bike_body_count; ++i) bike.state_positions[i] = position_of(b[i]);
  if (was_riding && bike.crash_counter > 0) place_loose_feet(bike);
  return true;
}
