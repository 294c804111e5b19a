#include "robots/ground_box.h"

GroundBox ground_box(Vec3 position, Vec3 d, double v) {
  Vec3 side{d.z, 0, -d.x};
  Vec3 p{position.x, 0, position.z};
  Vec3 back = p + d * 4, front = p - d * (4 + v);
  return {{back + side * 2, front + side * 2, front - side * 2, back - side * 2}};
}

bool boxes_cross(const GroundBox& a, const GroundBox& b) {
  for (int k = 0; k < 4; ++k)
    if (segments_cross_xz(a.corner[k], a.corner[(k + 1) % 4], b.corner[k], b.corner[(k + 1) % 4]))
      return true;
  return false;
}

bool inside_box(const GroundBox& box, Vec3 point) {
  // The corners run around the box one way: inside is on the same side of
  // all four edges.
  bool left = false, right = false;
  for (int k = 0; k < 4; ++k) {
    double o = orient_xz(box.corner[k], box.corner[(k + 1) % 4], point);
    left = left || o > 0;
    right = right || o < 0;
  }
  return !(left && right);
}
