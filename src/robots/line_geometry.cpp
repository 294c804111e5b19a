#include "robots/line_geometry.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kStraightDistance = 1000000;

}  // namespace

CircleCentre circle_centre_xz(const LinePoint& p1, const LinePoint& p2, const LinePoint& p3) {
  // Work relative to p2 to keep the products small.
  double ax = double(p1.x) - p2.x, az = double(p1.z) - p2.z;
  double cx = double(p3.x) - p2.x, cz = double(p3.z) - p2.z;
  double cross = ax * cz - az * cx;
  if (std::fabs(cross) < 1e-6) {
    // A straight end. The bisector of the first chord runs perpendicular
    // to it through its midpoint; a chord of zero length gives no
    // direction, so take the second chord's, or any at all.
    double dx = -ax, dz = -az;
    if (dx * dx + dz * dz == 0) {
      dx = cx;
      dz = cz;
    }
    double len = std::sqrt(dx * dx + dz * dz);
    double nx = 1, nz = 0;
    if (len > 0) {
      nx = -dz / len;
      nz = dx / len;
    }
    double mx = (double(p1.x) + p2.x) * 0.5, mz = (double(p1.z) + p2.z) * 0.5;
    return {mx + nx * kStraightDistance, mz + nz * kStraightDistance};
  }
  double a2 = ax * ax + az * az, c2 = cx * cx + cz * cz;
  double d = 2 * cross;
  double ux = (cz * a2 - az * c2) / d;
  double uz = (ax * c2 - cx * a2) / d;
  return {p2.x + ux, p2.z + uz};
}

double distance_xz(const CircleCentre& centre, const LinePoint& p) {
  return std::hypot(p.x - centre.x, p.z - centre.z);
}

LineEnd line_end(const LineCell& a) {
  LineEnd end;
  std::size_t n = a.points.size();
  if (n < 3) return end;
  const LinePoint& last = a.points[n - 1];
  end.usable = true;
  end.centre = circle_centre_xz(a.points[n - 3], a.points[n - 2], last);
  end.radius = distance_xz(end.centre, last);
  end.speed = std::fabs(last.speed);
  return end;
}

bool line_follows(const LineEnd& end, const LineCell& b) {
  if (!end.usable || b.points.size() < 2) return false;
  if (end.speed > std::fabs(b.points[0].speed) + 15) return false;
  double d0 = distance_xz(end.centre, b.points[0]);
  if (d0 < std::max(end.radius - 2.5, 0.0) || d0 > end.radius + 2.5) return false;
  double d1 = distance_xz(end.centre, b.points[1]);
  return std::fabs(d1 - d0) <= 2;
}

bool lines_connect(const LineCell& a, const LineCell& b) { return line_follows(line_end(a), b); }
