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

// Whether edge k of one box crosses edge k of the other for some k: the
// paths of two bikes that converge within the boxes' reach. Bikes side by
// side on parallel courses never meet this way.
bool boxes_cross(const GroundBox& a, const GroundBox& b);

// Whether `point` lies inside the box. A bike ahead on the same course
// crosses none of our edges with its like edge (the long sides run
// parallel), but it stands inside our box: it is in the way all the same.
bool inside_box(const GroundBox& box, Vec3 point);
