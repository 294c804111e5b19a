#include "lines.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "output.h"
#include "surfaces.h"

namespace mkdata {

const Skill kSkills[3] = {
    {"lines_novice", 26, 52, 9, 11, 22},
    {"lines_amateur", 34, 66, 12, 14, 28},
    {"lines_expert", 44, 82, 16, 18, 34},
};

namespace {

constexpr double kG = 32;
constexpr double kDeg = 3.14159265358979323846 / 180;
constexpr double kSampleTime = 0.25;  // the line recorder samples every 32 ticks
constexpr double kTicksPerSecond = 128;
constexpr double kWheelAhead = 2.5;         // front wheel centre ahead of the frame body
constexpr double kStartBehind = 4.2;        // frame body behind the starting line at the gate
constexpr double kSteadyBeforeLip = 3;      // seconds at the lip speed before a take-off
constexpr double kSettleAfterLanding = 40;  // feet of braking room after a landing
constexpr double kInf = std::numeric_limits<double>::infinity();

enum class LineKind { kCentre, kInside, kOutside };

// One ride along the centreline: a lateral offset per centreline sample,
// the speed there, and the time it is reached.
struct Run {
  int first = 0;  // centreline index of step 0
  double s0 = 0;  // distance along the lap of step 0 (not wrapped)
  int count = 0;
  std::vector<double> u, x, z, ds, curvature, cap, v, t;
  std::vector<int> air;  // index into profile.jumps while airborne, else -1
};

int wrap_index(int i, int n) { return (i % n + n) % n; }

// Offsets of the centre, inside and outside lines: the inside and outside
// ones move toward the edges in proportion to how sharp the turn is, and
// back to the middle on the straights so that all lines meet there.
std::vector<double> lap_offsets(const Centreline& line, const Gates& gates, LineKind kind) {
  const int n = static_cast<int>(line.points.size());
  std::vector<double> u(static_cast<std::size_t>(n), 0.0);
  if (kind == LineKind::kCentre) return u;
  const int half = static_cast<int>(20 / line.step);
  for (int i = 0; i < n; ++i) {
    double k = 0;
    for (int d = -half; d <= half; ++d)
      k += line.points[static_cast<std::size_t>(wrap_index(i + d, n))].curvature;
    k /= 2 * half + 1;
    const CentrePoint& p = line.points[static_cast<std::size_t>(i)];
    double mag = std::clamp(std::abs(k) * 150, 0.0, 1.0) * std::max(0.0, p.width / 2 - 3.5);
    double side = k >= 0 ? 1 : -1;  // the inside of a right turn is to the right
    u[static_cast<std::size_t>(i)] = (kind == LineKind::kInside ? side : -side) * mag;
  }
  for (int pass = 0; pass < 2; ++pass) {
    std::vector<double> a = u;
    const int h = static_cast<int>(12 / line.step);
    double sum = 0;
    for (int d = -h; d <= h; ++d) sum += a[static_cast<std::size_t>(wrap_index(d, n))];
    for (int i = 0; i < n; ++i) {
      u[static_cast<std::size_t>(i)] = sum / (2 * h + 1);
      sum += a[static_cast<std::size_t>(wrap_index(i + h + 1, n))] -
             a[static_cast<std::size_t>(wrap_index(i - h, n))];
    }
  }
  // Every line passes the gates in the middle of the track, straight for a
  // few samples either side, so that any line of one stretch runs on
  // smoothly into any line of the next and the line store can chain them.
  for (int i = 0; i < n; ++i) {
    double s = line.points[static_cast<std::size_t>(i)].s, d = line.length;
    for (const GateSpot& g : gates.checkpoints) {
      double e = std::abs(line.wrap(s - g.s + line.length / 2) - line.length / 2);
      d = std::min(d, e);
    }
    double w = std::clamp((d - 40) / 50, 0.0, 1.0);
    u[static_cast<std::size_t>(i)] *= w * w * (3 - 2 * w);
  }
  return u;
}

// Geometry, speed limits, speeds and times of a run whose offsets are set.
void ride(Run& r, const Centreline& line, const TrackProfile& profile,
          const std::vector<Surface>& surfaces, const Skill& skill, bool periodic,
          double start_speed, const std::vector<double>& whoops_cap) {
  const int n = static_cast<int>(line.points.size());
  const int c = r.count;
  auto cp = [&](int k) -> const CentrePoint& {
    return line.points[static_cast<std::size_t>(wrap_index(r.first + k, n))];
  };
  r.x.resize(c);
  r.z.resize(c);
  for (int k = 0; k < c; ++k) offset_point(cp(k), r.u[k], r.x[k], r.z[k]);
  auto at = [&](int k) { return periodic ? wrap_index(k, c) : std::clamp(k, 0, c - 1); };
  r.ds.assign(c, line.step);
  for (int k = 0; k < c; ++k) {
    int b = at(k + 1);
    if (b != k) r.ds[k] = std::max(1e-3, std::hypot(r.x[b] - r.x[k], r.z[b] - r.z[k]));
  }
  // Signed curvature of the ridden path from the circle through points
  // four samples apart.
  r.curvature.assign(c, 0.0);
  for (int k = 0; k < c; ++k) {
    int a = at(k - 4), b = at(k + 4);
    double ax = r.x[k] - r.x[a], az = r.z[k] - r.z[a], bx = r.x[b] - r.x[k], bz = r.z[b] - r.z[k];
    double la = std::hypot(ax, az), lb = std::hypot(bx, bz),
           lc = std::hypot(r.x[b] - r.x[a], r.z[b] - r.z[a]);
    if (la < 1e-6 || lb < 1e-6 || lc < 1e-6) continue;
    r.curvature[k] = 2 * (ax * bz - az * bx) / (la * lb * lc);
  }

  // Speed limits: lean (more on a banked berm, never past the ground's
  // grip), the skill's top speed, whoops, and the design speed of each lip.
  r.cap.assign(c, skill.top_speed);
  for (int k = 0; k < c; ++k) {
    int i = wrap_index(r.first + k, n);
    double grip_lean = std::atan(surface_grip(surfaces[static_cast<std::size_t>(i)])) - 0.08;
    double h0 = surface_height(line, profile, i, r.u[k] - 0.5),
           h1 = surface_height(line, profile, i, r.u[k] + 0.5);
    // The ground rising toward the outside of the turn is a berm to lean on.
    double rise = (h1 - h0) * (r.curvature[k] >= 0 ? -1 : 1);
    double bank = std::max(0.0, std::atan(rise));
    double lean = bank + std::min(skill.lean_deg * kDeg, grip_lean);
    double k_abs = std::abs(r.curvature[k]);
    if (k_abs > 1e-5)
      r.cap[k] = std::min(r.cap[k], std::sqrt(kG * std::tan(std::min(lean, 1.3)) / k_abs));
    r.cap[k] = std::min(r.cap[k], whoops_cap[static_cast<std::size_t>(i)]);
  }
  // Every take-off in the run, by step index.
  std::vector<std::pair<int, int>> lips;  // (step, jump)
  for (std::size_t j = 0; j < profile.jumps.size(); ++j) {
    int lip = wrap_index(line.index(profile.jumps[j].lip_s) - r.first, n);
    for (; lip < c; lip += n) {
      lips.push_back({lip, static_cast<int>(j)});
      r.cap[lip] = std::min(r.cap[lip], profile.jumps[j].design_speed);
    }
  }
  // Marks the steps spent in the air after each lip, flying at the given
  // lip speeds.
  auto mark_flights = [&](bool designed) {
    r.air.assign(c, -1);
    for (auto [lip, j] : lips) {
      const JumpInfo& jump = profile.jumps[static_cast<std::size_t>(j)];
      double th = jump.face_deg * kDeg;
      double v = designed ? jump.design_speed : std::max(r.v[lip], 1.0);
      Flight fl = fly(profile, jump.lip_s, profile.height_at(jump.lip_s), v * std::cos(th),
                      v * std::sin(th));
      int land = lip + static_cast<int>(std::lround((fl.land_s - jump.lip_s) / line.step));
      for (int k = lip + 1; k < land && k < c + (periodic ? c : 0); ++k) r.air[at(k)] = j;
    }
  };

  // Braking backwards from every limit, then accelerating forwards; in the
  // air the speed carries over unchanged. A lap that closes on itself goes
  // round twice so that its end agrees with its start.
  const int rounds = periodic ? 2 : 1;
  auto passes = [&] {
    std::vector<double> vb(r.cap);
    for (int round = 0; round < rounds; ++round) {
      for (int k = c - (periodic ? 1 : 2); k >= 0; --k) {
        int b = at(k + 1);
        if (r.air[b] >= 0)
          vb[k] = std::min(r.cap[k], vb[b]);
        else
          vb[k] = std::min(r.cap[k], std::sqrt(vb[b] * vb[b] + 2 * skill.brake * r.ds[k]));
      }
    }
    r.v.assign(c, 0.0);
    r.v[0] = periodic ? vb[0] : std::min(vb[0], start_speed);
    for (int round = 0; round < rounds; ++round) {
      for (int k = 0; k < c - (periodic ? 0 : 1); ++k) {
        int b = at(k + 1);
        if (periodic && b == 0 && round + 1 == rounds) break;
        double v = r.v[k];
        if (r.air[b] >= 0) {
          r.v[b] = v;  // carried through the flight
          continue;
        }
        double a = skill.accel * std::max(0.05, 1 - (v / skill.top_speed) * (v / skill.top_speed));
        r.v[b] = std::min(vb[b], std::sqrt(v * v + 2 * a * r.ds[k]));
      }
    }
  };
  // Plan with the designed flights, then fly at the speeds actually
  // reached, so a rider who cannot get up to speed lands where he would.
  mark_flights(true);
  // A rider settles his speed well before the lip and holds it up the
  // face; a robot on these lines stops braking in the last seconds before
  // a lip, so a line that still slows there sends it over too fast. The
  // lip speed holds over the last kSteadyBeforeLip seconds of the run-in, but not
  // over the first kSettleAfterLanding feet after an earlier landing,
  // where he may still brake down from that jump.
  for (auto [lip, j] : lips) {
    const double lip_speed = profile.jumps[static_cast<std::size_t>(j)].design_speed;
    double run_in = 0;
    int k = lip - 1;
    for (; k >= 0 && r.air[k] < 0 && run_in <= lip_speed * kSteadyBeforeLip; --k) run_in += r.ds[k];
    int first = k + 1;
    if (k >= 0 && r.air[k] >= 0) first += static_cast<int>(kSettleAfterLanding / line.step);
    for (int q = first; q < lip; ++q) r.cap[q] = std::min(r.cap[q], lip_speed);
  }
  passes();
  mark_flights(false);
  passes();
  r.t.assign(c, 0.0);
  for (int k = 0; k + 1 < c; ++k) {
    double dt;
    if (r.air[k + 1] >= 0 || r.air[k] >= 0) {
      const JumpInfo& jump =
          profile.jumps[static_cast<std::size_t>(r.air[k + 1] >= 0 ? r.air[k + 1] : r.air[k])];
      dt = line.step / (std::max(r.v[k], 1.0) * std::cos(jump.face_deg * kDeg));
    } else {
      dt = r.ds[k] / std::max(0.5 * (r.v[k] + r.v[k + 1]), 0.5);
    }
    r.t[k + 1] = r.t[k] + dt;
  }
}

// The time at which the frame body reaches distance s (not wrapped) along
// the run.
double time_at_s(const Run& r, double s, double step) {
  double f = (s - r.s0) / step;
  int k = std::clamp(static_cast<int>(std::floor(f)), 0, r.count - 2);
  double a = std::clamp(f - k, 0.0, 1.0);
  return r.t[k] + (r.t[k + 1] - r.t[k]) * a;
}

// Samples of the run every 0.25 s between two times.
std::vector<SeedPoint> sample(const Run& r, const Centreline& line, const TrackProfile& profile,
                              const Terrain& terrain, const Skill& skill, double t_begin,
                              double t_end) {
  std::vector<SeedPoint> pts;
  double first = std::ceil(t_begin / kSampleTime - 1e-9) * kSampleTime;
  int k = 0;
  for (double t = first; t < t_end; t += kSampleTime) {
    while (k + 2 < r.count && r.t[k + 1] <= t) ++k;
    double f = std::clamp((t - r.t[k]) / std::max(r.t[k + 1] - r.t[k], 1e-9), 0.0, 1.0);
    SeedPoint p;
    p.x = r.x[k] + (r.x[k + 1] - r.x[k]) * f;
    p.z = r.z[k] + (r.z[k + 1] - r.z[k]) * f;
    double v = r.v[k] + (r.v[k + 1] - r.v[k]) * f;
    int jump = r.air[k + 1] >= 0 ? r.air[k + 1] : -1;
    if (jump >= 0) {
      const JumpInfo& j = profile.jumps[static_cast<std::size_t>(jump)];
      double th = j.face_deg * kDeg;
      double s = r.s0 + (k + f) * line.step;
      // Distance flown since the lip; the run's s and the lip's s may sit
      // either side of the lap's seam.
      double d = std::max(0.0, line.wrap(s - j.lip_s + line.length / 2) - line.length / 2);
      double vh = std::max(r.v[k], 1.0) * std::cos(th);
      double y = profile.height_at(j.lip_s) + std::tan(th) * d - 0.5 * kG * d * d / (vh * vh);
      double vy = vh * std::tan(th) - kG * d / vh;
      p.y = y + kFrameHeight;
      p.speed = -std::hypot(vh, vy);
      p.lean = 0;
    } else {
      p.y = terrain.height_at(p.x, p.z) + kFrameHeight;
      p.speed = v;
      double kappa = r.curvature[k] + (r.curvature[k + 1] - r.curvature[k]) * f;
      double lim = skill.lean_deg * kDeg + 0.35;
      p.lean = std::clamp(-std::atan(v * v * kappa / kG), -lim, lim);
    }
    pts.push_back(p);
  }
  return pts;
}

// The skill's speed limit through whoops (and just before them), per
// centreline sample; no limit elsewhere.
std::vector<double> whoops_caps(const Centreline& line, const TrackProfile& profile,
                                const Skill& skill) {
  std::vector<double> cap(line.points.size(), kInf);
  for (const auto& [a, b] : profile.whoops)
    for (double s = a - 10; line.wrap(s - a + 10) < line.wrap(b - a) + 10; s += line.step)
      cap[static_cast<std::size_t>(line.index(s))] = skill.whoops_speed;
  return cap;
}

// A closed lap ridden `laps` times in a row, times running on.
Run repeat_laps(const Run& r, int laps) {
  Run out = r;
  const int n = r.count;
  out.count = laps * n;
  for (auto* v : {&out.u, &out.x, &out.z, &out.ds, &out.curvature, &out.cap, &out.v}) {
    v->resize(static_cast<std::size_t>(out.count));
    for (int k = n; k < out.count; ++k) (*v)[k] = (*v)[k - n];
  }
  out.air.resize(static_cast<std::size_t>(out.count));
  for (int k = n; k < out.count; ++k) out.air[k] = out.air[k - n];
  // The step from the lap's last sample back to its first.
  double close =
      out.air[0] >= 0 ? r.t[1] - r.t[0] : r.ds[n - 1] / std::max(0.5 * (r.v[n - 1] + r.v[0]), 0.5);
  double lap_time = r.t[n - 1] + close;
  out.t.resize(static_cast<std::size_t>(out.count));
  for (int k = n; k < out.count; ++k) out.t[k] = out.t[k - n] + lap_time;
  return out;
}

int ticks(double seconds) { return static_cast<int>(std::lround(seconds * kTicksPerSecond)); }

bool same_line(const SeedLine& a, const SeedLine& b) {
  if (a.points.size() != b.points.size()) return false;
  for (std::size_t i = 0; i < a.points.size(); ++i) {
    double dx = a.points[i].x - b.points[i].x, dz = a.points[i].z - b.points[i].z;
    if (dx * dx + dz * dz > 0.25) return false;
  }
  return true;
}

void add_unique(std::vector<SeedLine>& segment, SeedLine l) {
  if (l.points.empty()) return;
  for (const SeedLine& o : segment)
    if (same_line(o, l)) return;
  segment.push_back(std::move(l));
}

}  // namespace

std::vector<std::vector<SeedLine>> seed_lines(const Centreline& line, const TrackProfile& profile,
                                              const Terrain& terrain, const Gates& gates,
                                              const std::vector<Surface>& surfaces,
                                              const Skill& skill) {
  const int n = static_cast<int>(line.points.size());
  const int g = static_cast<int>(gates.checkpoints.size());
  const double L = line.length;
  const std::vector<double> whoops_cap = whoops_caps(line, profile, skill);

  // Distance of checkpoint k from the starting line (the last one is the
  // finish, one lap on).
  auto gate_rel = [&](int k) {
    return k + 1 == g
               ? L
               : line.wrap(gates.checkpoints[static_cast<std::size_t>(k)].s - profile.start_s);
  };
  std::vector<std::vector<SeedLine>> segments(static_cast<std::size_t>(2 * g));
  const LineKind kinds[3] = {LineKind::kCentre, LineKind::kInside, LineKind::kOutside};
  const int start_index = line.index(profile.start_s - kStartBehind);
  const double start_s0 = profile.start_s - line.step * std::lround(kStartBehind / line.step);

  // First lap from the gate, one run per line kind.
  for (LineKind kind : kinds) {
    std::vector<double> lap = lap_offsets(line, gates, kind);
    Run r;
    r.first = start_index;
    r.s0 = start_s0;
    r.count = n + static_cast<int>(20 / line.step);
    r.u.resize(r.count);
    for (int k = 0; k < r.count; ++k)
      r.u[k] = lap[static_cast<std::size_t>(wrap_index(r.first + k, n))];
    ride(r, line, profile, surfaces, skill, false, 0, whoops_cap);
    for (int k = 1; k < g; ++k) {
      double t0 = time_at_s(r, profile.start_s + gate_rel(k - 1) - kWheelAhead, line.step);
      double t1 = time_at_s(r, profile.start_s + gate_rel(k) - kWheelAhead, line.step);
      double t2 =
          time_at_s(r, profile.start_s + gate_rel(std::min(k + 1, g - 1)) - kWheelAhead, line.step);
      if (k + 1 >= g) t2 = t1 + (t1 - t0);  // the flying lap follows; close enough for a seed
      add_unique(
          segments[static_cast<std::size_t>(k)],
          {sample(r, line, profile, terrain, skill, t0, t1), ticks(t1 - t0), ticks(t2 - t0)});
    }
  }

  // The first stretch: one line from every starting position, merging
  // into the middle of the track before the first checkpoint.
  {
    std::vector<double> centre = lap_offsets(line, gates, LineKind::kCentre);
    double merge = std::min(0.6 * gate_rel(0), 250.0);
    const CentrePoint& sp = line.at(profile.start_s);
    for (const StartSpot& spot : gates.starts) {
      double u0 = (spot.x - sp.x) * -sp.tz + (spot.z - sp.z) * sp.tx;
      Run r;
      r.first = start_index;
      r.s0 = start_s0;
      r.count = static_cast<int>((gate_rel(std::min(1, g - 1)) + kStartBehind + 20) / line.step);
      r.u.resize(r.count);
      for (int k = 0; k < r.count; ++k) {
        double d = std::clamp((k * line.step - kStartBehind) / merge, 0.0, 1.0);
        double w = d * d * (3 - 2 * d);
        r.u[k] = u0 * (1 - w) + centre[static_cast<std::size_t>(wrap_index(r.first + k, n))] * w;
      }
      ride(r, line, profile, surfaces, skill, false, 0, whoops_cap);
      double t1 = time_at_s(r, profile.start_s + gate_rel(0) - kWheelAhead, line.step);
      double t2 =
          g > 1 ? time_at_s(r, profile.start_s + gate_rel(1) - kWheelAhead, line.step) : 2 * t1;
      add_unique(segments[0],
                 {sample(r, line, profile, terrain, skill, 0, t1), ticks(t1), ticks(t2)});
    }
  }

  // Flying laps: one closed lap, repeated three times so that times run on
  // across the finish line; the middle lap is kept.
  for (LineKind kind : kinds) {
    std::vector<double> lap = lap_offsets(line, gates, kind);
    Run r;
    r.first = line.index(profile.start_s);
    r.s0 = profile.start_s;
    r.count = n;
    r.u.resize(r.count);
    for (int k = 0; k < r.count; ++k)
      r.u[k] = lap[static_cast<std::size_t>(wrap_index(r.first + k, n))];
    ride(r, line, profile, surfaces, skill, true, 0, whoops_cap);
    Run laps = repeat_laps(r, 3);
    for (int j = 0; j < g; ++j) {
      double from = L + (j == 0 ? 0 : gate_rel(j - 1));
      double t0 = time_at_s(laps, profile.start_s + from - kWheelAhead, line.step);
      double t1 = time_at_s(laps, profile.start_s + L + gate_rel(j) - kWheelAhead, line.step);
      double t2 = time_at_s(
          laps, profile.start_s + L + (j + 1 < g ? gate_rel(j + 1) : L + gate_rel(0)) - kWheelAhead,
          line.step);
      add_unique(
          segments[static_cast<std::size_t>(g + j)],
          {sample(laps, line, profile, terrain, skill, t0, t1), ticks(t1 - t0), ticks(t2 - t0)});
    }
  }
  return segments;
}

std::vector<double> centre_lip_speeds(const Centreline& line, const TrackProfile& profile,
                                      const std::vector<Surface>& surfaces, const Skill& skill) {
  const int n = static_cast<int>(line.points.size());
  Run r;
  r.count = n;
  r.u.assign(static_cast<std::size_t>(n), 0.0);
  ride(r, line, profile, surfaces, skill, true, 0, whoops_caps(line, profile, skill));
  std::vector<double> speeds;
  for (const JumpInfo& j : profile.jumps)
    speeds.push_back(r.v[static_cast<std::size_t>(line.index(j.lip_s))]);
  return speeds;
}

std::string lines_text(const std::vector<std::vector<SeedLine>>& segments) {
  std::string out = format("ct03 %d\n", static_cast<int>(segments.size()));
  for (const std::vector<SeedLine>& seg : segments) {
    out += format("%d\n", static_cast<int>(seg.size()));
    for (const SeedLine& l : seg) {
      // No robot has tried these yet: no tests, no failures, best times
      // unknown.
      out += format("%d %d %d %d %d %d %d %d %d\n", static_cast<int>(l.points.size()), l.rec_single,
                    l.rec_double, 0, 1000000, 1000000, 0, 0, 0);
      for (const SeedPoint& p : l.points)
        out += format("[%f %f %f] %f %f\n", p.x, p.y, p.z, p.speed, p.lean);
    }
  }
  return out;
}

}  // namespace mkdata
