#pragma once
// A bike's contacts with the terrain for the coming world step: both tyres
// (torus against the height field, friction and rolling resistance from
// the surface under the contact, stiffness growing with the tyre's
// compression) and the sphere sets of frame, forks, swingarm and rider.
// Every contact becomes a soft ODE contact joint in the world's contact
// group, which the step empties again.

#include "sim/bike.h"
#include "track/terrain.h"

// Bits of what `terrain_contacts` returns.
enum TerrainContactResult : int {
  // Some body of the bike (tyre or shape sphere) touches the ground.
  terrain_touched = 1 << 0,
  // The rider's shape touches the ground upside down (his body's up axis
  // points below the horizon) at more than 5 ft/s while he is riding and
  // the collision timer is not negative: the caller crashes him.
  terrain_rider_crash = 1 << 1,
};

// Makes all terrain contacts of `bike` for the coming step, in this order:
// front tyre, rear tyre, then the sphere sets of frame, upper fork, lower
// fork, swingarm and rider. Fills both `WheelContact` records (depth 0
// when a tyre touches nothing; the rest of the record then keeps its last
// values), writes every shape sphere's current world centre into the
// bike's shape copies, adds each tyre's rolling resistance to its wheel
// body, and raises the line recorder's mishap state from 0 to 1 when a
// body part other than a tyre touches. Returns TerrainContactResult bits,
// so non-zero exactly when anything touches: the start procedure lifts a
// bike until this is 0 (and empties the contact group of the contacts made
// on the way).
int terrain_contacts(Bike& bike, const Terrain& terrain);

// Grip factor of the bike's tyres: 1, or with arcade physics (flag bit 7)
// 1 - 0.375 x min(4 |roll| / pi, 1): full grip upright, falling linearly
// to 62.5 % at 45 degrees of lean and beyond. Multiplies the surface's
// friction coefficient.
double tyre_grip(const Bike& bike);

// Spring (lb/ft) and damper (lb per ft/s) of a tyre's ground contact at
// penetration `depth` (ft): with the compression k = min(depth /
// tube_radius, 1), kp = 24000 k^3 + 1000 and kd = 2300 k^3 + 200, so the
// tyre stiffens steeply as it flattens. A tube radius of 0 counts as fully
// compressed.
struct ContactSpring {
  double kp, kd;
};
ContactSpring tyre_spring(double depth, double tube_radius);

// Roll angle of the bike's frame, radians: acos(up . h) - pi/2, with h the
// horizontal unit vector at right angles to the frame's forward (-z) axis;
// a bike leaning toward its +x side has a negative roll. 0 when the frame
// points straight up or down (no horizontal forward direction).
double frame_roll_angle(const Bike& bike);
