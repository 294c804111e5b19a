#pragma once
// Fork and shock. Neither joint has a spring of its own: every step the
// bike's control step computes a spring-damper force for the fork slider and
// a torque for the swingarm pivot from the joint's position and rate, and
// drives the joint's motor to deliver it.

#include "sim/bike.h"

// The five fork values: compression and rebound as multipliers of the
// model's damping (percent / 100 + 0.5, clamped to 0..2); spring, preload
// and oil (air gap) as fractions of the model's ranges (clamped to 0..1).
void set_fork(Bike& bike, float compression, float rebound, float spring, float preload, float oil);

// The four shock values, the same way.
void set_shock(Bike& bike, float compression, float rebound, float spring, float preload);

// Values shown to the user for a fraction t of the range: fork spring in
// kg/mm per leg, fork preload and oil level in mm, shock spring in kg/mm,
// shock preload in mm.
float fork_force_display(const BikeModel& model, float t);
float fork_preload_display(const BikeModel& model, float t);
float fork_oil_display(const BikeModel& model, float t);
float shock_spring_display(const BikeModel& model, float t);
float shock_preload_display(const BikeModel& model, float t);

// The fork force (lb, positive extends) and shock torque (ft lb, positive
// extends) for the joints' current positions and rates.
double fork_force(const Bike& bike);
double shock_torque(const Bike& bike);

// Drives the fork slider's and swingarm pivot's motors with them. Runs every
// step for every locally simulated bike, crashed or not.
void suspension_step(Bike& bike);
