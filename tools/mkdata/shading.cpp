#include "shading.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "output.h"

namespace mkdata {

namespace {

constexpr double kDeg = 3.14159265358979323846 / 180;

// Warm sun, blue-ish sky fill.
constexpr double kSun[3] = {0.62, 0.60, 0.55};
constexpr double kSky[3] = {0.52, 0.56, 0.62};

}  // namespace

Shading bake_shading(const TrackDesc& desc, const Terrain& t) {
  const int size = t.size;
  const std::size_t count = static_cast<std::size_t>(size) * size;
  const double el = desc.sun_elevation_deg * kDeg, az = desc.sun_azimuth_deg * kDeg;
  const double sx = std::cos(el) * std::cos(az), sy = std::sin(el),
               sz = std::cos(el) * std::sin(az);
  const double rise = std::tan(el);
  double top = t.max_height;

  Shading sh;
  sh.rgb.resize(count * 3);
  sh.shadow.resize(count);
  for (int j = 0; j < size; ++j) {
    for (int i = 0; i < size; ++i) {
      std::size_t k = static_cast<std::size_t>(i) + static_cast<std::size_t>(size) * j;
      double dx = (t.at(i + 1, j) - t.at(i - 1, j)) / (2 * t.spacing);
      double dz = (t.at(i, j + 1) - t.at(i, j - 1)) / (2 * t.spacing);
      double len = std::sqrt(dx * dx + 1 + dz * dz);
      double nx = -dx / len, ny = 1 / len, nz = -dz / len;
      double lambert = std::max(0.0, nx * sx + ny * sy + nz * sz);
      // Sky light falls off on steep faces that see less of the sky.
      double sky = 0.5 + 0.5 * ny;
      for (int c = 0; c < 3; ++c) {
        double light = kSky[c] * sky + kSun[c] * lambert / std::max(sy, 0.3);
        sh.rgb[k * 3 + c] = static_cast<std::uint8_t>(std::clamp(light * 128 + 0.5, 0.0, 255.0));
      }

      // March toward the sun until the ray is above everything.
      double h0 = t.at(i, j) + 0.05;
      double x = i * t.spacing, z = j * t.spacing;
      double step = t.spacing;
      bool shaded = false;
      for (double d = step; h0 + d * rise <= top; d += step) {
        double px = x + sx / std::cos(el) * d, pz = z + sz / std::cos(el) * d;
        if (px < 0 || pz < 0 || px > t.extent() || pz > t.extent()) break;
        if (t.height_at(px, pz) > h0 + d * rise) {
          shaded = true;
          break;
        }
      }
      sh.shadow[k] = shaded ? 150 : 0;
    }
  }
  // Soften the shadow edges a little (one pass of a 3x3 box).
  std::vector<std::uint8_t> hard = sh.shadow;
  for (int j = 0; j < size; ++j) {
    for (int i = 0; i < size; ++i) {
      int sum = 0;
      for (int b = -1; b <= 1; ++b)
        for (int a = -1; a <= 1; ++a) {
          int ii = std::clamp(i + a, 0, size - 1), jj = std::clamp(j + b, 0, size - 1);
          sum += hard[static_cast<std::size_t>(ii) + static_cast<std::size_t>(size) * jj];
        }
      sh.shadow[static_cast<std::size_t>(i) + static_cast<std::size_t>(size) * j] =
          static_cast<std::uint8_t>(sum / 9);
    }
  }
  return sh;
}

std::string shading_ppm(const Terrain& t, const Shading& sh, bool doubled) {
  std::string out = format("P6\n%d %d\n255\n", t.size, t.size);
  std::size_t head = out.size();
  out.resize(head + sh.rgb.size());
  for (std::size_t k = 0; k < sh.rgb.size(); ++k)
    out[head + k] = static_cast<char>(doubled ? std::min(255, sh.rgb[k] * 2) : sh.rgb[k]);
  return out;
}

std::string shadows_pgm(const Terrain& t, const Shading& sh) {
  std::string out = format("P5\n%d %d\n255\n", t.size, t.size);
  std::size_t head = out.size();
  out.resize(head + sh.shadow.size());
  for (std::size_t k = 0; k < sh.shadow.size(); ++k)
    out[head + k] = static_cast<char>(255 - sh.shadow[k]);
  return out;
}

}  // namespace mkdata
