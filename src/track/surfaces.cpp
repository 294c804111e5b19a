#include "track/surfaces.h"

#include <algorithm>
#include <cmath>

SurfaceType default_surface() {
  SurfaceType surface;
  surface.friction[0] = {1.0f, 1.0f};
  surface.roll_resist[0] = {5.0f, 15.0f, 1.0f};
  return surface;
}

int surface_at(const TileMap& map, double x, double z) {
  if (map.n <= 0 || map.tiles.empty() || !(map.tile_size > 0)) return 0;
  double last = map.n - 1;
  // Clamp the real value before truncating, so positions outside the field
  // (negative ones included) take the border tiles; NaN takes tile 0.
  auto tile = [&](double u) {
    double t = u / map.tile_size;
    if (!(t > 0)) return 0;
    return static_cast<int>(std::min(t, last));
  };
  return map.tiles[static_cast<std::size_t>(tile(z)) * map.n + tile(x)];
}

double friction_at(const SurfaceType& surface, double v) {
  const auto& p = surface.friction;
  double v2 = v * v;
  int k = 0;
  while (k < kCurvePoints && p[k].speed != 0 && !(v2 < double(p[k].speed) * p[k].speed)) ++k;
  if (k == 0) return p[0].mu;
  if (k == kCurvePoints || p[k].speed == 0) return p[k - 1].mu;
  double s0 = double(p[k - 1].speed) * p[k - 1].speed, s1 = double(p[k].speed) * p[k].speed;
  double t = s1 > s0 ? std::clamp((v2 - s0) / (s1 - s0), 0.0, 1.0) : 1.0;
  return p[k - 1].mu + (double(p[k].mu) - p[k - 1].mu) * t;
}

RollResist roll_resist_at(const SurfaceType& surface, double u) {
  const auto& p = surface.roll_resist;
  int k = 0;
  while (k < kCurvePoints && p[k].speed != 0 && !(u < p[k].speed)) ++k;
  if (k == 0) return {p[0].force_light, p[0].force_full};
  if (k == kCurvePoints || p[k].speed == 0) return {p[k - 1].force_light, p[k - 1].force_full};
  double s0 = p[k - 1].speed, s1 = p[k].speed;
  double t = s1 > s0 ? std::clamp((u - s0) / (s1 - s0), 0.0, 1.0) : 1.0;
  return {p[k - 1].force_light + (double(p[k].force_light) - p[k - 1].force_light) * t,
          p[k - 1].force_full + (double(p[k].force_full) - p[k - 1].force_full) * t};
}
