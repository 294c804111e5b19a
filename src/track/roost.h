#pragma once
// The roost emitter: once per step for each wheel, turns a tyre's ground
// contact into particles of the surface's roost types. Random numbers come
// from the program's one generator (base/random.h), so a session replays
// the same roost from the same seed.

#include "base/vec3.h"
#include "track/particles.h"
#include "track/surfaces.h"

// What the emitter needs of a wheel, in world coordinates. The bike
// simulation fills it from its WheelContact and wheel body.
struct RoostWheel {
  Vec3 point;             // deepest contact point
  Vec3 normal;            // contact normal, unit, out of the ground
  double depth = 0;       // penetration; <= 0 means no contact, nothing emitted
  Vec3 point_velocity;    // the wheel body's velocity at the contact point (slip velocity)
  Vec3 body_velocity;     // the wheel body's linear velocity
  Vec3 angular_velocity;  // the wheel body's angular velocity, rad/s
  Vec3 centre;            // wheel centre
  Vec3 axle;              // the wheel body's x axis, unit
};

// Particles allowed per wheel this step for the roost density setting D
// (0..1000): D / 100, plus one with chance (D mod 100) / 100.
int roost_budget(int density);

// Emits the particles of `surface`'s roost types for one wheel into `pool`.
// `budget` caps each type's particle count, `angle_limit` caps the dirt
// spread (pi/8 front, 2 pi rear), `step` is the tick counter (it alternates
// splash sides). Returns the number of particles spawned.
int emit_roost(RoostParticlePool& pool, const RoostWheel& wheel, const SurfaceType& surface,
               int budget, double angle_limit, long step);
