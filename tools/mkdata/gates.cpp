#include "gates.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "output.h"

namespace mkdata {

namespace {

// Feet before a lip and after a designed touch-down that count as part of
// the jump: the bike is on the face, in the air or landing.
constexpr double kBeforeLip = 20, kAfterTouchdown = 15;

// Whether the course at s is part of a jump. A gate there would be crossed
// in the air, where a bike flies its own arc rather than the line's, so
// every robot would pass it off its line.
bool on_a_jump(const Centreline& line, const TrackProfile& profile, double s) {
  for (const JumpInfo& j : profile.jumps) {
    double from = j.lip_s - kBeforeLip;
    double length = line.wrap(j.target_s - j.lip_s) + kBeforeLip + kAfterTouchdown;
    if (line.wrap(s - from) < length) return true;
  }
  return false;
}

// Within `reach` feet of s and off the jumps, the place where the course's
// bend changes least over the stretch around it; none when every place
// there is on a jump. A gate there splits the robots' lines where one line
// runs on smoothly into the next, which is what lets the line store chain
// them.
std::optional<double> steady_spot(const Centreline& line, const TrackProfile& profile, double s,
                                  double reach) {
  std::optional<double> best;
  double best_bend = 1e9;
  for (double c = s - reach; c <= s + reach + 1e-9; c += 2) {
    if (on_a_jump(line, profile, c)) continue;
    // A steady arc serves as well as a straight: what breaks a chain of
    // lines is the bend changing across the gate.
    double k0 = line.at(c).curvature, bend = 0;
    for (double d = -30; d <= 30; d += 1)
      bend = std::max(bend, std::abs(line.at(c + d).curvature - k0) + 0.5 * std::abs(k0));
    if (bend < best_bend - 1e-6) best_bend = bend, best = line.wrap(c);
  }
  return best;
}

}  // namespace

Gates build_gates(const TrackDesc& desc, const Centreline& line, const TrackProfile& profile,
                  const Terrain& terrain) {
  Gates g;
  const CentrePoint& start = line.at(profile.start_s);
  double heading = std::atan2(-start.tx, -start.tz);
  for (int k = 0; k < desc.start_slots; ++k) {
    double u = (k - (desc.start_slots - 1) / 2.0) * desc.start_pitch;
    double x, z;
    offset_point(start, u, x, z);
    g.starts.push_back({x, terrain.height_at(x, z), z, heading});
  }

  int n = static_cast<int>(std::ceil(line.length / desc.gate_spacing));
  for (int k = 0; k < n; ++k) {
    double s = line.wrap(profile.start_s + line.length * (k + 1) / n);
    // Each gate moves at most a quarter of the spacing, so stretches keep
    // at least half of it; where jumps follow one another closely it may
    // move further to get off them, up to 0.4 of the spacing.
    if (k + 1 < n) {
      const double spacing = line.length / n;
      std::optional<double> spot;
      for (double reach = std::min(40.0, spacing / 4); !spot && reach <= 0.4 * spacing; reach += 4)
        spot = steady_spot(line, profile, s, reach);
      s = spot.value_or(s);
    }
    const CentrePoint& p = line.at(s);
    g.checkpoints.push_back(
        {p.width / 2 + 3, p.x, terrain.height_at(p.x, p.z), p.z, p.tx, p.tz, s});
    g.first_lap.push_back(k);
    g.normal_lap.push_back(k);
  }
  return g;
}

std::string timing_gates_text(const Gates& g) {
  std::string out = "startinggate:\n";
  for (const StartSpot& s : g.starts) out += format("[%f %f %f] %f\n", s.x, s.y, s.z, s.heading);
  out += "checkpoints:\n";
  for (const GateSpot& c : g.checkpoints)
    out += format("%f [%f %f %f] [%f %f %f]\n", c.radius, c.x, c.y, c.z, c.dx, 0.0, c.dz);
  out += "firstlap:\n";
  for (int v : g.first_lap) out += format("%d ", v);
  out += "\nnormallap:\n";
  for (int v : g.normal_lap) out += format("%d ", v);
  out += "\n";
  return out;
}

}  // namespace mkdata
