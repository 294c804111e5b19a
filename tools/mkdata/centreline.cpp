#include "centreline.h"

#include <algorithm>
#include <cmath>

namespace mkdata {

namespace {

struct P2 {
  double x, z;
};

P2 lerp(P2 a, P2 b, double t) { return {a.x + (b.x - a.x) * t, a.z + (b.z - a.z) * t}; }

double knot(double t, P2 a, P2 b) {
  double d = std::hypot(b.x - a.x, b.z - a.z);
  return t + std::sqrt(std::max(d, 1e-9));  // centripetal: alpha = 1/2
}

// Barry-Goldman evaluation of the centripetal Catmull-Rom span p1..p2.
P2 catmull_rom(P2 p0, P2 p1, P2 p2, P2 p3, double u) {
  double t0 = 0, t1 = knot(t0, p0, p1), t2 = knot(t1, p1, p2), t3 = knot(t2, p2, p3);
  double t = t1 + (t2 - t1) * u;
  P2 a1 = lerp(p0, p1, (t - t0) / (t1 - t0));
  P2 a2 = lerp(p1, p2, (t - t1) / (t2 - t1));
  P2 a3 = lerp(p2, p3, (t - t2) / (t3 - t2));
  P2 b1 = lerp(a1, a2, (t - t0) / (t2 - t0));
  P2 b2 = lerp(a2, a3, (t - t1) / (t3 - t1));
  return lerp(b1, b2, (t - t1) / (t2 - t1));
}

double smoothstep(double t) { return t * t * (3 - 2 * t); }

}  // namespace

double Centreline::wrap(double s) const {
  s = std::fmod(s, length);
  return s < 0 ? s + length : s;
}

int Centreline::index(double s) const {
  int n = static_cast<int>(points.size());
  int i = static_cast<int>(std::lround(wrap(s) / step));
  return i >= n ? i - n : i;
}

const CentrePoint& Centreline::at(double s) const { return points[index(s)]; }

Centreline build_centreline(const std::vector<ControlPoint>& cps, double step) {
  constexpr int kDense = 200;  // spline evaluations per span
  const int n = static_cast<int>(cps.size());
  auto cp = [&](int i) { return P2{cps[(i % n + n) % n].x, cps[(i % n + n) % n].z}; };

  // Dense samples with the span index and parameter of each.
  struct Dense {
    P2 p;
    int span;
    double u;
    double s;
  };
  std::vector<Dense> dense;
  dense.reserve(static_cast<std::size_t>(n) * kDense + 1);
  for (int i = 0; i < n; ++i) {
    for (int k = 0; k < kDense; ++k) {
      double u = static_cast<double>(k) / kDense;
      dense.push_back({catmull_rom(cp(i - 1), cp(i), cp(i + 1), cp(i + 2), u), i, u, 0});
    }
  }
  dense.push_back({cp(0), n, 0, 0});
  for (std::size_t k = 1; k < dense.size(); ++k) {
    dense[k].s = dense[k - 1].s +
                 std::hypot(dense[k].p.x - dense[k - 1].p.x, dense[k].p.z - dense[k - 1].p.z);
  }

  Centreline line;
  line.step = step;
  double total = dense.back().s;
  int count = static_cast<int>(std::floor(total / step));
  line.length = count * step;  // a whole number of steps; the last one stretches a hair
  double scale = total / line.length;
  line.control_s.assign(static_cast<std::size_t>(n), 0);
  for (int i = 0; i < n; ++i)
    line.control_s[i] = dense[static_cast<std::size_t>(i) * kDense].s / scale;

  line.points.resize(static_cast<std::size_t>(count));
  std::size_t k = 0;
  for (int i = 0; i < count; ++i) {
    double target = i * step * scale;
    while (k + 2 < dense.size() && dense[k + 1].s <= target) ++k;
    const Dense& a = dense[k];
    const Dense& b = dense[k + 1];
    double f = b.s > a.s ? (target - a.s) / (b.s - a.s) : 0;
    CentrePoint& p = line.points[static_cast<std::size_t>(i)];
    P2 q = lerp(a.p, b.p, f);
    p.x = q.x;
    p.z = q.z;
    p.s = i * step;
    int span = a.span;
    double u = a.u + (b.span == a.span ? (b.u - a.u) * f : (1 - a.u) * f);
    const ControlPoint& c0 = cps[static_cast<std::size_t>(span % n)];
    const ControlPoint& c1 = cps[static_cast<std::size_t>((span + 1) % n)];
    double w = smoothstep(std::clamp(u, 0.0, 1.0));
    p.width = c0.width + (c1.width - c0.width) * w;
    p.bank_deg = c0.bank_deg + (c1.bank_deg - c0.bank_deg) * w;
    p.surface = c0.surface;
  }

  // Tangents and signed curvature by central differences.
  for (int i = 0; i < count; ++i) {
    const CentrePoint& a = line.points[static_cast<std::size_t>((i + count - 1) % count)];
    const CentrePoint& b = line.points[static_cast<std::size_t>((i + 1) % count)];
    CentrePoint& p = line.points[static_cast<std::size_t>(i)];
    double dx = b.x - a.x, dz = b.z - a.z, len = std::hypot(dx, dz);
    p.tx = dx / len;
    p.tz = dz / len;
  }
  for (int i = 0; i < count; ++i) {
    const CentrePoint& a = line.points[static_cast<std::size_t>((i + count - 1) % count)];
    const CentrePoint& b = line.points[static_cast<std::size_t>((i + 1) % count)];
    // Heading change per foot; with x right and z down on the map, a
    // positive cross product turns toward the rider's right.
    double cross = a.tx * b.tz - a.tz * b.tx;
    double dot = a.tx * b.tx + a.tz * b.tz;
    line.points[static_cast<std::size_t>(i)].curvature = std::atan2(cross, dot) / (2 * step);
  }
  return line;
}

}  // namespace mkdata
