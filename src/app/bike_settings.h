#pragma once
// The user's settings as the simulation takes them: the bike set-up
// (sprockets, brakes, automatic clutch and shifting, suspension) and the
// rider aids. Race set-up applies both to the local rider's bike with
// apply_bike_setup and apply_rider_aids.

#include "app/settings.h"
#include "sim/bike.h"
#include "sim/rider_setup.h"

inline BikeSetup bike_setup_from(const Settings& s) {
  auto f = [](const NumberSetting& n) { return static_cast<float>(n.value); };
  BikeSetup b;
  b.front_sprocket_change = static_cast<int>(s.front_sprocket_adjustment.value);
  b.rear_sprocket_change = static_cast<int>(s.rear_sprocket_adjustment.value);
  b.front_brake_torque = f(s.brake_torque);
  b.rear_brake_torque = f(s.rear_brake_torque);
  b.auto_clutch_rpm = f(s.auto_clutch_rpms);
  b.front_antilock = s.front_brake.current == 1;
  b.rear_antilock = s.rear_brake.current == 1;
  b.auto_shift = s.auto_shift.current == 1;
  b.stop_wheelies = s.stop_wheelies.current;
  b.fork_compression = f(s.fork_compression_adjustment);
  b.fork_rebound = f(s.fork_rebound_adjustment);
  b.fork_spring = f(s.fork_spring_rate_adjustment);
  b.fork_preload = f(s.fork_preload_adjustment);
  b.fork_oil = f(s.fork_oil_level_adjustment);
  b.shock_compression = f(s.shock_compression_adjustment);
  b.shock_rebound = f(s.shock_rebound_adjustment);
  b.shock_spring = f(s.shock_spring_rate_adjustment);
  b.shock_preload = f(s.shock_preload_adjustment);
  return b;
}

// `arcade_allowed` is false when the server forbids arcade physics.
inline RiderAidSetup rider_aids_from(const Settings& s, bool arcade_allowed = true) {
  auto f = [](const NumberSetting& n) { return static_cast<float>(n.value); };
  RiderAidSetup a;
  a.roll_damping = f(s.roll_damping);
  a.leveling = f(s.leveling);
  a.roll_limit_factor = f(s.roll_limit_factor);
  a.roll_limit_angle = f(s.roll_limit_angle);
  a.steering_damping = f(s.steering_damping);
  a.steering_strength = f(s.steering_strength);
  a.max_steering_force = f(s.max_steering_force);
  a.direct_steering = f(s.direct_steering);
  a.slow_damping_speed = f(s.slow_damping_speed);
  a.slow_damping_factor = f(s.slow_damping_factor);
  a.landing_damping_falloff = f(s.land_damping_falloff);
  a.landing_damping_factor = f(s.land_damping_factor);
  a.max_dab_speed_mph = f(s.max_dab_speed);
  a.dab_when_stopped = s.auto_dab.current == 1;
  a.arcade = arcade_allowed && s.arcade.current == 1;
  a.rider_vertical_spring = f(s.rider_yspring);
  a.rider_vertical_damping = f(s.rider_ydamping);
  a.rider_forward_spring = f(s.rider_zspring);
  a.rider_forward_damping = f(s.rider_zdamping);
  a.rider_mass_distribution = f(s.rider_mass_distribution);
  return a;
}
