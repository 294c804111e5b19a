#include "sim/steering.h"

#include "sim/body_math.h"

#include <algorithm>
#include <cmath>

#include "sim/world.h"

namespace {

constexpr double pi = 3.14159265358979323846;

double speed(dBodyID body) { return length(to_vec(dBodyGetLinearVel(body))); }

// Moves v toward 0 by `band`, not past it.
double dead_band(double v, double band) { return v > band ? v - band : v < -band ? v + band : 0; }

// A one-axis angular motor for this step only, between `body` and the world.
void rate_motor(Bike& bike, dBodyID body, int rel, Vec3 axis, double rate, double max_torque) {
  dJointID m = dJointCreateAMotor(bike.world->world, bike.world->contacts);
  dJointAttach(m, body, nullptr);
  dJointSetAMotorNumAxes(m, 1);
  dJointSetAMotorAxis(m, 0, rel, axis.x, axis.y, axis.z);
  dJointSetAMotorParam(m, dParamVel, rate);
  dJointSetAMotorParam(m, dParamFMax, max_torque);
}

double arcade_steering(Bike& bike, double roll) {
  const StabilitySettings& s = bike.stability;
  dBodyID frame = bike.bodies[body_frame];
  double e = roll + pi / 4 * bike.steer;
  double l = std::clamp((s.roll_damping - 40) * 0.025, 0.0, 1.0);
  double rate = (1.5 - 0.5 * l) * std::min(std::fabs(e), 1.0 / 16) * 16;
  // About the forward axis a positive rate lowers the roll angle.
  rate_motor(bike, frame, 1, {0, 0, -1}, e >= 0 ? rate : -rate, 1000);

  double heading = front_wheel_heading(bike);
  double torque = s.steering_strength * steer_controller(bike, heading - bike.steer / 2);
  steering_torque_apply(bike, torque);

  // A drag far behind the frame turns the bike into its direction of travel.
  dVector3 p, v;
  dBodyGetRelPointPos(frame, 0, 0, 20, p);
  dBodyGetRelPointVel(frame, 0, 0, 20, v);
  dBodyAddForceAtPos(frame, -0.25 * v[0], -0.25 * v[1], -0.25 * v[2], p[0], p[1], p[2]);
  return torque;
}

// The countersteering controller's share: a steering strength multiple that
// drives the roll rate toward the lean the steer input asks for.
double countersteer(const Bike& bike, double v2, double roll, double rate) {
  double a = allowed_lean(bike, v2, 4);
  double target = (-a * bike.steer - roll) * 2.5;
  bool toward_upright = (target < 0) != (roll < 0);
  double limit = toward_upright ? 9.817477 : 3.926991;
  target = std::clamp(target, -limit, limit);
  double dr = std::clamp(target - rate, -0.125, 0.125);
  return std::clamp((rate - (target - dr)) * 4, -1.0, 1.0);
}

double normal_steering(Bike& bike, double roll) {
  const StabilitySettings& s = bike.stability;
  double p = s.steering_strength * bike.steer * s.direct_steering;
  double stability;
  double head = dJointGetHingeAngle(bike.joints[joint_steering_head]);
  double axle_rate = dJointGetHingeAngleRate(bike.joints[joint_front_axle]);
  if (bike.front_contact.depth <= 0 || std::fabs(axle_rate) < pi / 4) {
    // In the air the fork centres itself and the landing damping is armed.
    bike.landing_factor = s.landing_damping_factor;
    stability = -50 * head;
    if (!(bike.flags & flag_direct_steer_airborne)) p = 0;
  } else {
    double rate = frame_roll_rate(bike);
    double k = rate * s.roll_damping * bike.landing_factor;
    if (bike.landing_factor > 1) {
      bike.landing_factor =
          s.landing_damping_falloff > 0
              ? std::max(1.0, bike.landing_factor - (s.landing_damping_factor - 1) * step_length /
                                                        s.landing_damping_falloff)
              : 1;
    }
    double v = speed(bike.bodies[body_frame]);
    double level = s.leveling * roll;
    if (v < s.slow_damping_speed) {
      double m = s.slow_damping_factor +
                 (1 - s.slow_damping_factor) * std::clamp(v / s.slow_damping_speed, 0.0, 1.0);
      level *= m;
      k *= m;
    }
    bool same_sign = (rate < 0) == (roll < 0);
    if (same_sign && std::fabs(roll) > s.roll_limit_angle)
      k *= (std::fabs(roll) - s.roll_limit_angle) * s.roll_limit_factor + 1;
    stability = k + level;
    if (s.direct_steering < 1) {
      double c = countersteer(bike, v * v, roll, rate);
      p = (p - s.steering_strength * c) * s.direct_steering + s.steering_strength * c;
    }
  }
  // A bike that rammed another loses its stability help for a while.
  double timer = bike.collision_timer;
  if (timer > 192) {
    stability *= -std::clamp((timer - 192) / 64, 0.0, 1.0);
  } else if (timer > 0) {
    double limit = 200 * std::clamp((192 - timer) / 192, 0.0, 1.0);
    stability = std::clamp(stability, -limit, limit);
  }
  double torque = std::clamp((stability + p) * 1.5, -double(s.max_steering_force),
                             double(s.max_steering_force));
  if (!std::isfinite(torque)) torque = 0;
  steering_torque_apply(bike, torque);
  return torque;
}

}  // namespace

