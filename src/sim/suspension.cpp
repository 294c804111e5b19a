#include "sim/suspension.h"

#include <algorithm>
#include <cmath>

namespace {

float lerp_range(float lo, float hi, float t) { return lo + (hi - lo) * std::clamp(t, 0.0f, 1.0f); }
float damping_scale(float m) { return std::clamp(m, 0.0f, 2.0f); }

// Air trapped above the oil: it stiffens the fork progressively, without
// bound as the compression nears travel + air gap (the stop comes first).
constexpr double fork_air_constant = 82.46169;

}  // namespace

void set_fork(Bike& bike, float compression, float rebound, float spring, float preload,
              float oil) {
  const BikeModel& m = bike.model;
  SuspensionSettings& s = bike.suspension;
  s.fork_compression = m.fork_compression * damping_scale(compression);
  s.fork_rebound = m.fork_rebound * damping_scale(rebound);
  s.fork_spring = lerp_range(m.fork_spring_min, m.fork_spring_max, spring);
  s.fork_preload = lerp_range(m.fork_preload_min, m.fork_preload_max, preload);
  s.fork_air_gap = lerp_range(m.fork_oil_min, m.fork_oil_max, oil);
}

void set_shock(Bike& bike, float compression, float rebound, float spring, float preload) {
  const BikeModel& m = bike.model;
  SuspensionSettings& s = bike.suspension;
  s.shock_compression = m.shock_compression * damping_scale(compression);
  s.shock_rebound = m.shock_rebound * damping_scale(rebound);
  s.shock_spring = lerp_range(m.shock_spring_min, m.shock_spring_max, spring);
  s.shock_preload = lerp_range(m.shock_preload_min, m.shock_preload_max, preload);
}

float fork_force_display(const BikeModel& m, float t) {
  // Half the lb/ft to kg/mm factor: the model's rate is for both legs.
  return lerp_range(m.fork_spring_min, m.fork_spring_max, t) * 0.000744082f;
}
float fork_preload_display(const BikeModel& m, float t) {
  return lerp_range(m.fork_preload_min, m.fork_preload_max, t) * 304.8f;
}
float fork_oil_display(const BikeModel& m, float t) {
  return lerp_range(m.fork_oil_min, m.fork_oil_max, t) * 304.8f;
}
float shock_spring_display(const BikeModel& m, float t) {
  return lerp_range(m.shock_spring_min, m.shock_spring_max, t) * 0.00148816f;
}
float shock_preload_display(const BikeModel& m, float t) {
  return lerp_range(m.shock_preload_min, m.shock_preload_max, t) * 304.8f;
}

double fork_force(const Bike& bike) {
  const SuspensionSettings& s = bike.suspension;
  double travel = bike.model.fork_travel;
  dJointID slide = bike.joints[joint_fork_slide];
  double x = dJointGetSliderPosition(slide);
  double v = dJointGetSliderPositionRate(slide);
  double damping = v * (v >= 0 ? s.fork_rebound : s.fork_compression);
  double g = std::clamp(-x, 0.0, travel);
  double room = travel + s.fork_air_gap;
  double air = fork_air_constant * (room / std::max(room - g, 1e-6) - 1);
  // Fades in over the first 1/32 of the travel: no force at full extension.
  return ((s.fork_preload - x) * s.fork_spring - damping + air) *
         std::clamp(-x * 32 / travel, 0.0, 1.0);
}

double shock_torque(const Bike& bike) {
  const BikeModel& m = bike.model;
  const SuspensionSettings& s = bike.suspension;
  dJointID pivot = bike.joints[joint_swingarm_pivot];
  double theta = dJointGetHingeAngle(pivot);
  double omega = dJointGetHingeAngleRate(pivot);
  double travel = m.swingarm_travel;
  double ext = m.shock_ratio_extended, comp = m.shock_ratio_compressed;
  double a = -theta / travel;
  double ratio = ext + (comp - ext) * a / travel;
  double compression = ext * a + (comp - ext) * a * a / (2 * travel);
  double damping = -omega * (omega >= 0 ? s.shock_rebound : s.shock_compression);
  return (ratio * (compression + s.shock_preload) * s.shock_spring + ratio * ratio * damping) *
         std::clamp(theta * 32 / -travel, 0.0, 1.0);
}

void suspension_step(Bike& bike) {
  double f = fork_force(bike);
  dJointSetSliderParam(bike.joints[joint_fork_slide], dParamVel, f >= 0 ? 1000 : -1000);
  dJointSetSliderParam(bike.joints[joint_fork_slide], dParamFMax, std::fabs(f));
  double t = shock_torque(bike);
  dJointSetHingeParam(bike.joints[joint_swingarm_pivot], dParamVel, t >= 0 ? 1000 : -1000);
  dJointSetHingeParam(bike.joints[joint_swingarm_pivot], dParamFMax, std::fabs(t));
}
