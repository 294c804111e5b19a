#include "track/collision_shape.h"

#include <cmath>
#include <deque>

#include "data/stream.h"

namespace {

// The program-wide shape list; a deque keeps the handed-out pointers valid
// as it grows. Lives until exit.
std::deque<CollisionShape>& shape_list() {
  static std::deque<CollisionShape> shapes;
  return shapes;
}

// A shape file never needs more spheres than this; a larger count is a
// damaged or hostile file and gives an empty shape.
constexpr int kMaxShapeSpheres = 4096;

void finish_bounds(CollisionShape& shape) {
  shape.bounding_radius = 0;
  for (const ShapeSphere& s : shape.spheres)
    shape.bounding_radius = std::max(shape.bounding_radius, length(s.centre) + s.radius);
}

bool read_shape(Stream* in, CollisionShape& shape) {
  int count = 0;
  if (stream_scanf(in, "%d", &count) != 1 || count < 0 || count > kMaxShapeSpheres) return false;
  for (int k = 0; k < count; ++k) {
    float x, y, z, r, mu, kp, kd;
    if (stream_scanf(in, "%f %f %f", &x, &y, &z) != 3) return false;
    if (stream_scanf(in, "%f %f %f %f", &r, &mu, &kp, &kd) != 4) return false;
    if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(z) || !std::isfinite(r))
      return false;
    shape.spheres.push_back({{x, y, z}, r, mu, kp, kd});
  }
  return true;
}

}  // namespace

const CollisionShape* load_collision_shape(std::string_view name) {
  for (const CollisionShape& shape : shape_list())
    if (shape.name == name) return &shape;
  CollisionShape shape;
  shape.name = std::string(name);
  StreamPtr in{stream_open(shape.name.c_str(), "rb")};
  if (!in || !read_shape(in.get(), shape)) shape.spheres.clear();
  finish_bounds(shape);
  shape_list().push_back(std::move(shape));
  return &shape_list().back();
}

bool collision_shape_found(const CollisionShape* shape) { return shape && !shape->spheres.empty(); }
