#include "surfaces.h"

#include <cmath>

#include "output.h"

namespace mkdata {

namespace {

struct FrictionPoint {
  double mu, speed;  // speed: slip speed, ft/s
};
struct RollPoint {
  double light, full,
      speed;  // resisting force at no and full tyre compression, at ground speed ft/s
};

// One ground. Friction peaks at a small slip and falls as the tyre spins
// or slides faster; loose grounds (sand) grip less but keep their grip
// when spinning, and roll much harder.
struct SurfaceSpec {
  const char* name;
  FrictionPoint friction[4];
  RollPoint roll[3];
  const char* roost;  // the roost line's key=value tokens
};

const SurfaceSpec kSurfaces[kSurfaceCount] = {
    {"grass",
     {{0.95, 2}, {1.00, 5}, {0.70, 15}, {0.55, 40}},
     {{6, 16, 5}, {7, 20, 30}, {8, 24, 80}},
     "count=3 dig=0.3 slip_threshold=8 size=0.2 grow=2 drag=0.8 randomize=8 r=70 g=110 b=50 a=255 "
     "fade_a=-384"},
    {"loam",
     {{1.10, 2}, {1.25, 6}, {1.00, 18}, {0.85, 50}},
     {{6, 18, 5}, {7, 22, 30}, {9, 27, 80}},
     "count=10 dig=1 slip_threshold=4 size=0.25 grow=4 drag=0.5 randomize=15 r=105 g=78 b=52 a=255 "
     "fade_a=-256"},
    {"hardpack",
     {{1.20, 2}, {1.30, 5}, {0.95, 15}, {0.75, 45}},
     {{4, 12, 5}, {5, 15, 30}, {6, 18, 80}},
     "count=6 dig=0.6 slip_threshold=5 size=0.3 grow=6 drag=0.6 randomize=12 r=150 g=128 b=100 "
     "a=200 "
     "fade_a=-320"},
    {"sand",
     {{0.80, 2}, {0.95, 8}, {0.92, 25}, {0.85, 60}},
     {{14, 40, 5}, {18, 52, 30}, {22, 64, 80}},
     "count=16 dig=1.5 slip_threshold=2 size=0.2 grow=3 drag=0.9 randomize=18 r=196 g=170 b=120 "
     "a=255 fade_a=-192"},
};

}  // namespace

double surface_grip(Surface s) { return kSurfaces[s].friction[1].mu; }

std::string tileinfo_text() {
  std::string out;
  for (const SurfaceSpec& s : kSurfaces) {
    for (const FrictionPoint& f : s.friction) out += format("friction %g %g\n", f.mu, f.speed);
    for (const RollPoint& r : s.roll)
      out += format("roll_resist %g %g %g\n", r.light, r.full, r.speed);
    out += format("roost %s\n", s.roost);
    out += "addtile\n";
  }
  return out;
}

std::vector<Surface> lap_surfaces(const TrackDesc& desc, const Centreline& line) {
  std::vector<Surface> s(line.points.size());
  for (std::size_t i = 0; i < s.size(); ++i) s[i] = line.points[i].surface;
  for (const SurfacePatch& p : desc.patches) {
    double s0 = line.control_s[static_cast<std::size_t>(p.after_point)] + p.offset;
    for (double d = 0; d < p.length; d += line.step)
      s[static_cast<std::size_t>(line.index(s0 + d))] = p.surface;
  }
  return s;
}

std::string tilemap_bytes(const Terrain& t, const Centreline& line,
                          const std::vector<Surface>& surfaces) {
  const int tiles = 1 << t.shift;
  std::string out(static_cast<std::size_t>(tiles) * tiles, static_cast<char>(kGrass));
  for (int tz = 0; tz < tiles; ++tz) {
    for (int tx = 0; tx < tiles; ++tx) {
      // The middle sample of the tile's 2 x 2 cells.
      std::size_t k =
          static_cast<std::size_t>(2 * tx + 1) + static_cast<std::size_t>(t.size) * (2 * tz + 1);
      int near = t.nearest[k];
      if (near < 0) continue;
      double half = line.points[static_cast<std::size_t>(near)].width / 2;
      if (std::abs(t.offset[k]) <= half + 1)
        out[static_cast<std::size_t>(tz) * tiles + tx] =
            static_cast<char>(surfaces[static_cast<std::size_t>(near)]);
    }
  }
  return out;
}

}  // namespace mkdata
