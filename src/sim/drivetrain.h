#pragma once
// Engine, clutch, gearbox and brakes of one locally simulated bike.
//
// The crank has one rotating degree of freedom of its own, outside the
// rigid-body world: engine_speed (rad/s) is integrated here every step. The
// crank drives the rear wheel through one torsion spring with damper (primary
// drive, gearbox and chain together) whose strength the clutch scales and
// which slips beyond a quarter turn of windup; its reaction acts on the
// frame, which is what lifts the front wheel. Brakes are the axle hinges'
// motors.

#include "sim/bike.h"

// Engine rpm per rad/s.
constexpr double rpm_per_rad_s = 9.549296;

// Control setters, each clamped to 0..1. The throttle reads 0 while the
// rider is crashed.
void set_throttle(Bike& bike, float value);
void set_front_brake(Bike& bike, float value);
void set_rear_brake(Bike& bike, float value);
void set_clutch(Bike& bike, float value);

// Edge-triggered gear change: -1 down, +1 up, 0 released. Ignored while
// crashed, when equal to the last input or outside -1..1; gears whose ratio
// is <= 0 are skipped downwards, so a five-speed stays in fifth.
void shift(Bike& bike, int input);

// Final ratio = max(rear teeth + rear change, 3) / max(front teeth + front
// change, 3); changes are whole teeth, clamped to -2..2.
void set_sprockets(Bike& bike, int front_change, int rear_change);

// Brake torques at full lever, ft lb, each clamped to 0..500.
void set_brake_torques(Bike& bike, float front, float rear);

// Engine rpm below which the automatic clutch is fully out; it is fully in
// 2000 rpm above. Clamped to 0..5000.
void set_auto_clutch_rpm(Bike& bike, float rpm);

// Total ratio from crank to rear wheel in the current gear.
float total_ratio(const Bike& bike);

// Engine torque (ft lb) at the current speed and throttle, with the
// stop-wheelies cut: a positive torque becomes 0 while only the rear tyre
// touches and the nose is not dropping (flag_stop_wheelies_rear).
float engine_torque(const Bike& bike);

// The per-step work: automatic shifting (on ticks that are multiples of 32),
// the drivetrain spring and clutch, drive torque on rear wheel and frame,
// the engine speed, and the brake motors with antilock and stop-wheelies.
// `tick` is the game's tick counter.
void drivetrain_step(Bike& bike, int tick);
