// The tyre torus against terrain triangles: the cases of the test one by
// one, then thousands of random wheel poses against a brute-force reference
// that samples the core circle densely against each triangle.

#include "sim/tyre_terrain.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

namespace {

constexpr double pi = 3.14159265358979323846;
constexpr double two_20 = 1.0 / (1 << 20);

bool finite(Vec3 v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

// A flat triangle at height h: wide, counter-clockwise seen from above.
struct Tri {
  Vec3 v0, v1, v2;
};
Tri flat(double h, double size = 20) {
  return {{-size, h, -size}, {-size, h, size}, {size, h, size}};
}

TerrainHit test(const Torus& t, const Tri& tri) {
  return torus_triangle(t, tri.v0, tri.v1, tri.v2);
}

// An upright wheel rolling along z: axle along x.
Torus upright(Vec3 centre, double R = 0.8, double r = 0.3) { return {centre, {1, 0, 0}, R, r}; }

// ---------------------------------------------------------------------------
// Single cases.

TEST(TorusTriangle, HoveringOverFaceGivesTubeMinusClearance) {
  // Lowest core point at y = 0.1 over a face at y = 0: the tube reaches 0.2 below it.
  TerrainHit hit = test(upright({0, 0.9, 0}), flat(0));
  ASSERT_TRUE(hit.found);
  EXPECT_NEAR(hit.depth, 0.2, 1e-12);
  EXPECT_NEAR(hit.normal.y, 1, 1e-12);
  EXPECT_NEAR(hit.point.y, 0.1 - 0.3, 1e-12);
}

TEST(TorusTriangle, RestingExactlyOnTheFaceMakesNoContact) {
  TerrainHit hit = test(upright({0, 1.1, 0}), flat(0));
  EXPECT_FALSE(hit.found);
  EXPECT_EQ(hit.depth, 0);
}

TEST(TorusTriangle, CoreCircleThroughTheFaceAddsItsDepthToTheTube) {
  // Core circle bottom 0.25 below the face.
  TerrainHit hit = test(upright({0, 0.55, 0}), flat(0));
  ASSERT_TRUE(hit.found);
  EXPECT_NEAR(hit.depth, 0.25 + 0.3, 1e-12);
  EXPECT_NEAR(hit.normal.y, 1, 1e-12);
  EXPECT_NEAR(hit.point.y, -0.25 - 0.3, 1e-12);
}

TEST(TorusTriangle, TyreSunkBelowTheFaceIsPushedUpByTwiceTheCoreRadius) {
  TerrainHit hit = test(upright({0, -3, 0}), flat(0));
  ASSERT_TRUE(hit.found);
  EXPECT_DOUBLE_EQ(hit.depth, 1.6);
  EXPECT_EQ(hit.normal.x, 0);
  EXPECT_EQ(hit.normal.y, 1);
  EXPECT_EQ(hit.normal.z, 0);
}

TEST(TorusTriangle, SunkBesideTheTrianglesPrismIsNotPushedUp) {
  TerrainHit hit = test(upright({100, -3, 0}), flat(0, 1));
  EXPECT_FALSE(hit.found);
}

TEST(TorusTriangle, CornerInTheSideOfTheTyrePushesAlongTheAxle) {
  // A steep spike whose tip stands 0.1 to the +x side of an upright wheel,
  // inside the core circle's disc. The spike is a triangle whose other
  // corners lie far away and below, so its tip is the nearest feature.
  Tri spike{{0.1, 0.7, 0}, {3, -6, 1}, {3, -6, -1}};
  Torus wheel = upright({0, 0.8, 0});
  TerrainHit hit = test(wheel, spike);
  ASSERT_TRUE(hit.found);
  EXPECT_NEAR(hit.depth, 0.3 - 0.1, 1e-9);
  EXPECT_EQ(hit.normal.x, -1);  // away from the corner's side
  EXPECT_DOUBLE_EQ(hit.point.x, 0.1);
  // The mirror image pushes the other way.
  Tri mirror{{-0.1, 0.7, 0}, {-3, -6, -1}, {-3, -6, 1}};
  hit = test(wheel, mirror);
  ASSERT_TRUE(hit.found);
  EXPECT_EQ(hit.normal.x, 1);
}

TEST(TorusTriangle, CircleDippingBesideAnEdgeUnderTheHubRestsOnThatEdge) {
  // An upright wheel whose core circle dips 0.1 below the plane y = 0. A
  // face beyond z = 0.2 (and its mirror image beyond z = -0.2): the line
  // down from the hub meets the plane at z = 0, outside the face, while
  // the face's edge along x passes under the hub within the core radius.
  Tri ahead{{5, 0, 0.2}, {-5, 0, 0.2}, {0, 0, 5}};
  Tri behind{{-5, 0, -0.2}, {5, 0, -0.2}, {0, 0, -5}};
  for (const Tri& t : {ahead, behind}) {
    TerrainHit hit = test(upright({0, 0.7, 0}), t);
    ASSERT_TRUE(hit.found);
    EXPECT_DOUBLE_EQ(hit.depth, 0.3 - two_20);
    EXPECT_NEAR(length(hit.normal), 1, 1e-12);
    // Up, and out of the face across the edge: the wheel is held up and
    // pushed back off the edge.
    EXPECT_GT(hit.normal.y, 0.9);
    EXPECT_LT(hit.normal.z * t.v2.z, 0);
    EXPECT_EQ(hit.normal.x, 0);
  }
}

TEST(TorusTriangle, NearestEdgeFoundByTheSearch) {
  // A ramp rising toward +x from its foot along the z axis, and a wheel in
  // the x-y plane (axle along z) standing off the ramp's foot on the low
  // side: the foot edge is the nearest feature. In the wheel's plane the
  // edge is the point (0, 0) and the core circle is centred at (-1, 0.3).
  Tri ramp{{0, 0, -5}, {0, 0, 5}, {5, 5, 5}};
  Torus wheel{{-1, 0.3, 0}, {0, 0, 1}, 0.8, 0.3};
  TerrainHit hit = test(wheel, ramp);
  ASSERT_TRUE(hit.found);
  double gap = std::hypot(1.0, 0.3) - 0.8;
  EXPECT_NEAR(hit.depth, 0.3 - gap, 1e-9);
  Vec3 n = normalized(hit.normal);
  EXPECT_NEAR(n.x, -1 / std::hypot(1.0, 0.3), 1e-9);
  EXPECT_NEAR(n.y, 0.3 / std::hypot(1.0, 0.3), 1e-9);
  // An edge along the axle: the search must settle on the edge point in
  // the wheel's plane, though the distance is flat there.
  EXPECT_NEAR(n.z, 0, 1e-9);
  EXPECT_NEAR(hit.point.x, 0, 1e-9);
  EXPECT_NEAR(hit.point.y, 0, 1e-9);
  EXPECT_NEAR(hit.point.z, 0, 1e-9);
}

TEST(TorusTriangle, EdgeAtRightAnglesToTheAxleFoundExactly) {
  // An upright wheel rolling along z over an edge along z, beside its
  // plane by `side` and `gap` below the core circle's lowest point: the
  // nearest edge point lies straight below the hub, at the distance
  // hypot(side, gap). (The edge's distance from the circle is flat there
  // in both directions, which a search on the squared stationary equation
  // only creeps up on.) The face drops steeply away from the edge, so the
  // edge is the nearest feature.
  struct Case {
    double side, gap, hub_z;
  } cases[] = {{0.1, 0.2, 0.3}, {-0.15, 0.05, -1.2}, {0.2, 0.01, 0}, {0.05, 0.25, 2.1}};
  for (const Case& c : cases) {
    double x = c.side;
    Tri ridge = x > 0 ? Tri{{x, 0, -3}, {x, 0, 3}, {x + 3, -6, 0}}
                      : Tri{{x, 0, 3}, {x, 0, -3}, {x - 3, -6, 0}};
    Torus wheel = upright({0, 0.8 + c.gap, c.hub_z});
    TerrainHit hit = test(wheel, ridge);
    ASSERT_TRUE(hit.found) << c.side;
    double distance = std::hypot(c.side, c.gap);
    EXPECT_NEAR(hit.depth, 0.3 - distance, 1e-12) << c.side;
    EXPECT_NEAR(hit.point.z, c.hub_z, 1e-9) << c.side;
    Vec3 n = normalized(hit.normal);
    EXPECT_NEAR(n.x, -c.side / distance, 1e-9) << c.side;
    EXPECT_NEAR(n.y, c.gap / distance, 1e-9) << c.side;
    EXPECT_NEAR(n.z, 0, 1e-9) << c.side;
  }
}

TEST(TorusTriangle, EdgeSearchSettlesOnTheNearestEdgePoint) {
  // An upright wheel rolling along z over a level edge at `angle` (radians)
  // to its plane, passing `side` beside the point under the hub and `gap`
  // below the core circle's lowest point; the face drops steeply away from
  // the wheel, so the edge is the nearest feature. Reference: the distance
  // from the circle sampled densely along the edge, then refined.
  struct Case {
    double angle, side, gap;
  } cases[] = {{0.3, 0.1, 0.1},   {0.8, 0.0, 0.05}, {1.2, -0.2, 0.15}, {1.55, 0.05, 0.2},
               {0.05, 0.3, 0.01}, {1.0, 0.4, 0.02}, {0.6, -0.5, 0.12}};
  const double R = 0.8, r = 0.3;
  for (const Case& c : cases) {
    Vec3 dir{std::sin(c.angle), 0, std::cos(c.angle)};
    // Horizontal, at right angles to the edge, away from the hub's side.
    Vec3 across = Vec3{dir.z, 0, -dir.x} * (c.side < 0 ? -1.0 : 1.0);
    Vec3 through{c.side, 0, 0.4};
    Tri ridge{through - dir * 4, through + dir * 4, through + across * 3 + Vec3{0, -6, 0}};
    if (cross(ridge.v1 - ridge.v0, ridge.v2 - ridge.v0).y < 0) std::swap(ridge.v0, ridge.v1);
    Torus wheel = upright({0, R + c.gap, 0.4}, R, r);
    auto circle_distance = [&](double t) {
      Vec3 q = ridge.v0 + (ridge.v1 - ridge.v0) * t - wheel.centre;
      return std::hypot(q.x, std::hypot(q.y, q.z) - R);
    };
    double best_t = 0, best = circle_distance(0);
    for (int i = 1; i <= 4000; ++i)
      if (double d = circle_distance(i / 4000.0); d < best) best = d, best_t = i / 4000.0;
    double lo = std::max(best_t - 1 / 4000.0, 0.0), hi = std::min(best_t + 1 / 4000.0, 1.0);
    for (int i = 0; i < 200; ++i) {
      double m1 = lo + (hi - lo) / 3, m2 = hi - (hi - lo) / 3;
      if (circle_distance(m1) < circle_distance(m2))
        hi = m2;
      else
        lo = m1;
    }
    best = circle_distance((lo + hi) / 2);
    TerrainHit hit = test(wheel, ridge);
    ASSERT_TRUE(hit.found) << c.angle;
    EXPECT_NEAR(hit.depth, r - best, 1e-10) << c.angle;
  }
}

TEST(TorusTriangle, DegenerateInputGivesNoContactAndNoNaN) {
  Torus wheel = upright({0, 0.5, 0});
  // A triangle without area (two equal corners, and three in a row).
  EXPECT_FALSE(torus_triangle(wheel, {0, 0, 0}, {0, 0, 0}, {1, 0, 1}).found);
  EXPECT_FALSE(torus_triangle(wheel, {0, 0, 0}, {1, 0, 1}, {2, 0, 2}).found);
  // A zero axle, NaN and infinite positions.
  Tri f = flat(0);
  EXPECT_FALSE(test({{0, 0.5, 0}, {0, 0, 0}, 0.8, 0.3}, f).found);
  double nan = std::numeric_limits<double>::quiet_NaN();
  double inf = std::numeric_limits<double>::infinity();
  EXPECT_FALSE(test({{nan, 0.5, 0}, {1, 0, 0}, 0.8, 0.3}, f).found);
  EXPECT_FALSE(test({{0, 0.5, 0}, {1, nan, 0}, 0.8, 0.3}, f).found);
  EXPECT_FALSE(test({{0, 0.5, 0}, {1, 0, 0}, nan, 0.3}, f).found);
  EXPECT_FALSE(torus_triangle(wheel, {0, inf, 0}, {0, 0, 1}, {1, 0, 1}).found);
  // Axle straight up: the wheel lies flat on the face (no steepest
  // direction in its plane); the tube still touches.
  TerrainHit lying = test({{0, 0.2, 0}, {0, 1, 0}, 0.8, 0.3}, f);
  ASSERT_TRUE(lying.found);
  EXPECT_NEAR(lying.depth, 0.1, 1e-12);
  EXPECT_TRUE(finite(lying.normal) && finite(lying.point));
  // Lying flat exactly in the face's plane: the whole core circle touches.
  TerrainHit in_plane = test({{0, 0, 0}, {0, 1, 0}, 0.8, 0.3}, f);
  ASSERT_TRUE(in_plane.found);
  EXPECT_TRUE(finite(in_plane.normal) && finite(in_plane.point));
  // A hub exactly on an edge line, axle along the edge.
  TerrainHit on_edge =
      torus_triangle({{0, 0, 0}, {0, 0, 1}, 0.8, 0.3}, {0, 0, -5}, {0, 0, 5}, {5, 0, 5});
  EXPECT_TRUE(finite(on_edge.normal) && finite(on_edge.point));
  // Zero core radius (a ball of the tube radius).
  TerrainHit ball = test({{0, 0.2, 0}, {1, 0, 0}, 0, 0.3}, f);
  ASSERT_TRUE(ball.found);
  EXPECT_NEAR(ball.depth, 0.1, 1e-12);
}

TEST(TorusTriangle, WildInputNeverGivesNaN) {
  // Values across many magnitudes, signs and zeros, in every slot.
  std::mt19937 rng(99);
  std::uniform_int_distribution<int> exponent(-20, 20), huge(-300, 300), pick(0, 9);
  std::uniform_real_distribution<double> mantissa(-1, 1);
  auto wild = [&] {
    switch (pick(rng)) {
      case 0:
        return 0.0;
      case 1:
        return 1.0;
      case 2:
        return mantissa(rng) * std::pow(2.0, huge(rng));
      default:
        return mantissa(rng) * std::pow(2.0, exponent(rng));
    }
  };
  auto vec = [&] { return Vec3{wild(), wild(), wild()}; };
  for (int n = 0; n < 20000; ++n) {
    Torus t{vec(), vec(), wild(), wild()};
    TerrainHit hit = torus_triangle(t, vec(), vec(), vec());
    ASSERT_TRUE(finite(hit.point) && finite(hit.normal) && std::isfinite(hit.depth)) << n;
    ASSERT_EQ(hit.found, hit.depth > 0);
  }
}

// ---------------------------------------------------------------------------
// The terrain walk and the normal's clean-up.

TEST(CleanTerrainNormal, FlattensOrReplacesDownwardNormals) {
  struct Case {
    Vec3 in, out;
  } cases[] = {
      {{0, 2, 0}, {0, 1, 0}},
      {{3, 4, 0}, {0.6, 0.8, 0}},
      {{1, -1, 0}, {1, 0, 0}},        // cliff from below: flattened
      {{0.01, -1, 0.01}, {0, 1, 0}},  // nearly straight down: up
      {{0.03125, -1, 0}, {1, 0, 0}},  // x^2 + z^2 exactly 1/1024: flattened
      {{0, 0, 0}, {0, 1, 0}},         // nothing to normalise
      {{std::nan(""), 1, 0}, {0, 1, 0}},
  };
  for (const Case& c : cases) {
    Vec3 n = clean_terrain_normal(c.in);
    EXPECT_NEAR(n.x, c.out.x, 1e-12) << c.in.x << " " << c.in.y << " " << c.in.z;
    EXPECT_NEAR(n.y, c.out.y, 1e-12) << c.in.x << " " << c.in.y << " " << c.in.z;
    EXPECT_NEAR(n.z, c.out.z, 1e-12) << c.in.x << " " << c.in.y << " " << c.in.z;
  }
}

HeightField flat_field(float height, int shift = 3, float spacing = 2) {
  HeightField field;
  set_height_field_geometry(field, shift, spacing);
  field.heights.assign(static_cast<size_t>(field.size) * field.size, height);
  return field;
}

TEST(TorusTerrain, WheelOnAFlatFieldEverywhereEvenOutsideIt) {
  HeightField field = flat_field(3);
  // Inside, on a cell corner, on a diagonal, beyond the border.
  for (Vec3 c : {Vec3{5.3, 3.9, 7.1}, Vec3{4, 3.9, 4}, Vec3{5, 3.9, 5}, Vec3{-40, 3.9, 100}}) {
    TerrainHit hit = torus_terrain(field, upright(c));
    ASSERT_TRUE(hit.found) << c.x << " " << c.z;
    EXPECT_NEAR(hit.depth, 3 + 0.3 - (3.9 - 0.8), 1e-6);
    EXPECT_NEAR(hit.normal.y, 1, 1e-12);
  }
}

TEST(TorusTerrain, ExactlyRestingOnAFieldReportsDepthZero) {
  HeightField field = flat_field(0);
  TerrainHit hit = torus_terrain(field, upright({5, 1.1, 5}));
  EXPECT_FALSE(hit.found);
  EXPECT_EQ(hit.depth, 0);
}

TEST(TorusTerrain, CliffFaceNormalIsFlattened) {
  // A wall: heights jump by 30 ft between i = 4 and i = 5; a wheel
  // against the wall's foot from the low side, below the wall top.
  HeightField field = flat_field(0);
  for (int j = 0; j < field.size; ++j)
    for (int i = 5; i < field.size; ++i) field.heights[i + field.size * j] = 30;
  // Axle along z so the tyre's tread faces the wall.
  Torus wheel{{7.8, 5, 8.5}, {0, 0, 1}, 0.8, 0.3};
  TerrainHit hit = torus_terrain(field, wheel);
  ASSERT_TRUE(hit.found);
  EXPECT_GE(hit.normal.y, 0);
  EXPECT_NEAR(length(hit.normal), 1, 1e-12);
  EXPECT_LT(hit.normal.x, -0.5);  // pushed back from the wall
}

TEST(TorusTerrain, EmptyOrBrokenFieldMakesNoContact) {
  HeightField empty;
  EXPECT_FALSE(torus_terrain(empty, upright({0, 0, 0})).found);
  HeightField no_spacing = flat_field(0);
  no_spacing.spacing = 0;
  EXPECT_FALSE(torus_terrain(no_spacing, upright({0, 0, 0})).found);
  HeightField field = flat_field(0);
  EXPECT_FALSE(torus_terrain(field, upright({1e300, 0.5, 0})).found);
  EXPECT_FALSE(torus_terrain(field, upright({std::nan(""), 0.5, 0})).found);
}

// ---------------------------------------------------------------------------
// Property: agreement with a brute-force reference.

// Exact point-to-triangle closest point (regions of the triangle).
Vec3 closest_on_triangle(Vec3 p, Vec3 a, Vec3 b, Vec3 c) {
  Vec3 ab = b - a, ac = c - a, ap = p - a;
  double d1 = dot(ab, ap), d2 = dot(ac, ap);
  if (d1 <= 0 && d2 <= 0) return a;
  Vec3 bp = p - b;
  double d3 = dot(ab, bp), d4 = dot(ac, bp);
  if (d3 >= 0 && d4 <= d3) return b;
  double vc = d1 * d4 - d3 * d2;
  if (vc <= 0 && d1 >= 0 && d3 <= 0) return a + ab * (d1 / (d1 - d3));
  Vec3 cp = p - c;
  double d5 = dot(ab, cp), d6 = dot(ac, cp);
  if (d6 >= 0 && d5 <= d6) return c;
  double vb = d5 * d2 - d1 * d6;
  if (vb <= 0 && d2 >= 0 && d6 <= 0) return a + ac * (d2 / (d2 - d6));
  double va = d3 * d6 - d5 * d4;
  if (va <= 0 && (d4 - d3) >= 0 && (d5 - d6) >= 0)
    return b + (c - b) * ((d4 - d3) / ((d4 - d3) + (d5 - d6)));
  double denom = 1 / (va + vb + vc);
  return a + ab * (vb * denom) + ac * (vc * denom);
}

// How far inside the triangle a point of its plane lies: the distance to
// the nearest edge line, positive inside and negative outside, feet.
double inside_margin(Vec3 p, const Tri& t) {
  Vec3 n = normalized(cross(t.v1 - t.v0, t.v2 - t.v0));
  const Vec3 v[3] = {t.v0, t.v1, t.v2};
  double worst = std::numeric_limits<double>::infinity();
  for (int k = 0; k < 3; ++k) {
    Vec3 e = v[(k + 1) % 3] - v[k];
    Vec3 in = normalized(cross(n, e));
    worst = std::min(worst, dot(p - v[k], in));
  }
  return worst;
}

struct Reference {
  double circle_distance = 0;  // core circle to triangle
  Vec3 circle_normal;          // from the triangle's nearest point to the circle's
  double corner_distance = 0;  // nearest corner to the core circle's disc
  int corner = 0;
  double lowest = 0;   // deepest circle point below the plane (> 0 below)
  double highest = 0;  // highest circle point above the plane
  bool chord = false;  // the circle cuts the plane
  Vec3 chord_a, chord_b;
};

// Any unit vector at right angles to the unit vector a.
Vec3 any_perpendicular(Vec3 a) {
  Vec3 axis = std::fabs(a.x) < 0.6 ? Vec3{1, 0, 0} : Vec3{0, 1, 0};
  return normalized(cross(a, axis));
}

Reference brute_force(const Torus& t, const Tri& tri) {
  Reference ref;
  Vec3 a = normalized(t.axle);
  Vec3 u = any_perpendicular(a);
  Vec3 w = cross(a, u);
  Vec3 n = normalized(cross(tri.v1 - tri.v0, tri.v2 - tri.v0));
  auto circle = [&](double th) {
    return t.centre + (u * std::cos(th) + w * std::sin(th)) * t.core_radius;
  };
  auto dist_at = [&](double th) {
    Vec3 p = circle(th);
    return length(p - closest_on_triangle(p, tri.v0, tri.v1, tri.v2));
  };
  auto height_at = [&](double th) { return dot(circle(th) - tri.v0, n); };
  constexpr int samples = 2048;
  const double step = 2 * pi / samples;
  // Distance: coarse sampling, then a fine scan around every local minimum.
  double best = std::numeric_limits<double>::infinity(), best_th = 0;
  std::vector<double> d(samples);
  for (int i = 0; i < samples; ++i) d[i] = dist_at(i * step);
  for (int i = 0; i < samples; ++i) {
    if (d[i] > d[(i + samples - 1) % samples] || d[i] > d[(i + 1) % samples]) continue;
    double lo = (i - 1) * step, hi = (i + 1) * step;
    for (int pass = 0; pass < 3; ++pass) {
      double fine = (hi - lo) / 200, local_th = lo, local = std::numeric_limits<double>::infinity();
      for (int k = 0; k <= 200; ++k) {
        double th = lo + k * fine, v = dist_at(th);
        if (v < local) local = v, local_th = th;
      }
      lo = local_th - fine;
      hi = local_th + fine;
      if (local < best) best = local, best_th = local_th;
    }
  }
  ref.circle_distance = best;
  Vec3 p = circle(best_th);
  ref.circle_normal = normalized(p - closest_on_triangle(p, tri.v0, tri.v1, tri.v2));
  // Corners against the filled disc.
  const Vec3 v[3] = {tri.v0, tri.v1, tri.v2};
  ref.corner_distance = std::numeric_limits<double>::infinity();
  for (int k = 0; k < 3; ++k) {
    Vec3 rel = v[k] - t.centre;
    double axial = dot(rel, a);
    double radial = length(rel - a * axial);
    double dist = std::hypot(axial, std::max(0.0, radial - t.core_radius));
    if (dist < ref.corner_distance) ref.corner_distance = dist, ref.corner = k;
  }
  // Heights of the circle over the plane and the chord it cuts.
  ref.lowest = -std::numeric_limits<double>::infinity();
  ref.highest = -std::numeric_limits<double>::infinity();
  int crossings = 0;
  for (int i = 0; i < samples; ++i) {
    double h0 = height_at(i * step), h1 = height_at((i + 1) * step);
    ref.lowest = std::max(ref.lowest, -h0);
    ref.highest = std::max(ref.highest, h0);
    if ((h0 <= 0) != (h1 <= 0)) {
      double lo = i * step, hi = (i + 1) * step;
      for (int k = 0; k < 60; ++k) {
        double mid = (lo + hi) / 2;
        if ((height_at(mid) <= 0) == (h0 <= 0))
          lo = mid;
        else
          hi = mid;
      }
      (crossings++ == 0 ? ref.chord_a : ref.chord_b) = circle(lo);
    }
  }
  ref.chord = crossings == 2;
  return ref;
}

// A random triangle a few feet across, counter-clockwise seen from above,
// with heights that make anything from flat ground to a steep face.
Tri random_triangle(std::mt19937& rng) {
  std::uniform_real_distribution<double> xz(-2.5, 2.5), h(-1.5, 1.5);
  for (;;) {
    Tri t{{xz(rng), h(rng), xz(rng)}, {xz(rng), h(rng), xz(rng)}, {xz(rng), h(rng), xz(rng)}};
    Vec3 n = cross(t.v1 - t.v0, t.v2 - t.v0);
    if (std::fabs(n.y) < 1.0) continue;  // keep some horizontal area
    if (n.y < 0) std::swap(t.v1, t.v2);
    return t;
  }
}

enum PoseKind { pose_near, pose_sunk, pose_side_corner };

Torus random_pose(std::mt19937& rng, const Tri& tri, PoseKind kind) {
  std::uniform_real_distribution<double> unit(0, 1), sym(-1, 1);
  Torus t;
  t.core_radius = 0.75 + 0.1 * unit(rng);
  t.tube_radius = 0.3 + 0.04 * unit(rng);
  double yaw = 2 * pi * unit(rng);
  double tilt = unit(rng) < 0.7 ? 0.6 * sym(rng) : 0.5 * pi * sym(rng);
  t.axle = {std::cos(yaw) * std::cos(tilt), std::sin(tilt), std::sin(yaw) * std::cos(tilt)};
  Vec3 n = normalized(cross(tri.v1 - tri.v0, tri.v2 - tri.v0));
  // A point on (or a little beyond) the triangle.
  double b1 = -0.3 + 1.6 * unit(rng), b2 = -0.3 + 1.6 * unit(rng);
  if (b1 + b2 > 1.3) b1 = 1.3 - b1, b2 = 1.3 - b2;
  Vec3 target = tri.v0 + (tri.v1 - tri.v0) * b1 + (tri.v2 - tri.v0) * b2;
  Vec3 d = normalized(cross(cross(n, t.axle), t.axle));
  Vec3 jitter{0.5 * sym(rng), 0.5 * sym(rng), 0.5 * sym(rng)};
  switch (kind) {
    case pose_near:
      t.centre = target - d * t.core_radius + jitter + n * (-0.3 + 0.8 * unit(rng));
      break;
    case pose_sunk: {
      // Straight down from a point well inside the triangle.
      Vec3 inside = (tri.v0 + tri.v1 + tri.v2) * (1.0 / 3);
      t.centre = inside + (target - inside) * 0.3 - Vec3{0, t.core_radius + 3 * unit(rng), 0};
      break;
    }
    default: {
      // A corner near the side of the tyre, inside the disc's radius.
      Vec3 corner = unit(rng) < 0.5 ? tri.v0 : (unit(rng) < 0.5 ? tri.v1 : tri.v2);
      Vec3 a = normalized(t.axle);
      Vec3 in_plane = any_perpendicular(a) * (t.core_radius * 0.9 * unit(rng));
      t.centre = corner - a * (0.4 * sym(rng)) - in_plane;
      break;
    }
  }
  return t;
}

TEST(TorusTriangleProperty, AgreesWithBruteForceReference) {
  std::mt19937 rng(20261211);
  constexpr double tol = 1e-4;
  int face_cut = 0, sunk = 0, straddle = 0, edge = 0, corner = 0, face = 0, clear = 0, skipped = 0,
      total = 0;
  double worst_depth_error = 0;
  constexpr PoseKind kinds[4] = {pose_near, pose_near, pose_side_corner, pose_sunk};
  for (int n = 0; n < 4000; ++n) {
    Tri tri = random_triangle(rng);
    Torus t = random_pose(rng, tri, kinds[n % 4]);
    TerrainHit hit = test(t, tri);
    ASSERT_TRUE(finite(hit.point) && finite(hit.normal) && std::isfinite(hit.depth));
    ASSERT_EQ(hit.found, hit.depth > 0);
    Reference ref = brute_force(t, tri);
    Vec3 nh = normalized(cross(tri.v1 - tri.v0, tri.v2 - tri.v0));
    Vec3 a = normalized(t.axle);
    const double R = t.core_radius, r = t.tube_radius;
    ++total;
    SCOPED_TRACE(testing::Message() << "pose " << n);

    if (ref.highest <= -tol) {
      // The whole core circle is below the face's plane.
      Vec3 c = t.centre;
      Tri flat_tri{{tri.v0.x, 0, tri.v0.z}, {tri.v1.x, 0, tri.v1.z}, {tri.v2.x, 0, tri.v2.z}};
      double m = inside_margin({c.x, 0, c.z}, flat_tri);
      if (m > tol) {
        ++sunk;
        ASSERT_TRUE(hit.found);
        EXPECT_DOUBLE_EQ(hit.depth, 2 * R);
        EXPECT_EQ(hit.normal.y, 1);
      } else {
        ++skipped;  // sunk beside the prism: only edges and corners are searched
      }
      continue;
    }
    if (ref.chord && ref.lowest > tol && ref.highest > tol) {
      Vec3 X = (ref.chord_a + ref.chord_b) * 0.5;
      double m = inside_margin(X, tri);
      if (m > tol) {
        ++face_cut;
        ASSERT_TRUE(hit.found);
        EXPECT_NEAR(hit.depth, r + ref.lowest, tol);
        EXPECT_NEAR(dot(hit.normal, nh), 1, 1e-9);
        continue;
      }
      // Does the chord (the disc's cut through the plane) meet the triangle?
      double best = -std::numeric_limits<double>::infinity();
      for (int k = 0; k <= 1000; ++k)
        best = std::max(
            best, inside_margin(ref.chord_a + (ref.chord_b - ref.chord_a) * (k / 1000.0), tri));
      if (m < -tol && best > tol) {
        ++straddle;
        ASSERT_TRUE(hit.found);
        EXPECT_DOUBLE_EQ(hit.depth, r - two_20);
        EXPECT_NEAR(length(hit.normal), 1, 1e-9);
        continue;
      }
      if (m > -tol || best > -tol) {
        ++skipped;  // on a boundary between two cases
        continue;
      }
    } else if (ref.chord || std::fabs(ref.lowest) <= tol || std::fabs(ref.highest) <= tol) {
      ++skipped;  // grazing the plane: on a boundary between two cases
      continue;
    }
    // The circle stays clear of the face: depth is the tube radius less the
    // distance from the triangle to the core circle (corners to its disc).
    double distance = std::min(ref.circle_distance, ref.corner_distance);
    double expected = r - distance;
    if (expected < -tol) {
      ++clear;
      EXPECT_FALSE(hit.found);
      continue;
    }
    if (expected < tol) {
      ++skipped;
      continue;
    }
    ASSERT_TRUE(hit.found);
    worst_depth_error = std::max(worst_depth_error, std::fabs(hit.depth - expected));
    EXPECT_NEAR(hit.depth, expected, tol)
        << "point " << hit.point.x << " " << hit.point.y << " " << hit.point.z << " normal "
        << hit.normal.x << " " << hit.normal.y << " " << hit.normal.z << " circle "
        << ref.circle_distance << " corner " << ref.corner_distance;
    Vec3 got = clean_terrain_normal(hit.normal);
    if (ref.corner_distance < ref.circle_distance - tol) {
      ++corner;
      // Pushed along the axle, away from the corner's side.
      const Vec3 v[3] = {tri.v0, tri.v1, tri.v2};
      double side = dot(v[ref.corner] - t.centre, a);
      EXPECT_NEAR(dot(hit.normal, a), side > 0 ? -1 : 1, 1e-9);
    } else if (ref.circle_distance < ref.corner_distance - tol) {
      bool on_face = dot(ref.circle_normal, nh) > 1 - 1e-6;
      ++(on_face ? face : edge);
      if (ref.circle_normal.y >= 0) {
        EXPECT_GT(dot(got, ref.circle_normal), 0.999);
      }
    } else {
      ++skipped;
    }
  }
  std::printf(
      "poses %d: face cut %d, sunk %d, straddle %d, edge %d, corner %d, face %d, "
      "clear %d, skipped %d; worst depth error %.3g\n",
      total, face_cut, sunk, straddle, edge, corner, face, clear, skipped, worst_depth_error);
  EXPECT_GT(face_cut, 50);
  EXPECT_GT(sunk, 50);
  EXPECT_GT(straddle, 20);
  EXPECT_GT(edge, 300);
  EXPECT_GT(corner, 50);
  EXPECT_GT(face, 50);
  EXPECT_LT(skipped, total / 10);
}

}  // namespace
