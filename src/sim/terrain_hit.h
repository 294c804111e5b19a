#pragma once
// What a shape-against-terrain test reports, and the pieces every such test
// shares: the clean-up of the final normal and the walk over the height
// field's cells under a shape.

#include <algorithm>
#include <cmath>
#include <limits>

#include "base/vec3.h"
#include "track/height_field.h"

// One contact between a shape (tyre torus or sphere) and the terrain.
struct TerrainHit {
  bool found = false;  // true exactly when depth > 0
  Vec3 point;          // contact point, world, feet
  // Out of the ground toward the shape. Unit once a terrain walk has
  // cleaned it; a single-triangle test may leave it unnormalised (the
  // distance case of the tyre's closest-feature search).
  Vec3 normal;
  double depth = 0;  // penetration, feet; 0 when nothing touches
};

// The walk's last step on the deepest triangle's normal: a normal that
// points downward (an overhang seen from below, a cliff face) is flattened
// to horizontal when its horizontal part is long enough (x^2 + z^2 >=
// 1/1024), otherwise replaced by straight up; then it is made unit. Never
// returns a zero or non-finite vector.
Vec3 clean_terrain_normal(Vec3 normal);

// Calls `test(triangle)` for both triangles of every cell under the
// rectangle of half sides `reach_x` and `reach_z` around world (x, z):
// cells i from floor((x - reach_x) / spacing) up to, not including,
// ceil((x + reach_x) / spacing), and j likewise over z. `test` returns a TerrainHit; the deepest
// one with depth above 0 is returned (the first on a tie) with its normal cleaned. Nothing is
// visited on an empty field, for a non-finite position or reach, or when a reach is not above 0.
// The walk is limited to `max_walk_cells` cells per axis around the shape, so absurd radii from bad
// data cannot stall a step.
//
// `bottom` is the height (world y, feet) of the shape's lowest point. When
// every sample of those cells lies more than `clear_margin` below it, no
// point of any triangle is within reach of the shape and nothing is
// tested: the tests report depth only for points of the shape within the
// triangle's reach, so skipping them changes no result. Most body spheres
// and airborne tyres end there; a NaN `bottom` tests everything.
inline constexpr int max_walk_cells = 64;
inline constexpr double clear_margin = 1.0 / (1 << 20);  // ft, far above any rounding

template <typename TriangleTest>
TerrainHit walk_terrain(const HeightField& field, double x, double z, double reach_x,
                        double reach_z, double bottom, TriangleTest&& test) {
  TerrainHit best;
  if (field.heights.empty() || !(field.spacing > 0)) return best;
  if (!std::isfinite(x) || !std::isfinite(z)) return best;
  if (!std::isfinite(reach_x) || !(reach_x > 0) || !std::isfinite(reach_z) || !(reach_z > 0))
    return best;
  const double spacing = field.spacing;
  // Index ranges in doubles first: a far-away shape must not overflow int.
  auto range = [&](double u, double reach, double& lo, double& hi) {
    double centre = std::floor(u / spacing);
    lo = std::max(std::floor((u - reach) / spacing), centre - max_walk_cells / 2);
    hi = std::min(std::ceil((u + reach) / spacing), centre + max_walk_cells / 2 + 1);
  };
  double ilo, ihi, jlo, jhi;
  range(x, reach_x, ilo, ihi);
  range(z, reach_z, jlo, jhi);
  if (!(std::fabs(ilo) < 1e9 && std::fabs(ihi) < 1e9 && std::fabs(jlo) < 1e9 &&
        std::fabs(jhi) < 1e9))
    return best;
  const int i0 = static_cast<int>(ilo), i1 = static_cast<int>(ihi);
  const int j0 = static_cast<int>(jlo), j1 = static_cast<int>(jhi);
  // The highest corner of the cells visited: samples i0..i1, j0..j1.
  float top = -std::numeric_limits<float>::infinity();
  for (int j = j0; j <= j1; ++j)
    for (int i = i0; i <= i1; ++i) top = std::max(top, sample(field, i, j));
  if (bottom - clear_margin > top) return best;
  for (int j = j0; j < j1; ++j) {
    for (int i = i0; i < i1; ++i) {
      CellTriangles cell = cell_triangles(field, i, j);
      for (const TerrainTriangle* tri : {&cell.a, &cell.b}) {
        TerrainHit hit = test(*tri);
        if (hit.depth > 0 && hit.depth > best.depth) best = hit;
      }
    }
  }
  if (best.depth > 0) {
    best.found = true;
    best.normal = clean_terrain_normal(best.normal);
  }
  return best;
}
