#pragma once
// Small conversions between ODE bodies and the simulation's Vec3, shared by
// the contact, steering, rider-aid and crash steps.

#include <ode/ode.h>

#include "base/vec3.h"
#include "sim/bike.h"

// A vector ODE returns (position, velocity, ...) as a Vec3.
inline Vec3 to_vec(const dReal* v) { return {v[0], v[1], v[2]}; }

// A contact record with only its geometry set: at `point`, pushing the
// second body along `normal`, `depth` feet deep. Surface left zeroed.
inline dContact contact_at(Vec3 point, Vec3 normal, double depth) {
  dContact c{};
  c.geom.pos[0] = point.x;
  c.geom.pos[1] = point.y;
  c.geom.pos[2] = point.z;
  c.geom.normal[0] = normal.x;
  c.geom.normal[1] = normal.y;
  c.geom.normal[2] = normal.z;
  c.geom.depth = depth;
  return c;
}

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
