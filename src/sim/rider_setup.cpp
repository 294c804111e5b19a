#include "sim/rider_setup.h"

#include <algorithm>
#include <cmath>

#include "sim/assembly.h"

namespace {

constexpr float pi = 3.14159265f;

// Like std::clamp, with NaN sent to the low end so no setting goes NaN.
float limit(float v, float lo, float hi) { return std::isnan(v) ? lo : std::clamp(v, lo, hi); }

}  // namespace

void set_stability(Bike& bike, const StabilitySettings& v) {
  StabilitySettings& s = bike.stability;
  s.roll_damping = limit(v.roll_damping, 0, 200);
  s.leveling = limit(v.leveling, 0, 200);
  s.roll_limit_factor = limit(v.roll_limit_factor, 0, 64);
  s.roll_limit_angle = limit(v.roll_limit_angle, 0, pi);
  s.steering_damping = limit(v.steering_damping, 0, 100);
  s.steering_strength = limit(v.steering_strength, 0, 200);
  s.max_steering_force = limit(v.max_steering_force, 0, 1000);
  s.direct_steering = limit(v.direct_steering, 0, 1);
  s.slow_damping_speed = limit(v.slow_damping_speed, 0, 100);
  s.slow_damping_factor = limit(v.slow_damping_factor, 1, 10);
  s.landing_damping_falloff = limit(v.landing_damping_falloff, 0, 1);
  s.landing_damping_factor = limit(v.landing_damping_factor, 1, 3);
  s.max_dab_speed = limit(v.max_dab_speed, 16, 30);
}

void set_rider_settings(Bike& bike, const RiderSettings& v) {
  RiderSettings& r = bike.rider;
  r.vertical_spring = limit(v.vertical_spring, 0, 1);
  r.vertical_damping = limit(v.vertical_damping, 0, 1);
  r.fore_aft_spring = limit(v.fore_aft_spring, 0, 1);
  r.fore_aft_damping = limit(v.fore_aft_damping, 0, 1);
  set_rider_mass_distribution(bike, limit(v.mass_distribution, 0.33f, 0.5f));
  bike.total_mass = bike_mass(bike);
}

void apply_rider_aids(Bike& bike, const RiderAidSetup& a) {
  StabilitySettings s = bike.stability;
  s.roll_damping = a.roll_damping;
  s.leveling = a.leveling;
  s.roll_limit_factor = a.roll_limit_factor;
  s.roll_limit_angle = a.roll_limit_angle * pi / 180;
  s.steering_damping = a.steering_damping;
  s.steering_strength = a.steering_strength;
  s.max_steering_force = a.max_steering_force;
  s.direct_steering = a.direct_steering;
  s.slow_damping_speed = a.slow_damping_speed;
  s.slow_damping_factor = a.slow_damping_factor;
  s.landing_damping_falloff = a.landing_damping_falloff;
  s.landing_damping_factor = a.landing_damping_factor;
  s.max_dab_speed = limit(a.max_dab_speed_mph * 1.4666667f, 16, 30);
  set_stability(bike, s);
  bike.flags &= ~(flag_dab_when_stopped | flag_arcade);
  if (a.dab_when_stopped) bike.flags |= flag_dab_when_stopped;
  if (a.arcade) bike.flags |= flag_arcade;
  set_rider_settings(bike, {a.rider_vertical_spring / 100, a.rider_vertical_damping / 100,
                            a.rider_forward_spring / 100, a.rider_forward_damping / 100,
                            a.rider_mass_distribution});
}
