#include "map_image.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "png_writer.h"

namespace mkdata {

namespace {

struct Rgb {
  double r, g, b;
};
// Map colours of grass, loam, hardpack and sand.
constexpr Rgb kColours[kSurfaceCount] = {
    {90, 140, 70}, {140, 100, 66}, {176, 150, 118}, {222, 196, 140}};
constexpr Rgb kEdge = {40, 30, 22};

}  // namespace

std::string map_png(const Terrain& t, const Shading& sh, const Centreline& line,
                    const std::vector<Surface>& surfaces, const Gates& gates) {
  const double extent = t.extent();
  const double px_size = extent / kMapSize;
  std::vector<std::uint8_t> rgba(static_cast<std::size_t>(kMapSize) * kMapSize * 4, 0);
  const StartSpot* first = gates.starts.empty() ? nullptr : &gates.starts.front();
  const StartSpot* last = gates.starts.empty() ? nullptr : &gates.starts.back();
  constexpr int kSub = 3;  // samples per pixel side, for smooth edges
  for (int py = 0; py < kMapSize; ++py) {
    for (int px = 0; px < kMapSize; ++px) {
      double r = 0, g = 0, b = 0, a = 0;
      for (int sy = 0; sy < kSub; ++sy) {
        for (int sx = 0; sx < kSub; ++sx) {
          double x = (px + (sx + 0.5) / kSub) * px_size, z = (py + (sy + 0.5) / kSub) * px_size;
          int i = std::clamp(static_cast<int>(std::lround(x / t.spacing)), 0, t.size - 1);
          int j = std::clamp(static_cast<int>(std::lround(z / t.spacing)), 0, t.size - 1);
          std::size_t k = static_cast<std::size_t>(i) + static_cast<std::size_t>(t.size) * j;
          int near = t.nearest[k];
          if (near < 0) continue;
          double half = line.points[static_cast<std::size_t>(near)].width / 2;
          double u = std::abs(t.offset[k]);
          // The edge line is at least a pixel wide at any map scale.
          double edge = std::max(1.5, 1.2 * px_size);
          if (u > half + edge) continue;
          Rgb c = u > half ? kEdge : kColours[surfaces[static_cast<std::size_t>(near)]];
          if (u <= half) {
            double light = (sh.rgb[k * 3] + sh.rgb[k * 3 + 1] + sh.rgb[k * 3 + 2]) / (3.0 * 128);
            light = std::clamp(0.35 + 0.65 * light, 0.0, 1.4);
            c = {c.r * light, c.g * light, c.b * light};
          }
          r += c.r, g += c.g, b += c.b, a += 1;
        }
      }
      if (a == 0) continue;
      std::size_t o = (static_cast<std::size_t>(py) * kMapSize + px) * 4;
      rgba[o] = static_cast<std::uint8_t>(std::clamp(r / a, 0.0, 255.0));
      rgba[o + 1] = static_cast<std::uint8_t>(std::clamp(g / a, 0.0, 255.0));
      rgba[o + 2] = static_cast<std::uint8_t>(std::clamp(b / a, 0.0, 255.0));
      rgba[o + 3] = static_cast<std::uint8_t>(std::lround(255 * a / (kSub * kSub)));
    }
  }
  // The starting line: white from the first to the last gate position.
  if (first && last) {
    double len = std::hypot(last->x - first->x, last->z - first->z) + 6;
    double dx = (last->x - first->x), dz = (last->z - first->z);
    double norm = std::max(std::hypot(dx, dz), 1e-9);
    dx /= norm, dz /= norm;
    double cx = 0.5 * (first->x + last->x), cz = 0.5 * (first->z + last->z);
    for (double d = -len / 2; d <= len / 2; d += px_size / 2) {
      for (double w = -px_size; w <= px_size; w += px_size / 2) {
        int px = static_cast<int>((cx + dx * d - dz * w) / px_size);
        int py = static_cast<int>((cz + dz * d + dx * w) / px_size);
        if (px < 0 || py < 0 || px >= kMapSize || py >= kMapSize) continue;
        std::size_t o = (static_cast<std::size_t>(py) * kMapSize + px) * 4;
        rgba[o] = rgba[o + 1] = rgba[o + 2] = rgba[o + 3] = 255;
      }
    }
  }
  return png_rgba(kMapSize, kMapSize, rgba);
}

}  // namespace mkdata
