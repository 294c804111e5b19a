#include "sim/drivetrain.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

constexpr double pi = std::numbers::pi;

// Angle brought into -pi..pi by whole turns. Non-finite input gives 0, so a
// bad value cannot stay in the drivetrain for ever.
double wrap_angle(double a) {
  if (!std::isfinite(a)) return 0;
  return a - 2 * pi * std::floor((a + pi) / (2 * pi));
}

// Steps a gear index down past gears the model lacks (ratio <= 0).
int existing_gear(const BikeModel& m, int gear) {
  gear = std::clamp(gear, 0, gear_count - 1);
  while (gear > 0 && m.gear_ratio[gear] <= 0) --gear;
  return gear;
}

bool touching(const WheelContact& c) { return c.depth > 0; }

// The tyre touches and its contact point slides faster than 2 ft/s.
bool sliding(const WheelContact& c) {
  return touching(c) && dot(c.point_velocity, c.point_velocity) > 4;
}

void set_brake_motor(dJointID axle, double torque) {
  dJointSetHingeParam(axle, dParamVel, 0);
  dJointSetHingeParam(axle, dParamFMax, torque);
}

}  // namespace

void set_throttle(Bike& bike, float value) {
  bike.throttle = bike.crash_counter > 0 ? 0 : std::clamp(value, 0.0f, 1.0f);
}
void set_front_brake(Bike& bike, float value) { bike.front_brake = std::clamp(value, 0.0f, 1.0f); }
void set_rear_brake(Bike& bike, float value) { bike.rear_brake = std::clamp(value, 0.0f, 1.0f); }
void set_clutch(Bike& bike, float value) { bike.clutch = std::clamp(value, 0.0f, 1.0f); }

void shift(Bike& bike, int input) {
  if (bike.crash_counter > 0 || input == bike.last_shift || input < -1 || input > 1) return;
  bike.last_shift = input;
  if (input != 0) bike.gear = existing_gear(bike.model, bike.gear + input);
}

void set_sprockets(Bike& bike, int front_change, int rear_change) {
  front_change = std::clamp(front_change, -2, 2);
  rear_change = std::clamp(rear_change, -2, 2);
  bike.final_ratio = std::max(bike.model.rear_sprocket + rear_change, 3.0f) /
                     std::max(bike.model.front_sprocket + front_change, 3.0f);
}

void set_brake_torques(Bike& bike, float front, float rear) {
  bike.stability.front_brake_torque = std::clamp(front, 0.0f, 500.0f);
  bike.stability.rear_brake_torque = std::clamp(rear, 0.0f, 500.0f);
}

void set_auto_clutch_rpm(Bike& bike, float rpm) {
  bike.stability.auto_clutch_rpm = std::clamp(rpm, 0.0f, 5000.0f);
}

float total_ratio(const Bike& bike) {
  return bike.model.primary_ratio * bike.model.gear_ratio[bike.gear] * bike.final_ratio;
}

float engine_torque(const Bike& bike) {
  const BikeModel& m = bike.model;
  float x = std::clamp(static_cast<float>(bike.engine_speed * rpm_per_rad_s * 0.002), 0.0f,
                       static_cast<float>(torque_points - 1));
  int i = static_cast<int>(x);
  float f = x - static_cast<float>(i);
  int j = std::min(i + 1, torque_points - 1);
  float closed = m.torque_closed[i] + (m.torque_closed[j] - m.torque_closed[i]) * f;
  float open = m.torque_open[i] + (m.torque_open[j] - m.torque_open[i]) * f;
  float torque = closed + (open - closed) * bike.throttle;

  if ((bike.flags & flag_stop_wheelies_rear) && torque > 0 && !touching(bike.front_contact) &&
      touching(bike.rear_contact)) {
    dVector3 spin;
    const dReal* w = dBodyGetAngularVel(bike.bodies[body_frame]);
    dBodyVectorFromWorld(bike.bodies[body_frame], w[0], w[1], w[2], spin);
    // Cut the drive only while the nose is not already coming down.
    if (spin[0] > -1.0 / 32) torque = 0;
  }
  return torque;
}

void drivetrain_step(Bike& bike, int tick) {
  const BikeModel& m = bike.model;
  dJointID rear_axle = bike.joints[joint_rear_axle];
  double wheel_rate = dJointGetHingeAngleRate(rear_axle);

  if ((bike.flags & flag_auto_shift) &&
      dJointGetHingeAngle(bike.joints[joint_swingarm_pivot]) < -0.01 && tick % 32 == 0 &&
      !sliding(bike.rear_contact)) {
    double rpm = total_ratio(bike) * wheel_rate * rpm_per_rad_s;
    if (rpm < m.shift_down_rpm)
      bike.gear = existing_gear(m, bike.gear - 1);
    else if (rpm > m.shift_up_rpm)
      bike.gear = existing_gear(m, bike.gear + 1);
  }

  double ratio = total_ratio(bike);
  double torque = engine_torque(bike);
  double phi = dJointGetHingeAngle(rear_axle);
  double windup = wrap_angle(bike.drivetrain_angle - phi);

  double rpm = bike.engine_speed * rpm_per_rad_s;
  double auto_rpm = bike.stability.auto_clutch_rpm;
  double clutch = bike.clutch;
  if (rpm <= auto_rpm + 2000)
    clutch = std::min(std::clamp((rpm - auto_rpm) / 2000, 0.0, 1.0), clutch);

  double damping =
      std::clamp((bike.engine_speed - ratio * wheel_rate) * m.clutch_damping, -500.0, 500.0);
  double spring = m.clutch_stiffness * windup + damping;
  // The automatic clutch never opens against engine braking.
  if (spring < 0) clutch = bike.clutch;
  spring = std::clamp(spring, -1e6, 1e6);

  double slip = clutch * pi / 4;
  double drive_angle = bike.drivetrain_angle;
  if (windup > slip) drive_angle = phi + slip;
  if (windup < -slip) drive_angle = phi - slip;

  double transmitted = clutch * clutch * spring;
  dBodyAddRelTorque(bike.bodies[body_rear_wheel], -transmitted, 0, 0);
  dBodyAddRelTorque(bike.bodies[body_frame], transmitted, 0, 0);

  double speed =
      bike.engine_speed + step_length * (torque - transmitted / ratio) / bike.engine_inertia;
  bike.engine_speed = std::isfinite(speed) ? static_cast<float>(speed) : 0.0f;
  bike.drivetrain_angle =
      static_cast<float>(wrap_angle(drive_angle + step_length * bike.engine_speed / ratio));

  double front = bike.stability.front_brake_torque * bike.front_brake;
  if ((bike.flags & flag_front_antilock) && sliding(bike.front_contact)) front = 0;
  if ((bike.flags & flag_stop_wheelies_front) && touching(bike.front_contact) &&
      !touching(bike.rear_contact))
    front = 0;
  set_brake_motor(bike.joints[joint_front_axle], front);

  double rear = bike.stability.rear_brake_torque * bike.rear_brake;
  if ((bike.flags & flag_rear_antilock) && sliding(bike.rear_contact)) rear = 0;
  set_brake_motor(rear_axle, rear);
}
