#include "profile.h"

#include <algorithm>
#include <cmath>

#include "ground.h"

namespace mkdata {

namespace {

constexpr double kDeg = 3.14159265358979323846 / 180;
constexpr double kGravity = 32;

// A feature's shape: knots (distance from its start, height above the
// base), straight between knots and zero outside.
struct Shape {
  std::vector<std::pair<double, double>> knots;
  struct Takeoff {
    double lip, target;  // distances from the feature's start
  };
  std::vector<Takeoff> takeoffs;
};

double run(double height, double deg) { return height / std::tan(deg * kDeg); }

Shape shape_of(const Feature& f) {
  Shape sh;
  auto& k = sh.knots;
  switch (f.kind) {
    case FeatureKind::kTabletop: {
      double lip = run(f.height, f.face_deg);
      double land = run(f.height, f.land_deg);
      k = {{0, 0}, {lip, f.height}, {lip + f.gap, f.height}, {lip + f.gap + land, 0}};
      sh.takeoffs.push_back({lip, lip + f.gap + 0.35 * land});
      break;
    }
    case FeatureKind::kDouble:
    case FeatureKind::kTriple: {
      double lip = run(f.height, f.face_deg);
      double back = lip + f.height;  // back of the take-off at 45 degrees
      double peak = lip + f.gap;
      double rise = run(f.land_height, 40);
      double land = run(f.land_height, f.land_deg);
      k = {{0, 0},
           {lip, f.height},
           {back, 0},
           {std::max(back, peak - rise), 0},
           {peak, f.land_height},
           {peak + 2, f.land_height},
           {peak + 2 + land, 0}};
      sh.takeoffs.push_back({lip, peak + 2 + 0.3 * land});
      break;
    }
    case FeatureKind::kStepUp: {
      double lip = run(f.height, f.face_deg);
      double back = lip + f.height;
      double wall = lip + f.gap;
      double top = wall + run(f.land_height, 55);
      double plateau = top + 24;
      k = {{0, 0},
           {lip, f.height},
           {back, 0},
           {wall, 0},
           {top, f.land_height},
           {plateau, f.land_height},
           {plateau + run(f.land_height, f.land_deg), 0}};
      sh.takeoffs.push_back({lip, top + 6});
      break;
    }
    case FeatureKind::kStepDown: {
      // Ride up a gentle ramp onto a plateau, then a short kicker at its
      // edge throws the bike down the long landing.
      double up = run(f.height, 12);
      double edge = up + f.gap;
      double kick = 1.0;
      double lip = edge + run(kick, f.face_deg);
      double land = run(f.height + kick, f.land_deg);
      k = {{0, 0}, {up, f.height}, {edge, f.height}, {lip, f.height + kick}, {lip + land, 0}};
      sh.takeoffs.push_back({lip, lip + 0.45 * land});
      break;
    }
    case FeatureKind::kRhythm: {
      // Jumps in pairs: each even hump throws the bike onto the back of the
      // next one.
      double face = run(f.height, f.face_deg);
      double backside = run(f.height, f.land_deg);
      for (int i = 0; i < f.count; ++i) {
        double s0 = i * f.spacing;
        k.push_back({s0, 0});
        k.push_back({s0 + face, f.height});
        k.push_back({s0 + face + backside, 0});
        if (i % 2 == 0 && i + 1 < f.count)
          sh.takeoffs.push_back({s0 + face, s0 + f.spacing + face + 0.4 * backside});
      }
      break;
    }
    case FeatureKind::kWhoops:
      break;  // smooth bumps, built directly below
  }
  return sh;
}

double shape_height(const Shape& sh, double d) {
  const auto& k = sh.knots;
  if (k.empty() || d <= k.front().first || d >= k.back().first) return 0;
  for (std::size_t i = 1; i < k.size(); ++i) {
    if (d <= k[i].first) {
      double span = k[i].first - k[i - 1].first;
      double t = span > 0 ? (d - k[i - 1].first) / span : 1;
      return k[i - 1].second + (k[i].second - k[i - 1].second) * t;
    }
  }
  return 0;
}

// Circular box average of v over +-half samples.
std::vector<double> box_smooth(const std::vector<double>& v, int half) {
  const int n = static_cast<int>(v.size());
  std::vector<double> out(v.size());
  double sum = 0;
  for (int i = -half; i <= half; ++i) sum += v[static_cast<std::size_t>((i % n + n) % n)];
  for (int i = 0; i < n; ++i) {
    out[static_cast<std::size_t>(i)] = sum / (2 * half + 1);
    sum += v[static_cast<std::size_t>((i + half + 1) % n)] -
           v[static_cast<std::size_t>(((i - half) % n + n) % n)];
  }
  return out;
}

}  // namespace

double TrackProfile::height_at(double s) const {
  const int n = static_cast<int>(height.size());
  double f = s / step;
  double fl = std::floor(f);
  int i = static_cast<int>(fl);
  double t = f - fl;
  double a = height[static_cast<std::size_t>((i % n + n) % n)];
  double b = height[static_cast<std::size_t>(((i + 1) % n + n) % n)];
  return a + (b - a) * t;
}

double TrackProfile::slope_before(double s) const {
  // Past the rounding of the lip, on the face itself.
  return (height_at(s - 1) - height_at(s - 3)) / 2;
}

Flight fly(const TrackProfile& profile, double s0, double y0, double vh, double vy) {
  constexpr double dt = 1.0 / 512;
  double s = s0, y = y0, t = 0;
  while (t < 6) {
    double s1 = s + vh * dt;
    double y1 = y + vy * dt - 0.5 * kGravity * dt * dt;
    vy -= kGravity * dt;
    t += dt;
    double g1 = profile.height_at(s1);
    if (y1 <= g1 && s1 > s0 + 0.25) {
      // Touch-down between the two steps: interpolate the crossing.
      double g0 = profile.height_at(s);
      double a = y - g0, b = y1 - g1;
      double f = a - b != 0 ? std::clamp(a / (a - b), 0.0, 1.0) : 1;
      return {s + (s1 - s) * f, t - dt + dt * f};
    }
    s = s1;
    y = y1;
  }
  return {s, t};
}

TrackProfile build_profile(const TrackDesc& desc, const Centreline& line) {
  TrackProfile prof;
  prof.step = line.step;
  const std::size_t n = line.points.size();

  // The field's ground under the centreline, smoothed over about 80 feet so
  // the track rolls with the land without bumps of its own.
  std::vector<double> base(n);
  for (std::size_t i = 0; i < n; ++i)
    base[i] = field_height(desc, line.points[i].x, line.points[i].z);
  base = box_smooth(box_smooth(base, static_cast<int>(40 / line.step)),
                    static_cast<int>(20 / line.step));

  // The start straight is level: from behind the gate to well past it.
  prof.start_s = line.wrap(line.control_s[0] + desc.start_offset);
  double level = base[static_cast<std::size_t>(line.index(prof.start_s))];
  for (std::size_t i = 0; i < n; ++i) {
    double d = line.wrap(line.points[i].s - prof.start_s + 60);  // 0 at 60 ft behind the gate
    double w = 0;
    if (d < 260)
      w = 1;
    else if (d < 340)
      w = 1 - (d - 260) / 80;
    else if (d > line.length - 60)
      w = (d - (line.length - 60)) / 60;
    w = w * w * (3 - 2 * w);
    base[i] = base[i] + (level - base[i]) * w;
  }

  std::vector<double> bumps(n, 0.0);
  for (const Feature& f : desc.features) {
    double s0 = line.control_s[static_cast<std::size_t>(f.after_point)] + f.offset;
    if (f.kind == FeatureKind::kWhoops) {
      double len = f.count * f.spacing;
      for (std::size_t i = 0; i < n; ++i) {
        double d = line.wrap(line.points[i].s - s0);
        if (d < len) {
          double c = std::sin(3.14159265358979323846 * d / f.spacing);
          bumps[i] += f.height * c * c;
        }
      }
      prof.whoops.push_back({line.wrap(s0), line.wrap(s0 + len)});
      ++prof.whoops_sections;
      continue;
    }
    Shape sh = shape_of(f);
    double len = sh.knots.back().first;
    for (std::size_t i = 0; i < n; ++i) {
      double d = line.wrap(line.points[i].s - s0);
      if (d < len) bumps[i] += shape_height(sh, d);
    }
    for (const Shape::Takeoff& t : sh.takeoffs)
      prof.jumps.push_back(
          {f.kind, line.wrap(s0 + t.lip), f.face_deg, line.wrap(s0 + t.target), 0});
    if (f.kind == FeatureKind::kRhythm) ++prof.rhythm_sections;
    ++prof.jump_features;
  }
  // Round every crease a little: a sharp lip or trough is hard on the
  // suspension and looks wrong.
  for (int pass = 0; pass < 2; ++pass) {
    std::vector<double> b = bumps;
    for (std::size_t i = 0; i < n; ++i)
      bumps[i] = 0.25 * b[(i + n - 1) % n] + 0.5 * b[i] + 0.25 * b[(i + 1) % n];
  }
  prof.height.resize(n);
  for (std::size_t i = 0; i < n; ++i) prof.height[i] = base[i] + bumps[i];

  std::sort(prof.jumps.begin(), prof.jumps.end(),
            [](const JumpInfo& a, const JumpInfo& b) { return a.lip_s < b.lip_s; });
  // Design speed: the lip speed whose flight ends at the target, found by
  // bisection (the landing distance grows with speed).
  for (JumpInfo& j : prof.jumps) {
    double slope = prof.slope_before(j.lip_s);
    double c = 1 / std::sqrt(1 + slope * slope), sn = slope * c;
    j.face_deg = std::atan(slope) / kDeg;
    double target = j.target_s < j.lip_s ? j.target_s + line.length : j.target_s;
    double lo = 5, hi = 150;
    for (int it = 0; it < 50; ++it) {
      double v = 0.5 * (lo + hi);
      Flight fl = fly(prof, j.lip_s, prof.height_at(j.lip_s), v * c, v * sn);
      (fl.land_s < target ? lo : hi) = v;
    }
    j.design_speed = 0.5 * (lo + hi);
  }
  return prof;
}

}  // namespace mkdata
