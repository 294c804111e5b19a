#pragma once
// The ground box a robot keeps around each bike when it looks for bikes in
// its way: 4 ft wide, from 4 ft behind the bike to 4 + v ft ahead, flat on
// the ground (only x and z count). Lengths in feet, v in ft/s.

#include <array>

#include "base/vec3.h"

struct GroundBox {
  // Corners in order around the box: back right, front right, front left,
  // back left (right and left of the direction of travel).
  std::array<Vec3, 4> corner;
};

// The box of a bike at `position` moving at speed v; `d` is minus the unit
// direction of travel (horizontal).
GroundBox ground_box(Vec3 position, Vec3 d, double v);

// Whether the two boxes overlap (boxes that only touch do not). A bike
// straight ahead on the same heading overlaps this bike's box with no pair
// of like edges crossing (its back edge lies across our long sides, or
// exactly on them), and must be seen all the same.
bool boxes_cross(const GroundBox& a, const GroundBox& b);
