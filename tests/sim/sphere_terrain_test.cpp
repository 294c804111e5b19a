// Spheres of the body shapes against terrain triangles and the field.

#include "sim/sphere_terrain.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

namespace {

struct Case {
  const char* name;
  Vec3 centre;
  double radius;
  Vec3 v0, v1, v2;
  bool found;
  double depth;
  Vec3 normal;  // expected unit normal (checked when found)
  Vec3 point;   // expected contact point (checked when found)
};

const double s2 = std::sqrt(2.0);
const double edge_gap = std::sqrt(0.3 * 0.3 + 0.1 * 0.1);
const double corner_gap = std::sqrt(0.3 * 0.3 + 0.1 * 0.1 + 0.2 * 0.2);
const double diagonal_gap = std::sqrt(0.25 * 0.25 + 0.1 * 0.1 + 0.25 * 0.25);

// A wide flat face at y = 0, one ramp face in the plane y = x and one
// small flat face with its edge 0 on x = 0.
const Vec3 F0{-10, 0, -10}, F1{-10, 0, 10}, F2{10, 0, 10};
const Vec3 R0{0, 0, -5}, R1{0, 0, 5}, R2{5, 5, 5};
const Vec3 S0{0, 0, 0}, S1{0, 0, 2}, S2{2, 0, 2};

const Case cases[] = {
    {"over the face", {0, 0.3, 0}, 0.5, F0, F1, F2, true, 0.2, {0, 1, 0}, {0, -0.2, 0}},
    {"resting exactly on the face", {0, 0.5, 0}, 0.5, F0, F1, F2, false, 0, {}, {}},
    {"centre below the face", {0, -0.2, 0}, 0.5, F0, F1, F2, true, 0.7, {0, 1, 0}, {0, -0.7, 0}},
    {"sunk deeper than its radius",
     {0, -2, 0},
     0.5,
     F0,
     F1,
     F2,
     true,
     2.5,
     {0, 1, 0},
     {0, -2.5, 0}},
    {"sunk under a ramp, in its prism",
     {2, 0.5, 1},
     0.5,
     R0,
     R1,
     R2,
     true,
     0.5 + 1.5 / s2,
     {-1 / s2, 1 / s2, 0},
     {2 + 0.5 / s2, 0.5 - 0.5 / s2, 1}},
    {"sunk under a ramp, beside its prism", {4, 2, 1}, 0.5, R0, R1, R2, false, 0, {}, {}},
    {"beside an edge",
     {-0.3, 0.1, 1},
     0.5,
     S0,
     S1,
     S2,
     true,
     0.5 - edge_gap,
     {-0.3 / edge_gap, 0.1 / edge_gap, 0},
     {-0.3 - 0.5 * -0.3 / edge_gap, 0.1 - 0.5 * 0.1 / edge_gap, 1}},
    {"beside a corner",
     {-0.3, 0.1, -0.2},
     0.5,
     S0,
     S1,
     S2,
     true,
     0.5 - corner_gap,
     {-0.3 / corner_gap, 0.1 / corner_gap, -0.2 / corner_gap},
     {-0.3 + 0.5 * 0.3 / corner_gap, 0.1 - 0.5 * 0.1 / corner_gap, -0.2 + 0.5 * 0.2 / corner_gap}},
    // Beside the diagonal, the centre also projects onto edge 0 (x = 0)
    // from inside; the nearer diagonal must win.
    {"beside the diagonal, not the farther edge",
     {0.8, 0.1, 0.3},
     0.5,
     S0,
     S1,
     S2,
     true,
     0.5 - diagonal_gap,
     {0.25 / diagonal_gap, 0.1 / diagonal_gap, -0.25 / diagonal_gap},
     {0.8 - 0.5 * 0.25 / diagonal_gap, 0.1 - 0.5 * 0.1 / diagonal_gap,
      0.3 + 0.5 * 0.25 / diagonal_gap}},
    {"out of reach of an edge", {-0.6, 0.1, 1}, 0.5, S0, S1, S2, false, 0, {}, {}},
    {"triangle without area", {0, 0, 0}, 0.5, {0, 0, 0}, {1, 0, 1}, {2, 0, 2}, false, 0, {}, {}},
    {"zero radius", {0, -0.1, 0}, 0, F0, F1, F2, false, 0, {}, {}},
    {"NaN centre", {std::nan(""), 0, 0}, 0.5, F0, F1, F2, false, 0, {}, {}},
    {"infinite corner",
     {0, 0, 0},
     0.5,
     {0, std::numeric_limits<double>::infinity(), 0},
     F1,
     F2,
     false,
     0,
     {},
     {}},
};

TEST(SphereTriangle, Cases) {
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TerrainHit hit = sphere_triangle(c.centre, c.radius, c.v0, c.v1, c.v2);
    ASSERT_EQ(hit.found, c.found);
    if (!c.found) {
      EXPECT_EQ(hit.depth, 0);
      continue;
    }
    EXPECT_NEAR(hit.depth, c.depth, 1e-12);
    EXPECT_NEAR(hit.normal.x, c.normal.x, 1e-12);
    EXPECT_NEAR(hit.normal.y, c.normal.y, 1e-12);
    EXPECT_NEAR(hit.normal.z, c.normal.z, 1e-12);
    EXPECT_NEAR(hit.point.x, c.point.x, 1e-12);
    EXPECT_NEAR(hit.point.y, c.point.y, 1e-12);
    EXPECT_NEAR(hit.point.z, c.point.z, 1e-12);
  }
}

