#include "sim/sphere_terrain.h"

#include <cmath>
#include <limits>

namespace {

bool finite(Vec3 v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

// Point of the segment a -> a + e nearest to c.
Vec3 nearest_on_segment(Vec3 c, Vec3 a, Vec3 e) {
  double ee = dot(e, e);
  double t = ee > 0 ? std::clamp(dot(c - a, e) / ee, 0.0, 1.0) : 0.0;
  return a + e * t;
}

}  // namespace

TerrainHit sphere_triangle(Vec3 c, double r, Vec3 v0, Vec3 v1, Vec3 v2) {
  TerrainHit none;
  if (!finite(c) || !std::isfinite(r) || !(r > 0) || !finite(v0) || !finite(v1) || !finite(v2))
    return none;
  const Vec3 v[3] = {v0, v1, v2};
  Vec3 N = cross(v1 - v0, v2 - v0);
  if (!(dot(N, N) > 0) || !finite(N)) return none;
  Vec3 n_hat = normalized(N);
  Vec3 e[3];
  for (int k = 0; k < 3; ++k) e[k] = v[(k + 1) % 3] - v[k];

  TerrainHit hit;
  bool over_face = true;
  for (int k = 0; k < 3; ++k)
    if (dot(c - v[k], cross(e[k], N)) > 0) over_face = false;
  if (over_face) {
    double height = dot(c - v0, n_hat);
    if (height < -r) {
      // Sunk deeper than its radius: only under the face itself does the
      // face own it; it is pushed out along the face normal like a
      // shallower sphere.
      for (int k = 0; k < 3; ++k)
        if (dot(c - v[k], Vec3{-e[k].z, 0, e[k].x}) > 0) return none;
    }
    hit.depth = r - height;
    hit.normal = n_hat;
    hit.point = c - n_hat * r;
  } else {
    // The nearest point of the border. (Taking the first edge the centre
    // projects onto, rather than the nearest, would let a far edge hide a
    // near one beside an obtuse corner and understate the depth.)
    Vec3 q;
    double best = std::numeric_limits<double>::infinity();
    for (int k = 0; k < 3; ++k) {
      Vec3 p = nearest_on_segment(c, v[k], e[k]);
      double d2 = dot(c - p, c - p);
      if (d2 < best) {
        best = d2;
        q = p;
      }
    }
    double distance = std::sqrt(best);
    hit.depth = r - distance;
    // A centre exactly on the border has no direction of its own.
    hit.normal = distance > 0 ? (c - q) / distance : n_hat;
    hit.point = c - hit.normal * r;
  }
  if (!(hit.depth > 0) || !finite(hit.point) || !finite(hit.normal)) return none;
  hit.found = true;
  return hit;
}

TerrainHit sphere_terrain_test(const HeightField& field, Vec3 centre, double radius) {
  return walk_terrain(field, centre.x, centre.z, radius, radius, centre.y - radius,
                      [&](const TerrainTriangle& t) {
                        return sphere_triangle(centre, radius, t.v[0], t.v[1], t.v[2]);
                      });
}
