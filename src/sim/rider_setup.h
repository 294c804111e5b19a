#pragma once
// The user's rider-aid and rider settings applied to a bike when a race is
// set up. The configuration fills a RiderAidSetup in the settings' own units
// (as shown in the options); the simulation does not read configuration.

#include "sim/bike.h"

struct RiderAidSetup {
  float roll_damping = 60;                // "Roll Damping", 0..100
  float leveling = 20;                    // "Leveling", 0..100
  float roll_limit_factor = 10;           // "Roll Limit Factor", 0..64
  float roll_limit_angle = 45;            // "Roll Limit Angle", degrees 0..180
  float steering_damping = 45;            // "Steering Damping"
  float steering_strength = 75;           // "Steering Strength", 0..100
  float max_steering_force = 400;         // "Max Steering Force"
  float direct_steering = 1;              // "Direct Steering", 0..1
  float slow_damping_speed = 40;          // "Slow Damping Speed", ft/s
  float slow_damping_factor = 2;          // "Slow Damping Factor"
  float landing_damping_falloff = 0.25f;  // "Landing Damping Falloff", s
  float landing_damping_factor = 2;       // "Landing Damping Factor"
  float max_dab_speed_mph = 20;           // "Max Dab Speed (MPH)", 10..20
  bool dab_when_stopped = true;           // "Dab When Stopped"
  bool arcade = false;                    // "Arcade Physics" (off when the server forbids it)
  // "Rider Vertical Spring", "Rider Vertical Damping", "Rider Forward
  // Spring", "Rider Forward Damping", percent.
  float rider_vertical_spring = 50, rider_vertical_damping = 50;
  float rider_forward_spring = 50, rider_forward_damping = 50;
  float rider_mass_distribution = 1.0f / 3;  // 0.33..0.5
};

// Sets every stability value with its clamp: roll damping and leveling
// 0..200, roll limit factor 0..64, roll limit angle 0..pi, steering damping
// 0..100, strength 0..200, max steering force 0..1000, direct steering 0..1,
// slow damping speed 0..100 ft/s and factor 1..10, landing damping falloff
// 0..1 s and factor 1..3, max dab speed 16..30 ft/s. The brake and clutch
// values are left as they are (drivetrain setters own them). NaN counts as
// the low end.
void set_stability(Bike& bike, const StabilitySettings& values);

// Sets the rider's seat springs (each 0..1) and mass distribution.
void set_rider_settings(Bike& bike, const RiderSettings& values);

// Applies the user's aids and rider settings: converts units, clamps, sets
// the dab-when-stopped and arcade flags.
void apply_rider_aids(Bike& bike, const RiderAidSetup& setup);
