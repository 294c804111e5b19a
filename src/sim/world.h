#pragma once
// The rigid-body world that all bikes and riders of a session live in, and
// its one contact group.
//
// Lifetime: one world per program run, made at start-up and destroyed at
// exit (tests and tools may make and destroy several in turn). Every contact
// and temporary motor joint of a step goes into `contacts`, which
// `step_world` empties right after the step. Main thread only.

#include <ode/ode.h>

// The fixed simulation step, seconds.
constexpr double step_length = 1.0 / 128;

// Gravity along y, ft/s^2.
constexpr double gravity_y = -32;

struct PhysicsWorld {
  dWorldID world = nullptr;
  dJointGroupID contacts = nullptr;
};

// Creates the world (gravity (0, -32, 0); ERP and CFM left at ODE's
// defaults) and its contact group. Initialises ODE on first use.
void create_world(PhysicsWorld& world);

// Destroys the contact group and the world. Bodies still in the world go
// with it; destroy the bikes first. Safe on a world never created.
void destroy_world(PhysicsWorld& world);

// One exact step (dWorldStep) of step_length, then empties the contact group.
void step_world(PhysicsWorld& world);

// Soft constraint parameters for the step length: a spring kp (lb/ft) and
// damper kd (lb per ft/s) turned into ODE's ERP and CFM.
constexpr double soft_erp(double kp, double kd) {
  return step_length * kp / (step_length * kp + kd);
}
constexpr double soft_cfm(double kp, double kd) { return 1 / (step_length * kp + kd); }

// Fills a contact's surface with soft ERP and CFM from kp and kd; `mode`
// gets dContactSoftERP | dContactSoftCFM added to whatever else it holds.
void set_soft_contact(dSurfaceParameters& surface, double kp, double kd);
