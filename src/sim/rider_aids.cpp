#include "sim/rider_aids.h"

#include "sim/body_math.h"

#include <algorithm>
#include <cmath>

#include "sim/sphere_terrain.h"
#include "sim/steering.h"
#include "sim/world.h"

namespace {

constexpr double pi = 3.14159265358979323846;

double frame_speed(const Bike& bike) {
  return length(to_vec(dBodyGetLinearVel(bike.bodies[body_frame])));
}

// A soft contact joint with no friction: a spring (kp, kd) pushing `a` along
// `normal` at `point` by `depth`, `b` the other way.
void soft_spring(Bike& bike, dBodyID a, dBodyID b, Vec3 point, Vec3 normal, double depth, double kp,
                 double kd) {
  if (!(kp + kd > 0)) return;
  if (depth < 0) {
    normal = normal * -1.0;
    depth = -depth;
  }
  dContact c = contact_at(point, normal, depth);
  c.surface.mode = 0;
  c.surface.mu = 0;
  set_soft_contact(c.surface, kp, kd);
  dJointID j = dJointCreateContact(bike.world->world, bike.world->contacts, &c);
  dJointAttach(j, a, b);
}

void yaw_motor(Bike& bike, double rate, double max_torque) {
  dJointID m = dJointCreateAMotor(bike.world->world, bike.world->contacts);
  dJointAttach(m, bike.bodies[body_frame], nullptr);
  dJointSetAMotorNumAxes(m, 1);
  dJointSetAMotorAxis(m, 0, 0, 0, 1, 0);
  dJointSetAMotorParam(m, dParamVel, rate);
  dJointSetAMotorParam(m, dParamFMax, max_torque);
}

void back_up(Bike& bike, const ControlContext& context) {
  int tick = context.tick;
  double w = (1 - std::cos((tick & 127) * 0.049473900056532176)) * 0.5;
  // Before the gate drops the pulses are held off on most of each 512 ticks.
  if (tick < ((context.drop_tick + 128) & ~127) && (tick & 384) != 0) w = 0;
  bike.dab = bike.crash_counter > 0 ? 0 : 1;
  dBodyID frame = bike.bodies[body_frame];
  velocity_hold(frame, body_axis(frame, 2) * (4 * w), 2000);
  yaw_motor(bike, -bike.steer * w * pi / 4, 2000);
}

void hold_when_stopped(Bike& bike) {
  double d = dab_speed(bike);
  double v = frame_speed(bike);
  double roll = roll_angle(bike.bodies[body_frame]);
  bool idle = bike.throttle == 0 || bike.clutch == 0;
  if (!(v <= d) || !(idle || v < 5 || std::fabs(roll) > pi / 16)) return;
  double dab = std::max<double>(std::clamp(1 - v / d, 0.0, 1.0), bike.dab);
  bike.dab = bike.crash_counter > 0 ? 0 : static_cast<float>(dab);
  if (v < 5 && idle && bike.front_contact.depth > 0 && bike.rear_contact.depth > 0) {
    bike.front_brake = bike.rear_brake = 1;
    velocity_hold(bike.bodies[body_frame], {}, 1000);
  }
}

// Points a bike standing on its foot toward `guide`. Returns true when the
// foot-down step ends here (the bike is pivoting with its weight taken off).
bool stopped_turn(Bike& bike, Vec3 guide, double rate) {
  dBodyID frame = bike.bodies[body_frame];
  Vec3 d = guide - to_vec(dBodyGetPosition(frame));
  Vec3 z = body_axis(frame, 2);
  double h2 = z.x * z.x + z.z * z.z;
  if (h2 <= 1.0 / 1024) return false;
  double hn = std::sqrt(h2);
  double hx = z.x / hn, hz = z.z / hn;
  double along = d.x * hx + d.z * hz;
  double lateral = d.x * hz - d.z * hx;
  double mass = 320 * bike.total_mass;
  double target = lateral >= 0 ? -rate : rate;
  if (along < 0 && std::fabs(lateral) < 0.25 * std::fabs(along)) {
    yaw_motor(bike, target, mass * std::fabs(4 * lateral / along));
    return false;
  }
  yaw_motor(bike, target, mass);
  double lift = 32 * bike.total_mass;
  if (bike.rear_contact.depth > 0) dBodyAddForce(bike.bodies[body_rear_wheel], 0, lift, 0);
  if (bike.front_contact.depth > 0) dBodyAddForce(bike.bodies[body_front_wheel], 0, lift, 0);
  return true;
}

void righting_push(Bike& bike, double roll, double v2) {
  bool negative_timer = bike.collision_timer < 0;
  double g = roll >= 0 ? -pi / 8 : pi / 8;
  if ((bike.flags & flag_dab_when_stopped) && negative_timer) g *= 3;
  if (std::fabs(roll) < pi / 16) g *= std::fabs(roll) * 16 / pi;
  double rate = frame_roll_rate(bike);
  double p = g > 0 && g > rate ? -400 : g < 0 && g < rate ? 400 : 0;
  if (std::fabs(roll) < pi / 32) p *= std::fabs(roll) * 32 / pi;
  double b = 1.25 * allowed_lean(bike, v2, 32);
  double steer = g >= 0 ? -bike.steer : bike.steer;
  double s = std::clamp(2 * (steer - 0.5), 0.0, 1.0);
  double t = std::clamp((std::fabs(roll) - b) / 0.25, 0.0, 1.0);
  double q = p * (t + (1 - t) * s);
  if (q == 0 || !std::isfinite(q)) return;
  dBodyID frame = bike.bodies[body_frame];
  if (body_axis(frame, 1).y >= 0.707) {
    dBodyAddForceAtRelPos(frame, 0, 0.125 * std::fabs(q), 0, 0, 4, 0);
    dBodyAddRelForceAtRelPos(frame, q, 0, 0, 0, 4, 0);
  } else {
    dBodyAddForceAtRelPos(frame, 0, std::fabs(q), 0, 0, 4, 0);
  }
}

}  // namespace

