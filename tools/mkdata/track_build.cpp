#include "track_build.h"

#include <cmath>

#include "lines.h"
#include "map_image.h"
#include "output.h"
#include "png_writer.h"
#include "surfaces.h"

namespace mkdata {

namespace {

constexpr double kPi = 3.14159265358979323846;

// Turns: stretches where the heading changes by more than 40 degrees with
// a radius under 200 feet.
void count_turns(const Centreline& line, TrackStats& st) {
  const int n = static_cast<int>(line.points.size());
  // Start counting on a straight so no turn is split at the lap's seam.
  int begin = 0;
  for (int i = 0; i < n; ++i)
    if (std::abs(line.points[static_cast<std::size_t>(i)].curvature) < 1.0 / 400) {
      begin = i;
      break;
    }
  double turned = 0;
  double bank = 0;
  int sign = 0;
  auto close = [&] {
    if (std::abs(turned) > 40 * kPi / 180) {
      ++st.turns;
      if (bank > 0) ++st.berms;
    }
    turned = 0;
    bank = 0;
    sign = 0;
  };
  for (int k = 0; k < n; ++k) {
    const CentrePoint& p = line.points[static_cast<std::size_t>((begin + k) % n)];
    int s = p.curvature > 1.0 / 200 ? 1 : p.curvature < -1.0 / 200 ? -1 : 0;
    if (s != sign) close();
    sign = s;
    if (s != 0) {
      turned += p.curvature * line.step;
      bank = std::max(bank, p.bank_deg);
    }
  }
  close();
}

}  // namespace

std::vector<TrackDesc> all_tracks() { return {venloop_desc(), sxarena_desc(), practice_desc()}; }

BuiltTrack build_track(const TrackDesc& desc) {
  BuiltTrack b;
  b.desc = desc;
  b.line = build_centreline(desc.points);
  b.profile = build_profile(desc, b.line);
  b.terrain = build_terrain(desc, b.line, b.profile);
  b.shading = bake_shading(desc, b.terrain);
  b.surfaces = lap_surfaces(desc, b.line);
  b.gates = build_gates(desc, b.line, b.profile, b.terrain);

  b.stats.lap_feet = b.line.length;
  b.stats.jumps = b.profile.jump_features;
  b.stats.whoops = b.profile.whoops_sections;
  b.stats.rhythm = b.profile.rhythm_sections;
  b.stats.gates = static_cast<int>(b.gates.checkpoints.size());
  count_turns(b.line, b.stats);

  const Terrain& t = b.terrain;
  auto& f = b.files;
  f.emplace_back("desc", desc.title + "\n");
  // The header alone; the samples are in terrain.png.
  f.emplace_back("terrain.hf",
                 format("%d %f %f %f\n", t.shift, t.spacing, t.min_height, t.max_height));
  f.emplace_back("terrain.png", png_gray16(t.size, t.size, t.raw));
  f.emplace_back("shadingx2.ppm", shading_ppm(t, b.shading, false));
  f.emplace_back("shading.ppm", shading_ppm(t, b.shading, true));
  f.emplace_back("shadows.pgm", shadows_pgm(t, b.shading));
  f.emplace_back("tileinfo", tileinfo_text());
  f.emplace_back("tilemap", tilemap_bytes(t, b.line, b.surfaces));
  f.emplace_back("timing_gates", timing_gates_text(b.gates));
  f.emplace_back("map.png", map_png(t, b.shading, b.line, b.surfaces, b.gates));
  for (const Skill& skill : kSkills)
    f.emplace_back(skill.file,
                   lines_text(seed_lines(b.line, b.profile, t, b.gates, b.surfaces, skill)));
  return b;
}

}  // namespace mkdata
