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

// The cells under the rectangle of half sides reach_x, reach_z around
// (x, z), as `walk_terrain` visits them: i0 <= i < i1, j0 <= j < j1.
// `valid` is false on an empty field or for non-finite or non-positive
// input.
struct CellRange {
  bool valid = false;
  int i0 = 0, i1 = 0, j0 = 0, j1 = 0;
};

inline CellRange cells_under(const HeightField& field, double x, double z, double reach_x,
                             double reach_z) {
  CellRange cells;
  if (field.heights.empty() || !(field.spacing > 0)) return cells;
  if (!std::isfinite(x) || !std::isfinite(z)) return cells;
  if (!std::isfinite(reach_x) || !(reach_x > 0) || !std::isfinite(reach_z) || !(reach_z > 0))
    return cells;
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
    return cells;
  cells = {true, static_cast<int>(ilo), static_cast<int>(ihi), static_cast<int>(jlo),
           static_cast<int>(jhi)};
  return cells;
}

// True when every corner of the cells lies more than `clear_margin` below
// `bottom` (a NaN bottom is never clear).
inline bool cells_clear_below(const HeightField& field, const CellRange& cells, double bottom) {
  float top = -std::numeric_limits<float>::infinity();
  for (int j = cells.j0; j <= cells.j1; ++j)
    for (int i = cells.i0; i <= cells.i1; ++i) top = std::max(top, sample(field, i, j));
  return bottom - clear_margin > top;
}

template <typename TriangleTest>
TerrainHit walk_terrain(const HeightField& field, double x, double z, double reach_x,
                        double reach_z, double bottom, TriangleTest&& test) {
  TerrainHit best;
  const CellRange cells = cells_under(field, x, z, reach_x, reach_z);
  if (!cells.valid || cells_clear_below(field, cells, bottom)) return best;
  const int i0 = cells.i0, i1 = cells.i1, j0 = cells.j0, j1 = cells.j1;
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
