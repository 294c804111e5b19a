#include "robots/ground_box.h"

namespace {

// Twice the signed area of triangle p q r in the ground plane.
double orient(Vec3 p, Vec3 q, Vec3 r) {
  return (q.x - p.x) * (r.z - p.z) - (q.z - p.z) * (r.x - p.x);
}

// Proper crossing: each segment's ends strictly on opposite sides of the
// other's line.
bool segments_cross(Vec3 a, Vec3 b, Vec3 c, Vec3 d) {
  double o1 = orient(a, b, c), o2 = orient(a, b, d);
  double o3 = orient(c, d, a), o4 = orient(c, d, b);
  return ((o1 > 0 && o2 < 0) || (o1 < 0 && o2 > 0)) && ((o3 > 0 && o4 < 0) || (o3 < 0 && o4 > 0));
}

}  // namespace

GroundBox ground_box(Vec3 position, Vec3 d, double v) {
  Vec3 side{d.z, 0, -d.x};
  Vec3 p{position.x, 0, position.z};
  Vec3 back = p + d * 4, front = p - d * (4 + v);
  return {{back + side * 2, front + side * 2, front - side * 2, back - side * 2}};
}

bool boxes_cross(const GroundBox& a, const GroundBox& b) {
  for (int k = 0; k < 4; ++k)
    if (segments_cross(a.corner[k], a.corner[(k + 1) % 4], b.corner[k], b.corner[(k + 1) % 4]))
      return true;
  return false;
}

bool inside_box(const GroundBox& box, Vec3 point) {
  // The corners run around the box one way: inside is on the same side of
  // all four edges.
  bool left = false, right = false;
  for (int k = 0; k < 4; ++k) {
    double o = orient(box.corner[k], box.corner[(k + 1) % 4], point);
    left = left || o > 0;
    right = right || o < 0;
  }
  return !(left && right);
}
