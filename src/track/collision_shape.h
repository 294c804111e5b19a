#pragma once
// Collision shapes (".shp"): sets of spheres in a body's frame, used by
// bikes and by solid scenery. Loaded once per name into a program-wide
// list; users copy the sphere array when they need world centres.

#include <string>
#include <string_view>
#include <vector>

#include "base/vec3.h"

struct ShapeSphere {
  Vec3 centre;  // body frame, feet
  double radius = 0;
  double mu = 0;  // friction coefficient
  double kp = 0;  // stiffness
  double kd = 0;  // damping
};

struct CollisionShape {
  std::string name;
  std::vector<ShapeSphere> spheres;  // empty: absent shape, no contacts
  double bounding_radius = 0;        // largest |centre| + radius
};

// The shape of file `name` ("@" names through the data directories),
// loaded on first use and kept for the rest of the run (the pointer stays
// valid until exit). The file is "%d" sphere count, then per sphere three
// "%f" (centre) and "%f %f %f %f" (radius, mu, stiffness, damping). Never
// null: a file that cannot be opened or parsed completely gives an empty
// shape (no spheres, no contacts).
const CollisionShape* load_collision_shape(std::string_view name);

// True when the shape exists and has at least one sphere.
bool collision_shape_found(const CollisionShape* shape);