double dab_speed(const Bike& bike) {
  double d = bike.stability.max_dab_speed;
  return bike.collision_timer <= -512 ? std::max(d, 75.0) : d;
}

void backup_or_hold(Bike& bike, const ControlContext& context) {
  if (bike.back_up > 0 && frame_speed(bike) < 5) {
    back_up(bike, context);
  } else if (bike.flags & flag_dab_when_stopped) {
    hold_when_stopped(bike);
  }
}

void rider_springs(Bike& bike) {
  dBodyID frame = bike.bodies[body_frame];
  dBodyID rider = bike.bodies[body_rider];
  const BikeModel& m = bike.model;
  const RiderSettings& rs = bike.rider;
  Vec3 seat_local = to_vec3(m.rider_pos) - to_vec3(m.frame_pos);
  dVector3 q;
  dBodyGetRelPointPos(frame, seat_local.x, seat_local.y, seat_local.z, q);
  Vec3 r = to_vec(dBodyGetPosition(rider));
  Vec3 d = to_vec(q) - r;
  Vec3 y = body_axis(frame, 1), z = body_axis(frame, 2);
  double dy = dot(d, y), dz = dot(d, z);

  double t = std::clamp(dy * (0.5 + 0.5 * bike.dab) - bike.lean, -0.75, 0.75);
  double e = dz - t;
  double kp, kd;
  if (dz < -0.75 || dz >= 0.75) {
    kp = kd = 2500;
  } else {
    kp = std::fabs(e) * 100 + rs.fore_aft_spring * 600;
    kd = 0;
  }
  soft_spring(bike, rider, frame, r, z, e, kp, kd);

  e = dy + 0.125 - 0.5 * bike.dab;
  if (dy > 0.5 || dy < -0.75) {
    kp = kd = 2500;
  } else {
    kp = rs.vertical_spring * 400;
    kd = rs.vertical_damping * 100;
  }
  soft_spring(bike, rider, frame, r, y, e, kp, kd);

  dJointID mount = bike.joints[joint_rider_mount];
  dJointSetHinge2Param(mount, dParamSuspensionERP, 0);
  dJointSetHinge2Param(mount, dParamSuspensionCFM, 1 / (rs.fore_aft_damping * 30 + 5));
}

void foot_down(Bike& bike, const ControlContext& context) {
  auto raise = [&] {
    bike.foot_down = std::min(1.0f, bike.foot_down + static_cast<float>(8 * step_length));
  };
  if (bike.crash_counter > 0) {
    raise();
    return;
  }
  if (bike.dab == 0) return;
  if (bike.front_contact.depth <= 0) {
    // Airborne front: only a foot that can reach the ground.
    if (!context.terrain) return;
    TerrainHit hit = sphere_terrain_test(context.terrain->field,
                                         to_vec(dBodyGetPosition(bike.bodies[body_rider])),
                                         bike.model.rider_pos.y + 1);
    if (!hit.found) return;
  }
  double v = frame_speed(bike);
  double roll = roll_angle(bike.bodies[body_frame]);
  if (v > dab_speed(bike)) return;
  bool both = bike.front_contact.depth > 0 && bike.rear_contact.depth > 0;
  if (v > 15 && !(both && std::fabs(roll) >= 0.5890486)) return;
  raise();
  if ((bike.flags & flag_arcade) || bike.collision_timer > 0) return;

  // The hook runs the finish test first, so a lapped rider who stops on his
  // foot after the flag is finished there whatever his aids.
  if (v < 5 && std::fabs(roll) > pi / 8 && std::fabs(roll) < 1.0995574 &&
      context.may_turn_when_stopped && context.guide_point && context.may_turn_when_stopped(bike) &&
      (bike.flags & flag_dab_when_stopped) && bike.back_up <= 0.125) {
    double rate = bike.collision_timer < 0 ? pi : pi / 2;
    if (stopped_turn(bike, context.guide_point(bike), rate)) return;
  }
  righting_push(bike, roll, v * v);
}
