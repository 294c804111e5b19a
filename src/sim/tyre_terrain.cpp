#include "sim/tyre_terrain.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include <ode/ode.h>

#include "sim/bike.h"

namespace {

constexpr double touch_distance = 1.0 / (1 << 20);  // 2^-20 ft: an edge touching the circle
constexpr double no_direction = 1.0 / (1 << 20);    // squared length of a normal too short to use
constexpr double newton_flat = 1.0 / (1 << 30);     // |f'| below this: Newton stops

bool finite(Vec3 v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

// The part of v at right angles to the unit vector a.
Vec3 perpendicular(Vec3 v, Vec3 a) { return v - a * dot(v, a); }

// The tyre as every triangle test under it sees it.
struct Wheel {
  Vec3 c, a;    // centre; unit axle
  double R, r;  // core and tube radius
};

// The wheel of a torus; false (no contact anywhere) for a zero axle or
// non-finite input.
bool wheel_of(const Torus& torus, Wheel& w) {
  w = {torus.centre, normalized(torus.axle), torus.core_radius, torus.tube_radius};
  return finite(w.c) && finite(w.a) && dot(w.a, w.a) != 0 && std::isfinite(w.R) &&
         std::isfinite(w.r);
}

// Everything the per-triangle test keeps about the tyre and the triangle.
struct Setup {
  Vec3 c, a;      // centre; unit axle
  double R, r;    // core and tube radius
  Vec3 v[3];      // corners
  Vec3 e[3];      // edges v[k] -> v[k+1]
  Vec3 m[3];      // outward edge normals e[k] x N
  Vec3 N, n_hat;  // face normal (length = twice the area) and its unit
};

bool outside_edge(const Setup& s, Vec3 p, int k) { return dot(p - s.v[k], s.m[k]) > 0; }

bool outside_any_edge(const Setup& s, Vec3 p) {
  return outside_edge(s, p, 0) || outside_edge(s, p, 1) || outside_edge(s, p, 2);
}

// The point of the core circle nearest to q. When q lies (almost) on the
// axle every circle point is as near; the first of the directions (R, 0,
// 0), (0, R, 0), (R, R, 0), ... not along the axle picks one, so the
// answer is still a circle point.
Vec3 nearest_circle_point(const Setup& s, Vec3 q) {
  Vec3 p = perpendicular(q - s.c, s.a);
  for (int n = 1; dot(p, p) < s.R * 1e-6 && n < 8; ++n)
    p = perpendicular(Vec3{s.R * (n & 1), s.R * ((n >> 1) & 1), s.R * ((n >> 2) & 1)}, s.a);
  return s.c + normalized(p) * s.R;
}

// The normal of a tyre resting on an edge: at right angles to the edge and
// to the circle's tangent at the circle point (the tangent taken the way
// that leans up the face). Since every triangle runs counter-clockwise seen
// from above, it points out of the triangle across that edge. An edge
// along the tangent gives no direction; the face normal stands in.
Vec3 edge_normal(const Setup& s, Vec3 edge, Vec3 circle_point) {
  Vec3 t = cross(circle_point - s.c, s.a);
  if (dot(t, s.N) < 0) t = -t;
  Vec3 n = cross(edge, t);
  if (dot(n, n) < no_direction) return s.n_hat;
  return normalized(n);
}

// The edge of a triangle against the core circle. With w = q(t) - c for
// the edge point q(t) = v + t e, A = w.e, C = A - (w.a)(e.a) and rho =
// sqrt(|w|^2 - (w.a)^2) its distance from the axle, the squared distance
// from q(t) to the circle has the derivative 2 g / rho, with
//   g(t) = rho A - R C,
// so its stationary points are the roots of g. (Squaring g away would
// spare the square root, but A^2 rho^2 - R^2 C^2 has a double root where
// A = 0 and C = 0 together: the foot of the hub on an edge at right
// angles to the axle, or on an edge along it. Newton's method converges
// only linearly there, and such edges lie under every wheel that rides
// along the grid. On g those roots are simple.)
struct EdgeFunction {
  Vec3 w0, e, a;
  double R;
  double ee, ea;  // e.e and e.a

  // g and dg/dt at t; NaN slope on the axle itself (rho = 0), where g has
  // no derivative and Newton stops.
  void eval(double t, double& g, double& dg) const {
    Vec3 w = w0 + e * t;
    double wa = dot(w, a);
    double A = dot(w, e);
    double B = dot(w, w) - wa * wa;  // rho^2; dB/dt = 2C
    double C = A - wa * ea;
    double rho = std::sqrt(std::max(B, 0.0));
    g = rho * A - R * C;
    dg = rho > 0 ? C / rho * A + rho * ee - R * (ee - ea * ea)
                 : std::numeric_limits<double>::quiet_NaN();
  }

  // Half the derivative of the squared distance, G = g / rho =
  // (w.a)(e.a) + C (1 - R / rho), and dG/dt; for use only where rho > 0.
  void half_slope(double t, double& G, double& dG) const {
    Vec3 w = w0 + e * t;
    double wa = dot(w, a);
    double C = dot(w, e) - wa * ea;
    double rho = std::sqrt(std::max(dot(w, w) - wa * wa, 0.0));
    G = wa * ea + C * (1 - R / rho);
    dG = ea * ea + (ee - ea * ea) * (1 - R / rho) + R * C * C / (rho * rho * rho);
  }
};

// Newton's method from `t`. A step that makes |g| larger is refused and
// ends the search, as do a flat spot and a step too small to matter. The
// roots are simple, so a few steps settle; the cap only bounds a search
// that wanders.
constexpr int newton_steps = 12;

double newton(const EdgeFunction& fn, double t) {
  double f, df;
  fn.eval(t, f, df);
  for (int accepted = 0; accepted < newton_steps;) {
    if (!(std::fabs(df) >= newton_flat)) break;
    double next = t - f / df;
    double f_next, df_next;
    fn.eval(next, f_next, df_next);
    if (!(std::fabs(f_next) <= std::fabs(f))) break;
    bool settled = std::fabs(next - t) < 1e-9;
    t = next;
    f = f_next;
    df = df_next;
    ++accepted;
    if (settled) break;
  }
  return t;
}

// The minimum on 0 <= t <= 1 of a squared distance that is convex there:
// an end where the slope there points outward, else the root of its
// slope G by Newton's method kept inside the bracket that G's signs give
// (halving it where a step would leave it).
double convex_minimum(const EdgeFunction& fn) {
  double G, dG;
  fn.half_slope(0, G, dG);
  if (!(G < 0)) return 0;
  fn.half_slope(1, G, dG);
  if (!(G > 0)) return 1;
  double lo = 0, hi = 1, t = 0.5;
  // Each step at least halves the bracket, so 64 exhaust a double's
  // precision.
  for (int step = 0; step < 64; ++step) {
    fn.half_slope(t, G, dG);
    if (G < 0)
      lo = t;
    else if (G > 0)
      hi = t;
    else
      break;
    double next = t - G / dG;
    if (!(next > lo && next < hi)) next = (lo + hi) / 2;
    bool settled = std::fabs(next - t) < 1e-9;
    t = next;
    if (settled) break;
  }
  return t;
}

// The nearest feature of the triangle to the core circle.
struct Feature {
  double distance = std::numeric_limits<double>::infinity();
  int edge = -1;    // 0..2 for an edge, -1 for a corner
  int corner = -1;  // 0..2 for a corner
  Vec3 q;           // the edge point found
};

// True when the edge lies clearly farther than the tube radius from the
// core circle: both ends on one side of the wheel plane by more, or its
// nearest point to the hub more than R plus that away. The margin is far
// above rounding.
bool edge_beyond_tube(const Setup& s, int k, Vec3 e, double ee) {
  double limit = s.r + touch_distance;
  double side0 = dot(s.v[k] - s.c, s.a), side1 = dot(s.v[(k + 1) % 3] - s.c, s.a);
  if (std::min(side0, side1) > limit || -std::max(side0, side1) > limit) return true;
  double t = std::clamp(dot(s.c - s.v[k], e) / ee, 0.0, 1.0);
  return length(s.v[k] + e * t - s.c) - s.R > limit;
}

void search_edge(const Setup& s, int k, Feature& best) {
  Vec3 e = s.e[k];
  double ee = dot(e, e);
  if (!(ee > 0)) return;  // a collapsed edge: its corners stand for it
  // Such an edge, were it the nearest feature, would give no contact, and
  // otherwise does not matter: the Newton searches are spared.
  if (edge_beyond_tube(s, k, e, ee)) return;
  double t0 = dot(e, s.c - s.v[k]) / ee;
  Vec3 e_perp = perpendicular(e, s.a);
  double pp = dot(e_perp, e_perp);
  EdgeFunction fn{s.v[k] - s.c, e, s.a, s.R, ee, dot(e, s.a)};
  auto keep = [&](double t) {
    Vec3 q = s.v[k] + e * t;
    double distance = length(q - nearest_circle_point(s, q));
    if (distance < best.distance) best = {distance, k, -1, q};
  };
  // Seen along the axle, the edge's line passes the hub at distance h. When
  // h is clearly above R, the squared distance from the circle is convex
  // along the line (the distance from the axle, never below h, less R,
  // squared; plus the square of the distance from the wheel plane, linear
  // along the line): one bracketed search finds its only minimum on the
  // edge.
  if (pp > ee * 1e-12) {
    Vec3 w_perp = perpendicular(fn.w0, s.a);
    double ww = dot(w_perp, w_perp), wp = dot(w_perp, e_perp);
    double h2 = ww - wp * wp / pp;
    if (h2 > s.R * s.R * (1 + 1e-6) + ww * 1e-12) {
      keep(convex_minimum(fn));
      return;
    }
  }
  double delta = pp < s.R * 1e-6 ? 0.001 * s.R : s.R * std::sqrt(pp) / ee;
  for (double start : {t0 - delta, t0 + delta}) keep(std::clamp(newton(fn, start), 0.0, 1.0));
}

// Corners see the filled disc of the core circle, so a corner poking into
// the side of the tyre is met by the wheel's side.
void search_corner(const Setup& s, int k, Feature& best) {
  Vec3 p = perpendicular(s.v[k] - s.c, s.a);
  double len = length(p);
  if (len > s.R) p = p * (s.R / len);
  double distance = length(s.c + p - s.v[k]);
  if (distance < best.distance) best = {distance, -1, k, {}};
}

// True when every corner lies on one side of the wheel's plane, farther
// from it than the tube radius (by a margin far above rounding).
bool beside_wheel_plane(const Setup& s) {
  double limit = s.r + touch_distance;
  double side[3];
  for (int k = 0; k < 3; ++k) side[k] = dot(s.v[k] - s.c, s.a);
  return std::min({side[0], side[1], side[2]}) > limit ||
         -std::max({side[0], side[1], side[2]}) > limit;
}

// A lower bound of the distance between the triangle and the core circle
// (and its filled disc, which the corner search uses): the triangle's
// corners all on one side of the wheel plane; the circle's span of heights
// over the face's plane; and the hub's distance from the triangle (its
// height over the plane together with how far outside the farthest edge
// it stands), less R.
double distance_bound(const Setup& s) {
  double side[3];
  for (int k = 0; k < 3; ++k) side[k] = dot(s.v[k] - s.c, s.a);
  double bound = std::max(
      {std::min({side[0], side[1], side[2]}), -std::max({side[0], side[1], side[2]}), 0.0});
  double height = dot(s.c - s.v[0], s.n_hat);
  double an = dot(s.a, s.n_hat);
  double spread = s.R * std::sqrt(std::max(1 - an * an, 0.0));
  bound = std::max({bound, height - spread, -height - spread});
  double out = 0;
  for (int k = 0; k < 3; ++k) {
    double o = dot(s.c - s.v[k], s.m[k]);
    if (o > 0) out = std::max(out, o / std::sqrt(dot(s.m[k], s.m[k])));
  }
  return std::max(bound, std::sqrt(height * height + out * out) - s.R);
}

TerrainHit general_case(const Setup& s) {
  // The feature search below is the costly part of a wheel's terrain test,
  // and most triangles under a wheel lie clearly beyond its tube: those
  // are let go first. The margin is far above rounding, so a triangle let
  // go is one the search would have reported without contact.
  if (distance_bound(s) > s.r + touch_distance) return {};
  Feature f;
  for (int k = 0; k < 3; ++k) search_edge(s, k, f);
  for (int k = 0; k < 3; ++k) search_corner(s, k, f);
  TerrainHit hit;
  if (!std::isfinite(f.distance)) return hit;
  hit.depth = s.r - f.distance;
  if (f.edge >= 0 && f.distance > touch_distance) {
    hit.point = f.q;
    hit.normal = nearest_circle_point(s, f.q) - f.q;
  } else if (f.edge >= 0) {
    Vec3 p = nearest_circle_point(s, f.q);
    hit.normal = edge_normal(s, s.e[f.edge], p);
    hit.point = p - hit.normal * s.r;
  } else {
    Vec3 corner = s.v[f.corner];
    hit.point = corner;
    hit.normal = dot(corner - s.c, s.a) > 0 ? -s.a : s.a;
  }
  return hit;
}

// The core circle cuts the plane; X is where the circle's steepest
// diameter meets it.
TerrainHit circle_cuts_plane(const Setup& s, Vec3 d, Vec3 P1) {
  TerrainHit hit;
  double dn = dot(d, s.N);                // negative whenever the circle cuts the plane
  if (!(dn < 0)) return general_case(s);  // only rounding gets here
  Vec3 X = s.c + d * (dot(s.v[0] - s.c, s.N) / dn);
  if (!outside_any_edge(s, X)) {
    hit.depth = -dot(P1 - s.v[0], s.n_hat) + s.r;
    hit.normal = s.n_hat;
    hit.point = P1 - s.n_hat * s.r;
    return hit;
  }
  // The circle dips through the plane beside the triangle: an edge that
  // passes through the wheel's disc holds the tyre up.
  for (int k = 0; k < 3; ++k) {
    if (!outside_edge(s, X, k)) continue;
    Vec3 a_end = s.v[k], b_end = s.v[(k + 1) % 3];
    double side_a = dot(a_end - s.c, s.a), side_b = dot(b_end - s.c, s.a);
    if ((side_a <= 0) == (side_b <= 0)) continue;
    Vec3 Y = a_end + s.e[k] * (side_a / (side_a - side_b));
    if (!(length(Y - s.c) < s.R)) continue;
    Vec3 p = nearest_circle_point(s, Y);
    hit.normal = edge_normal(s, s.e[k], p);
    hit.point = p - hit.normal * s.r;
    hit.depth = s.r - touch_distance;
    return hit;
  }
  return general_case(s);
}

// A quick exact rejection: with the hub on or above the face's plane,
// every way of touching needs some point of the triangle within R + r of
// the hub, so a hub that far above the plane, or that far outside one
// edge, touches nothing. (Below the plane the sunk case reaches any depth.)
bool out_of_reach(const Setup& s) {
  double reach = s.R + s.r;
  double height = dot(s.c - s.v[0], s.n_hat);
  if (height < 0) return false;
  if (height >= reach) return true;
  for (int k = 0; k < 3; ++k) {
    double out = dot(s.c - s.v[k], s.m[k]);
    if (out > 0 && out * out >= reach * reach * dot(s.m[k], s.m[k])) return true;
  }
  return false;
}

bool inside_vertical_prism(const Setup& s, Vec3 p) {
  for (int k = 0; k < 3; ++k) {
    Vec3 out{-s.e[k].z, 0, s.e[k].x};  // e[k] x (0, 1, 0)
    if (dot(p - s.v[k], out) > 0) return false;
  }
  return true;
}

// The torus against one triangle, for a valid wheel.
TerrainHit wheel_triangle(const Wheel& wheel, Vec3 v0, Vec3 v1, Vec3 v2) {
  TerrainHit none;
  if (!finite(v0) || !finite(v1) || !finite(v2)) return none;
  Setup s;
  s.c = wheel.c;
  s.a = wheel.a;
  s.R = wheel.R;
  s.r = wheel.r;
  s.v[0] = v0;
  s.v[1] = v1;
  s.v[2] = v2;
  s.N = cross(v1 - v0, v2 - v0);
  if (!(dot(s.N, s.N) > 0) || !finite(s.N)) return none;
  // A triangle wholly beside the wheel's plane, farther than the tube, is
  // out of the tyre's reach unless the tyre is sunk under its face; with
  // the hub above the face's plane it is not. The cheapest rejection, so
  // it goes first.
  if (dot(s.c - v0, s.N) > 0 && beside_wheel_plane(s)) return none;
  s.n_hat = normalized(s.N);
  for (int k = 0; k < 3; ++k) {
    s.e[k] = s.v[(k + 1) % 3] - s.v[k];
    s.m[k] = cross(s.e[k], s.N);
  }
  if (out_of_reach(s)) return none;

  // d: the direction in the wheel plane that points most into the ground.
  // Zero when the wheel lies flat on the face; then P1 = P2 = c and the
  // cases below still hold.
  Vec3 d = normalized(cross(cross(s.N, s.a), s.a));
  Vec3 P1 = s.c + d * s.R, P2 = s.c - d * s.R;
  bool p1_below = dot(P1 - v0, s.N) <= 0, p2_below = dot(P2 - v0, s.N) <= 0;

  TerrainHit hit;
  if (p1_below && !p2_below) {
    hit = circle_cuts_plane(s, d, P1);
  } else if (p1_below) {
    if (inside_vertical_prism(s, s.c)) {
      hit.depth = 2 * s.R;
      hit.normal = {0, 1, 0};
      hit.point = P1;
    } else {
      hit = general_case(s);
    }
  } else if (!outside_any_edge(s, P1)) {
    Vec3 P1_on_plane = P1 - s.n_hat * dot(P1 - v0, s.n_hat);
    hit.depth = s.r - length(P1 - P1_on_plane);
    hit.normal = s.n_hat;
    hit.point = nearest_circle_point(s, P1_on_plane) - s.n_hat * s.r;
  } else {
    hit = general_case(s);
  }
  if (!(hit.depth > 0) || !finite(hit.point) || !finite(hit.normal)) return none;
  hit.found = true;
  return hit;
}

}  // namespace

TerrainHit torus_triangle(const Torus& torus, Vec3 v0, Vec3 v1, Vec3 v2) {
  Wheel wheel;
  if (!wheel_of(torus, wheel)) return {};
  return wheel_triangle(wheel, v0, v1, v2);
}

TerrainHit torus_terrain(const HeightField& field, const Torus& torus) {
  // The torus's bounding box: the core circle reaches R sqrt(1 - a_k^2)
  // from the hub along world axis k, the tube r further. Any triangle the
  // test could report has a point within r of the circle or its disc, or
  // holds the hub in its vertical prism, so the cells beside the box (an
  // upright wheel's sides) need no test. The margin is far above rounding.
  Wheel wheel;
  if (!wheel_of(torus, wheel)) return {};
  const Vec3 a = wheel.a;
  auto extent = [&](double ak) {
    return wheel.R * std::sqrt(std::max(1 - ak * ak, 0.0)) + wheel.r;
  };
  double bottom = wheel.c.y - extent(a.y);
  return walk_terrain(field, wheel.c.x, wheel.c.z, extent(a.x) + clear_margin,
                      extent(a.z) + clear_margin, bottom, [&](const TerrainTriangle& t) {
                        return wheel_triangle(wheel, t.v[0], t.v[1], t.v[2]);
                      });
}

TerrainHit tyre_terrain_test(const HeightField& field, const WheelContact& wheel) {
  if (!wheel.body) return {};
  const dReal* pos = dBodyGetPosition(wheel.body);
  dVector3 axle;
  dBodyVectorToWorld(wheel.body, wheel.axle.x, wheel.axle.y, wheel.axle.z, axle);
  Torus torus{
      {pos[0], pos[1], pos[2]}, {axle[0], axle[1], axle[2]}, wheel.core_radius, wheel.tube_radius};
  return torus_terrain(field, torus);
}