double roll_angle(dBodyID body) {
  if (!body) return 0;
  Vec3 up = body_axis(body, 1);
  Vec3 z = body_axis(body, 2);
  double horizontal = std::hypot(z.x, z.z);
  if (!(horizontal > 0)) return 0;
  // Forward is -z: h = (-fz, 0, fx) / |(fx, fz)| = (z.z, 0, -z.x) / ...
  Vec3 h{z.z / horizontal, 0, -z.x / horizontal};
  return std::acos(std::clamp(dot(up, h), -1.0, 1.0)) - pi / 2;
}

void velocity_hold(dBodyID body, Vec3 target, double force) {
  Vec3 d = to_vec(dBodyGetLinearVel(body)) - target;
  double d2 = dot(d, d);
  if (!(d2 >= 1.0 / 16)) return;
  double n = std::sqrt(d2);
  double k = std::clamp((n - 0.25) * 0.8, 0.0, 1.0);
  Vec3 f = d * (-k * force / n);
  dBodyAddForce(body, f.x, 0, f.z);
}

void steering_torque_apply(Bike& bike, double torque) {
  const BikeModel& m = bike.model;
  Vec3 axis = to_vec3(m.steer_pos) - to_vec3(m.fork_lower_pos);
  double n = length(axis);
  if (!(n > 0) || !std::isfinite(torque)) return;
  dVector3 a;
  dBodyVectorToWorld(bike.bodies[body_frame], axis.x / n, axis.y / n, axis.z / n, a);
  dBodyAddTorque(bike.bodies[body_front_wheel], torque * a[0], torque * a[1], torque * a[2]);
  dBodyAddTorque(bike.bodies[body_frame], -torque * a[0], -torque * a[1], -torque * a[2]);
}

double front_wheel_heading(const Bike& bike) {
  const dReal* wv = dBodyGetLinearVel(bike.bodies[body_front_wheel]);
  if (length(to_vec(wv)) < 1) return 0;
  dVector3 v;
  dBodyVectorFromWorld(bike.bodies[body_fork_upper], wv[0], wv[1], wv[2], v);
  Vec3 a = to_vec3(bike.model.steer_pos) - to_vec3(bike.model.fork_lower_pos);
  double n = length(a);
  if (n > 0) a = a / n;
  double u = -v[1] * a.z + v[2] * a.y;
  return -std::atan2(v[0], -u);
}

double steer_controller(const Bike& bike, double target) {
  double theta = dJointGetHingeAngle(bike.joints[joint_steering_head]);
  double omega = dJointGetHingeAngleRate(bike.joints[joint_steering_head]);
  double e = dead_band(std::clamp(target - theta, -0.25, 0.25), 1.0 / 32);
  double u = dead_band(8 * e - omega, 1.0 / 2400);
  return std::clamp(u / 2, -2.0 / 3, 2.0 / 3);
}

double allowed_lean(const Bike& bike, double v2, int power) {
  double limit = bike.stability.roll_limit_angle;
  double d2 = double(bike.stability.max_dab_speed) * bike.stability.max_dab_speed;
  if (!(v2 > 0)) return 0;
  if (v2 <= 15 * 15) return limit * (1 - std::pow(1 - std::clamp(v2 / d2, 0.0, 1.0), power));
  if (v2 < d2) return limit + (2 * pi - limit) * (v2 - 225) / (d2 - 225);
  return 2 * pi;
}

double steering_step(Bike& bike) {
  double roll = roll_angle(bike.bodies[body_frame]);
  if (bike.flags & flag_arcade) return arcade_steering(bike, roll);
  if (bike.crash_counter > 0) return 0;
  return normal_steering(bike, roll);
}
