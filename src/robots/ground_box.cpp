#include "robots/ground_box.h"

#include <algorithm>

namespace {

struct Span {
  double lo, hi;
};

// The box's extent along the ground direction (ax, az).
Span project(const GroundBox& box, double ax, double az) {
  Span s{1e300, -1e300};
  for (const Vec3& c : box.corner) {
    double t = c.x * ax + c.z * az;
    s.lo = std::min(s.lo, t);
    s.hi = std::max(s.hi, t);
  }
  return s;
}

// Whether the direction across edge k of `box` separates the two boxes.
bool separated_across_edge(const GroundBox& box, int k, const GroundBox& a, const GroundBox& b) {
  Vec3 e = box.corner[(k + 1) % 4] - box.corner[k];
  Span sa = project(a, -e.z, e.x), sb = project(b, -e.z, e.x);
  return sa.hi <= sb.lo || sb.hi <= sa.lo;
}

}  // namespace

GroundBox ground_box(Vec3 position, Vec3 d, double v) {
  Vec3 side{d.z, 0, -d.x};
  Vec3 p{position.x, 0, position.z};
  Vec3 back = p + d * 4, front = p - d * (4 + v);
  return {{back + side * 2, front + side * 2, front - side * 2, back - side * 2}};
}

bool boxes_cross(const GroundBox& a, const GroundBox& b) {
  // Two rectangles are apart exactly when the direction across one of
  // their four edge directions separates them.
  for (int k = 0; k < 2; ++k)
    if (separated_across_edge(a, k, a, b) || separated_across_edge(b, k, a, b)) return false;
  return true;
}
