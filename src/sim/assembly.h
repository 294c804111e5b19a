#pragma once
// The rigid-body assembly of one bike and rider: seven bodies held by six
// joints, and the operations that place, move, turn, freeze and thaw the
// whole bike.

#include "base/vec3.h"
#include "sim/bike.h"

struct HeightField;

// Creates the seven bodies (frame, front wheel, rear wheel, upper fork,
// lower fork, swingarm, rider) at their model positions with identity
// rotation, their masses, and the six joints (front axle, rear axle,
// steering head, fork slide, swingarm pivot, rider mount) with their stops
// and feedback records. Uses bike.world, bike.model and the rider mass
// distribution in bike.rider. Called once by create_bike.
void build_bike(Bike& bike);

// Destroys the joints and bodies made by build_bike.
void unbuild_bike(Bike& bike);

// Puts every body back at its model position with identity rotation and no
// velocity, re-attaches the rider mount, zeroes the controls, drivetrain,
// crash and contact state and the joint feedback, and records the body
// positions as the start positions.
void reset_bike(Bike& bike);

// Adds the offset (ft) to every body's position.
void move_bike(Bike& bike, Vec3 offset);

// Sets every body's rotation to the turn by `angle` (rad) about `axis` and
// turns every body's position by it about the world origin.
void turn_bike(Bike& bike, Vec3 axis, double angle);

// Attaches the rider mount to the rider and the frame where they stand now,
// with its anchor 50 ft ahead of the frame at seat height; or releases it
// (the crashed rider is a free body).
void attach_rider_mount(Bike& bike);
void detach_rider_mount(Bike& bike);

// dBodyDisable / dBodyEnable on all seven bodies.
void disable_bike(Bike& bike);
void enable_bike(Bike& bike);

// Sets the rider's share of his mass (clamped to 0.33..0.5): the rider body
// carries d x rider_mass, the frame the rest on top of its own mass.
void set_rider_mass_distribution(Bike& bike, float d);

// For bikes driven by received states: save every body's velocities before
// the world step and put them back after it, so contacts do not change them.
void hold_velocities(Bike& bike);
void restore_velocities(Bike& bike);

// For a bike driven by states when no new state came: every body goes to its
// position of the last state advanced by the frame's velocity over `ticks`
// (at most 64) steps, lifted so the rear wheel's lowest point stays above
// the ground.
void coast_bike(Bike& bike, int ticks, const HeightField& field);

// Clears the force and torque accumulators of all seven bodies.
void clear_bike_forces(Bike& bike);

// Sum of the seven bodies' masses, slugs.
double bike_mass(const Bike& bike);
