#include "terrain.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "ground.h"

namespace mkdata {

namespace {

constexpr double kDeg = 3.14159265358979323846 / 180;

double smoothstep(double t) {
  t = std::clamp(t, 0.0, 1.0);
  return t * t * (3 - 2 * t);
}

// Centreline samples near every bucket of the field, so the nearest-point
// search looks at a short list instead of the whole lap.
struct NearLists {
  double bucket;
  int count;  // buckets per side
  std::vector<std::vector<int>> lists;
};

NearLists near_lists(const Centreline& line, double extent, double reach) {
  NearLists nl;
  nl.bucket = 8;
  nl.count = static_cast<int>(std::ceil(extent / nl.bucket)) + 1;
  nl.lists.resize(static_cast<std::size_t>(nl.count) * nl.count);
  double r = reach + nl.bucket;  // covers any sample in the bucket
  // Every second sample is enough for the coarse search; it is refined on
  // the fine samples afterwards.
  for (std::size_t k = 0; k < line.points.size(); k += 2) {
    const CentrePoint& p = line.points[k];
    int b0 = std::max(0, static_cast<int>((p.x - r) / nl.bucket));
    int b1 = std::min(nl.count - 1, static_cast<int>((p.x + r) / nl.bucket));
    int c0 = std::max(0, static_cast<int>((p.z - r) / nl.bucket));
    int c1 = std::min(nl.count - 1, static_cast<int>((p.z + r) / nl.bucket));
    for (int c = c0; c <= c1; ++c)
      for (int b = b0; b <= b1; ++b)
        nl.lists[static_cast<std::size_t>(c * nl.count + b)].push_back(static_cast<int>(k));
  }
  return nl;
}

}  // namespace

float Terrain::at(int i, int j) const {
  i = std::clamp(i, 0, size - 1);
  j = std::clamp(j, 0, size - 1);
  return heights[static_cast<std::size_t>(i) + static_cast<std::size_t>(size) * j];
}

double Terrain::height_at(double x, double z) const {
  double fi = std::floor(x / spacing), fj = std::floor(z / spacing);
  int i = static_cast<int>(fi), j = static_cast<int>(fj);
  double fx = x / spacing - fi, fz = z / spacing - fj;
  double h00 = at(i, j), h10 = at(i + 1, j), h01 = at(i, j + 1), h11 = at(i + 1, j + 1);
  if ((i + j) & 1) {
    if (fx + fz <= 1) return h00 + fx * (h10 - h00) + fz * (h01 - h00);
    return h11 + (1 - fx) * (h01 - h11) + (1 - fz) * (h10 - h11);
  }
  if (fz <= fx) return h10 + (1 - fx) * (h00 - h10) + fz * (h11 - h10);
  return h01 + fx * (h11 - h01) + (1 - fz) * (h00 - h01);
}

double surface_height(const Centreline& line, const TrackProfile& profile, int i, double u) {
  const CentrePoint& p = line.points[static_cast<std::size_t>(i)];
  double h = profile.height[static_cast<std::size_t>(i)];
  if (p.bank_deg <= 0) return h;
  // The outside of the turn is raised: flat on the inside half, curving up
  // to the berm angle at the outside edge.
  double side = std::clamp(p.curvature * 300, -1.0, 1.0);
  double half = p.width / 2;
  double band = std::min(p.width * 0.6, 14.0);
  double u_out = -u * (side < 0 ? -1 : 1);
  double t = std::clamp((u_out - (half - band)) / band, 0.0, 1.0);
  return h + std::abs(side) * band * std::tan(p.bank_deg * kDeg) * t * t / 2;
}

Terrain build_terrain(const TrackDesc& desc, const Centreline& line, const TrackProfile& profile) {
  Terrain t;
  t.shift = desc.shift;
  t.size = (1 << (desc.shift + 1)) + 1;
  t.spacing = desc.spacing;
  const int size = t.size;
  const std::size_t count = static_cast<std::size_t>(size) * size;

  double max_half = 0;
  for (const CentrePoint& p : line.points) max_half = std::max(max_half, p.width / 2);
  const double reach = max_half + desc.shoulder + 1;
  NearLists nl = near_lists(line, t.extent(), reach);
  const int n = static_cast<int>(line.points.size());

  std::vector<double> h(count);
  t.nearest.assign(count, -1);
  t.offset.assign(count, 0.0f);
  for (int j = 0; j < size; ++j) {
    for (int i = 0; i < size; ++i) {
      double x = i * t.spacing, z = j * t.spacing;
      std::size_t idx = static_cast<std::size_t>(i) + static_cast<std::size_t>(size) * j;
      double natural = field_height(desc, x, z);
      int bx = std::min(nl.count - 1, static_cast<int>(x / nl.bucket));
      int bz = std::min(nl.count - 1, static_cast<int>(z / nl.bucket));
      const std::vector<int>& list = nl.lists[static_cast<std::size_t>(bz * nl.count + bx)];
      // Nearest in terms of distance beyond the track edge, so a narrow
      // stretch next to a wide one still owns its own edge.
      int best = -1;
      double best_d = reach;
      for (int k : list) {
        const CentrePoint& p = line.points[static_cast<std::size_t>(k)];
        double d = std::hypot(x - p.x, z - p.z) - p.width / 2;
        if (d < best_d) best_d = d, best = k;
      }
      if (best < 0) {
        h[idx] = natural;
        continue;
      }
      for (int dk = -2; dk <= 2; ++dk) {
        int k = ((best + dk) % n + n) % n;
        const CentrePoint& p = line.points[static_cast<std::size_t>(k)];
        double d = std::hypot(x - p.x, z - p.z) - p.width / 2;
        if (d < best_d) best_d = d, best = k;
      }
      const CentrePoint& p = line.points[static_cast<std::size_t>(best)];
      double u = (x - p.x) * -p.tz + (z - p.z) * p.tx;
      t.nearest[idx] = best;
      t.offset[idx] = static_cast<float>(u);
      double half = p.width / 2;
      if (std::abs(u) <= half) {
        h[idx] = surface_height(line, profile, best, u);
      } else {
        double d = std::abs(u) - half;
        double edge = surface_height(line, profile, best, u < 0 ? -half : half);
        double bank = d < desc.bank_width
                          ? desc.bank_height * std::sin(3.14159265358979 * d / desc.bank_width)
                          : 0;
        h[idx] = edge + (natural - edge) * smoothstep(d / desc.shoulder) +
                 bank * (1 - smoothstep(d / desc.shoulder));
      }
    }
  }

  // The stored range, exactly as terrain.hf will print it ("%f"), so the
  // game's reading of the 16-bit samples gives the heights used here.
  auto [lo, hi] = std::minmax_element(h.begin(), h.end());
  char buf[64];
  std::snprintf(buf, sizeof buf, "%f", std::floor(*lo * 1e6) / 1e6);
  t.min_height = std::strtod(buf, nullptr);
  std::snprintf(buf, sizeof buf, "%f", std::ceil(*hi * 1e6) / 1e6 + (*hi > *lo ? 0 : 1));
  t.max_height = std::strtod(buf, nullptr);
  double range = t.max_height - t.min_height;
  t.raw.resize(count);
  t.heights.resize(count);
  for (std::size_t k = 0; k < count; ++k) {
    double v = std::clamp((h[k] - t.min_height) / range * 65535 + 0.5, 0.0, 65535.0);
    t.raw[k] = static_cast<std::uint16_t>(v);
    t.heights[k] = static_cast<float>(t.min_height + t.raw[k] * range / 65535);
  }
  return t;
}

}  // namespace mkdata
