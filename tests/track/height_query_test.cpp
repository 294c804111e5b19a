// Height queries on an in-memory field: clamped samples, the chessboard
// triangulation, height_at and smoothed_height.

#include <cmath>
#include <random>

#include <gtest/gtest.h>

#include "track/height_field.h"

namespace {

HeightField random_field(int shift, float spacing, std::uint32_t seed) {
  HeightField field;
  set_height_field_geometry(field, shift, spacing);
  std::mt19937 rng(seed);
  std::uniform_real_distribution<float> h(-20, 40);
  field.heights.resize(static_cast<std::size_t>(field.size) * field.size);
  for (float& v : field.heights) v = h(rng);
  return field;
}

// Height of the plane through triangle t at (x, z), or NaN when (x, z) is
// outside the triangle's projection (with a small tolerance).
double plane_height_if_inside(const TerrainTriangle& t, double x, double z) {
  const Vec3 &a = t.v[0], &b = t.v[1], &c = t.v[2];
  double det = (b.x - a.x) * (c.z - a.z) - (c.x - a.x) * (b.z - a.z);
  double u = ((x - a.x) * (c.z - a.z) - (c.x - a.x) * (z - a.z)) / det;
  double v = ((b.x - a.x) * (z - a.z) - (x - a.x) * (b.z - a.z)) / det;
  const double eps = 1e-9;
  if (u < -eps || v < -eps || u + v > 1 + eps) return NAN;
  return a.y + u * (b.y - a.y) + v * (c.y - a.y);
}

TEST(HeightQuery, HeightAtLiesOnTheTriangleOfItsCell) {
  HeightField field = random_field(3, 2.5f, 7);
  std::mt19937 rng(11);
  // Points inside and well outside the field, which must see the border.
  std::uniform_real_distribution<double> coord(-15, field.extent + 15);
  for (int n = 0; n < 5000; ++n) {
    double x = coord(rng), z = coord(rng);
    int i = static_cast<int>(std::floor(x / field.spacing));
    int j = static_cast<int>(std::floor(z / field.spacing));
    CellTriangles cell = cell_triangles(field, i, j);
    double expected = plane_height_if_inside(cell.a, x, z);
    if (std::isnan(expected)) expected = plane_height_if_inside(cell.b, x, z);
    ASSERT_FALSE(std::isnan(expected)) << x << " " << z;
    ASSERT_NEAR(height_at(field, x, z), expected, 1e-9) << x << " " << z;
  }
}

TEST(HeightQuery, CellTrianglesAlternateDiagonalsLikeAChessBoard) {
  HeightField field = random_field(1, 1.0f, 3);
  // Even cell: diagonal (0,0)-(1,1), vertex order A = 00, 01, 11; B = 11, 10, 00.
  CellTriangles even = cell_triangles(field, 0, 0);
  EXPECT_EQ(even.a.v[0].x, 0);
  EXPECT_EQ(even.a.v[1].z, 1);
  EXPECT_EQ(even.a.v[2].x, 1);
  EXPECT_EQ(even.a.v[2].z, 1);
  EXPECT_EQ(even.b.v[1].x, 1);
  EXPECT_EQ(even.b.v[1].z, 0);
  EXPECT_FLOAT_EQ(even.a.v[2].y, sample(field, 1, 1));
  // Odd cell (1, 0): diagonal (1,1)-(2,0): A = 10, 11, 20; B = 21, 20, 11.
  CellTriangles odd = cell_triangles(field, 1, 0);
  EXPECT_EQ(odd.a.v[2].x, 2);
  EXPECT_EQ(odd.a.v[2].z, 0);
  EXPECT_EQ(odd.b.v[0].x, 2);
  EXPECT_EQ(odd.b.v[0].z, 1);
  EXPECT_FLOAT_EQ(odd.b.v[2].y, sample(field, 1, 1));
}

TEST(HeightQuery, OutsideTheFieldTheBorderExtends) {
  HeightField field = random_field(2, 4.0f, 5);
  int last = field.size - 1;
  double e = field.extent;
  struct Case {
    double x, z;
    int i, j;  // the sample whose height must be seen
  } cases[] = {
      {-10, -10, 0, 0},     {-1e6, 0, 0, 0},        {e + 50, e + 50, last, last},
      {-3, e + 1, 0, last}, {e + 1e7, -5, last, 0}, {-0.001, -1e-9, 0, 0},
  };
  for (const Case& c : cases) {
    EXPECT_FLOAT_EQ(height_at(field, c.x, c.z), sample(field, c.i, c.j)) << c.x << " " << c.z;
  }
  // Beyond an edge the height follows that edge.
  EXPECT_NEAR(height_at(field, -7, 2 * field.spacing), sample(field, 0, 2), 1e-6);
  EXPECT_FLOAT_EQ(sample(field, -5, 99), sample(field, 0, last));
  EXPECT_FLOAT_EQ(sample(field, 1 << 30, -(1 << 30)), sample(field, last, 0));
  // A NaN query reads nothing outside the grid (and gives NaN back).
  EXPECT_TRUE(std::isnan(height_at(field, NAN, 3)));
}

TEST(HeightQuery, SmoothedHeightIsTheWeightedMeanOfNearbySamples) {
  HeightField field = random_field(3, 2.0f, 9);
  std::mt19937 rng(4);
  std::uniform_real_distribution<double> coord(-10, field.extent + 10);
  std::uniform_real_distribution<double> radius(0, 12);
  for (int n = 0; n < 300; ++n) {
    double x = coord(rng), z = coord(rng), r = radius(rng);
    // The weighted mean written out plainly over the sample window.
    double sum = 0, weights = 0;
    int lo_i = static_cast<int>(std::floor((x - r) / field.spacing));
    int hi_i = static_cast<int>(std::ceil((x + r) / field.spacing));
    int lo_j = static_cast<int>(std::floor((z - r) / field.spacing));
    int hi_j = static_cast<int>(std::ceil((z + r) / field.spacing));
    for (int j = lo_j; j <= hi_j; ++j) {
      for (int i = lo_i; i <= hi_i; ++i) {
        double d = std::hypot(i * field.spacing - x, j * field.spacing - z);
        double w = d < r ? 1 : d < r + field.spacing ? (r + field.spacing - d) / field.spacing : 0;
        sum += w * sample(field, i, j);
        weights += w;
      }
    }
    double expected = weights > 0 ? sum / weights : sample(field, lo_i, lo_j);
    ASSERT_NEAR(smoothed_height(field, x, z, r), expected, 1e-6) << x << " " << z << " " << r;
  }
}

TEST(HeightQuery, SmoothedHeightOfAFlatFieldIsItsHeight) {
  HeightField field;
  set_height_field_geometry(field, 2, 3.0f);
  field.heights.assign(static_cast<std::size_t>(field.size) * field.size, 12.5f);
  EXPECT_DOUBLE_EQ(smoothed_height(field, 4, 5, 10), 12.5);
  EXPECT_DOUBLE_EQ(smoothed_height(field, -100, 500, 0), 12.5);
}

TEST(HeightQuery, GeometryFollowsTheShift) {
  HeightField field;
  set_height_field_geometry(field, 9, 1.5f);
  EXPECT_EQ(field.size, 1025);
  EXPECT_FLOAT_EQ(field.tile_size, 3.0f);
  EXPECT_FLOAT_EQ(field.extent, 1536.0f);
}

}  // namespace
