#include "ground.h"

#include <algorithm>
#include <cmath>

namespace mkdata {

namespace {

// A few long, gentle waves in different directions; fixed, so every run
// makes the same hills.
struct Wave {
  double kx, kz;  // direction times 2 pi / wavelength
  double phase;
  double weight;
};

constexpr double kTau = 6.283185307179586;
const Wave kWaves[] = {
    {kTau / 610 * 0.80, kTau / 610 * 0.60, 0.4, 0.45},
    {kTau / 420 * -0.50, kTau / 420 * 0.87, 1.9, 0.30},
    {kTau / 260 * 0.97, kTau / 260 * -0.24, 4.1, 0.15},
    {kTau / 170 * 0.31, kTau / 170 * 0.95, 2.7, 0.10},
};

}  // namespace

double field_height(const TrackDesc& desc, double x, double z) {
  double h = desc.base_height;
  for (const Wave& w : kWaves)
    h += desc.roll_amplitude * w.weight * std::sin(w.kx * x + w.kz * z + w.phase);
  if (desc.wall_height > 0) {
    // Outside the arena floor the ground climbs steeply to the walls.
    double dx = std::max({desc.wall_x0 - x, x - desc.wall_x1, 0.0});
    double dz = std::max({desc.wall_z0 - z, z - desc.wall_z1, 0.0});
    double d = std::hypot(dx, dz);
    double t = std::clamp(d / 10.0, 0.0, 1.0);
    h += desc.wall_height * t * t * (3 - 2 * t);
  }
  return h;
}

}  // namespace mkdata
