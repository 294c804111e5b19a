#pragma once
// Small conversions between ODE bodies and the simulation's Vec3, shared by
// the contact, steering, rider-aid and crash steps.

#include <ode/ode.h>

#include "base/vec3.h"
#include "sim/bike.h"

// A vector ODE returns (position, velocity, ...) as a Vec3.
inline Vec3 to_vec(const dReal* v) { return {v[0], v[1], v[2]}; }

// Body axis k (0 x, 1 y, 2 z) in world coordinates: column k of its rotation.
inline Vec3 body_axis(dBodyID body, int k) {
  const dReal* R = dBodyGetRotation(body);
  return {R[k], R[4 + k], R[8 + k]};
}

// The frame's angular velocity about its own rearward (z) axis: the rate at
// which the roll angle grows, radians per second.
inline double frame_roll_rate(const Bike& bike) {
  dVector3 w;
  const dReal* a = dBodyGetAngularVel(bike.bodies[body_frame]);
  dBodyVectorFromWorld(bike.bodies[body_frame], a[0], a[1], a[2], w);
  return w[2];
}