TEST(SphereTriangle, WildInputNeverGivesNaN) {
  std::mt19937 rng(98);
  std::uniform_int_distribution<int> exponent(-20, 20), huge(-300, 300), pick(0, 9);
  std::uniform_real_distribution<double> mantissa(-1, 1);
  auto wild = [&] {
    int kind = pick(rng);
    if (kind == 0) return 0.0;
    return mantissa(rng) * std::pow(2.0, kind == 1 ? huge(rng) : exponent(rng));
  };
  auto vec = [&] { return Vec3{wild(), wild(), wild()}; };
  for (int n = 0; n < 20000; ++n) {
    TerrainHit hit = sphere_triangle(vec(), wild(), vec(), vec(), vec());
    ASSERT_TRUE(std::isfinite(hit.point.x) && std::isfinite(hit.point.y) &&
                std::isfinite(hit.point.z) && std::isfinite(hit.normal.x) &&
                std::isfinite(hit.normal.y) && std::isfinite(hit.normal.z) &&
                std::isfinite(hit.depth))
        << n;
    ASSERT_EQ(hit.found, hit.depth > 0);
  }
}

HeightField flat_field(float height) {
  HeightField field;
  set_height_field_geometry(field, 3, 2);
  field.heights.assign(static_cast<size_t>(field.size) * field.size, height);
  return field;
}

TEST(SphereTerrain, DeepestContactOverTheCellsUnderTheSphere) {
  HeightField field = flat_field(1);
  // On a sample, on a cell edge, on a diagonal, off the field.
  for (Vec3 c : {Vec3{4, 1.25, 4}, Vec3{4, 1.25, 5}, Vec3{5, 1.25, 5}, Vec3{-30, 1.25, 50}}) {
    TerrainHit hit = sphere_terrain_test(field, c, 0.5);
    ASSERT_TRUE(hit.found) << c.x << " " << c.z;
    EXPECT_NEAR(hit.depth, 0.25, 1e-6);
    EXPECT_NEAR(hit.normal.y, 1, 1e-12);
  }
  EXPECT_FALSE(sphere_terrain_test(field, {4, 1.5, 4}, 0.5).found);
}

TEST(SphereTerrain, SpikeInTheFieldPushesSideways) {
  // One sample raised 3 ft: a sphere beside its tip, level with it, is
  // held off by the spike's faces, not pushed up.
  HeightField field = flat_field(0);
  field.heights[4 + field.size * 4] = 3;  // world (8, 3, 8)
  TerrainHit hit = sphere_terrain_test(field, {8.4, 2.5, 8}, 0.5);
  ASSERT_TRUE(hit.found);
  EXPECT_GT(hit.normal.x, 0.5);
  EXPECT_NEAR(length(hit.normal), 1, 1e-12);
}

TEST(SphereTerrain, BrokenInputMakesNoContact) {
  HeightField empty;
  EXPECT_FALSE(sphere_terrain_test(empty, {0, 0, 0}, 1).found);
  HeightField field = flat_field(0);
  EXPECT_FALSE(sphere_terrain_test(field, {1e300, 0, 0}, 1).found);
  EXPECT_FALSE(sphere_terrain_test(field, {0, 0, std::nan("")}, 1).found);
  EXPECT_FALSE(sphere_terrain_test(field, {4, 0, 4}, std::nan("")).found);
  // An absurd radius from bad data is walked over a bounded patch only.
  TerrainHit huge = sphere_terrain_test(field, {4, 0, 4}, 1e9);
  EXPECT_TRUE(huge.found);
}

}  // namespace
