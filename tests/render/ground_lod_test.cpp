// The ground's level of detail without GL: which nodes the eye subdivides,
// that the fans tile the field exactly (no cracks, no overlaps) however
// the tree is cut, and that the distance pass resumes under a budget.

#include "render/ground_lod.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <utility>

namespace {

// A field of 2^(shift+1) + 1 samples per side with rolling hills and one
// sharp ridge, so the error varies from node to node.
HeightField hilly_field(int shift, float spacing = 4) {
  HeightField field;
  set_height_field_geometry(field, shift, spacing);
  field.heights.resize(static_cast<std::size_t>(field.size) * field.size);
  field.min_height = 1e9f;
  field.max_height = -1e9f;
  for (int j = 0; j < field.size; ++j)
    for (int i = 0; i < field.size; ++i) {
      float h = 6 * std::sin(i * 0.11f) * std::cos(j * 0.07f) + (i == field.size / 3 ? 5.0f : 0.0f);
      field.heights[static_cast<std::size_t>(j) * field.size + i] = h;
      field.min_height = std::min(field.min_height, h);
      field.max_height = std::max(field.max_height, h);
    }
  return field;
}

bool is_marked(const GroundLod& lod, int level, int x, int y) {
  return lod.marks[static_cast<std::size_t>(node_index(level, x, y))] != 0;
}

// Twice the signed area of a fan triangle seen from above, with the
// orientation that faces up counted positive.
long long doubled_area(std::pair<int, int> c, std::pair<int, int> a, std::pair<int, int> b) {
  long long ax = a.first - c.first, az = a.second - c.second;
  long long bx = b.first - c.first, bz = b.second - c.second;
  // Facing up (+y) means az * bx - ax * bz > 0 in the x-z plane.
  return az * bx - ax * bz;
}

// Every triangle faces up, the areas add up to the field, and every edge
// inside the field is shared by exactly two triangles with the same end
// points: a conforming mesh, so no crack and no overlap anywhere.
void expect_exact_tiling(const GroundLod& lod, const GroundFans& fans) {
  const int cells = lod.size - 1;
  long long area = 0;
  std::map<std::pair<std::pair<int, int>, std::pair<int, int>>, int> edges;
  auto point = [&](int n) {
    return std::make_pair(fans.vertices[2 * static_cast<std::size_t>(n)],
                          fans.vertices[2 * static_cast<std::size_t>(n) + 1]);
  };
  auto add_edge = [&](std::pair<int, int> a, std::pair<int, int> b) {
    if (b < a) std::swap(a, b);
    ++edges[{a, b}];
  };
  for (const GroundFan& fan : fans.fans) {
    ASSERT_GE(fan.count, 3);
    auto centre = point(fan.first);
    for (int n = fan.first + 1; n + 1 < fan.first + fan.count; ++n) {
      long long twice = doubled_area(centre, point(n), point(n + 1));
      ASSERT_GT(twice, 0) << "fan of node " << fan.level << "," << fan.x << "," << fan.y;
      area += twice;
      add_edge(centre, point(n));
      add_edge(point(n), point(n + 1));
      add_edge(point(n + 1), centre);
    }
  }
  EXPECT_EQ(area, 2LL * cells * cells);
  for (const auto& [edge, count] : edges) {
    auto [a, b] = edge;
    bool on_border = (a.first == b.first && (a.first == 0 || a.first == cells)) ||
                     (a.second == b.second && (a.second == 0 || a.second == cells));
    EXPECT_EQ(count, on_border ? 1 : 2)
        << "edge (" << a.first << "," << a.second << ")-(" << b.first << "," << b.second << ")";
  }
}

constexpr Vec3 kLookingDown{0, -1, 0};

TEST(GroundLod, NodesNearTheEyeAreSubdividedAndFarOnesAreNot) {
  HeightField field = hilly_field(7);  // 257 samples, 1024 ft
  GroundLod lod;
  ground_lod_init(lod, field, 0.0025f);
  const int m = lod.levels;
  ground_mark_nodes(lod, {10, 20, 10});
  // The finest node under the eye and the root are subdivided.
  EXPECT_TRUE(is_marked(lod, m, 0, 0));
  EXPECT_TRUE(is_marked(lod, 0, 0, 0));
  // The finest node at the far corner is not.
  const int last = (1 << m) - 1;
  EXPECT_FALSE(is_marked(lod, m, last, last));

  ground_mark_nodes(lod, {1020, 20, 1020});
  EXPECT_TRUE(is_marked(lod, m, last, last));
  EXPECT_FALSE(is_marked(lod, m, 0, 0));
}

TEST(GroundLod, FinerDetailSubdividesMoreNodes) {
  HeightField field = hilly_field(7);
  auto marked_count = [&](float detail) {
    GroundLod lod;
    ground_lod_init(lod, field, detail);
    ground_mark_nodes(lod, {500, 30, 500});
    long n = 0;
    for (auto mark : lod.marks) n += mark;
    return n;
  };
  EXPECT_GT(marked_count(0.125f / 100), marked_count(0.125f / 10));
}

TEST(GroundLod, ParentsSubdivideAtLeastAsFarAsTheirChildren) {
  HeightField field = hilly_field(6);
  GroundLod lod;
  ground_lod_init(lod, field, 0.0025f);
  for (int level = 0; level < lod.levels; ++level)
    for (int y = 0; y < (1 << level); ++y)
      for (int x = 0; x < (1 << level); ++x)
        for (int c = 0; c < 4; ++c)
          ASSERT_GE(lod.distances[static_cast<std::size_t>(node_index(level, x, y))],
                    lod.distances[static_cast<std::size_t>(
                        node_index(level + 1, 2 * x + (c & 1), 2 * y + (c >> 1)))]);
}

// The fans tile the field exactly from eyes at the corner, the middle, an
// edge, outside the field, and high above.
TEST(GroundLod, FansTileTheFieldWithoutCracksFromAnyEye) {
  HeightField field = hilly_field(7);
  GroundLod lod;
  ground_lod_init(lod, field, 0.0025f);
  const Vec3 eyes[] = {
      {2, 30, 2}, {512, 30, 512}, {1020, 30, 300}, {-200, 30, 1300}, {512, 900, 512}};
  for (Vec3 eye : eyes) {
    SCOPED_TRACE(testing::Message() << "eye " << eye.x << "," << eye.y << "," << eye.z);
    ground_mark_nodes(lod, eye);
    GroundFans fans;
    ground_build_fans(lod, eye, kLookingDown, fans);
    expect_exact_tiling(lod, fans);
  }
}

TEST(GroundLod, ASmallFieldStillDraws) {
  HeightField field = hilly_field(3);  // 17 samples: below the always-subdivided levels
  GroundLod lod;
  ground_lod_init(lod, field, 0.0025f);
  ground_mark_nodes(lod, {30, 20, 30});
  GroundFans fans;
  ground_build_fans(lod, {30, 20, 30}, kLookingDown, fans);
  expect_exact_tiling(lod, fans);
}

TEST(GroundLod, NodesBehindTheEyeAreNotDrawn) {
  HeightField field = hilly_field(7);
  GroundLod lod;
  ground_lod_init(lod, field, 0.0025f);
  const Vec3 eye{512, 10, 512};
  ground_mark_nodes(lod, eye);
  GroundFans fans;
  ground_build_fans(lod, eye, {1, 0, 0}, fans);  // looking along +x
  ASSERT_FALSE(fans.vertices.empty());
  // Every drawing node reaches ahead of the eye, and the nodes wholly
  // behind it (their far edge at x < 512) drew nothing.
  for (const GroundFan& fan : fans.fans) {
    const int node_cells = (lod.size - 1) >> fan.level;
    EXPECT_GE((fan.x + 1) * node_cells * field.spacing, eye.x);
  }
}

// The distance pass under a small budget needs many calls but ends with
// the same distances as one unlimited pass, which stay in use meanwhile.
TEST(GroundLod, ABudgetedPassResumesToTheSameDistances) {
  HeightField field = hilly_field(6);
  GroundLod lod;
  ground_lod_init(lod, field, 0.0025f);
  const std::vector<float> full = lod.distances;
  lod.detail = 0.0025f;
  int calls = 1;
  while (!ground_compute_distances(lod, 5000)) {
    EXPECT_EQ(lod.distances, full);
    ++calls;
  }
  EXPECT_GT(calls, 10);
  EXPECT_EQ(lod.distances, full);
}

TEST(GroundLod, NodeIndexesAreLevelMajor) {
  EXPECT_EQ(node_index(0, 0, 0), 0);
  EXPECT_EQ(node_index(1, 0, 0), 1);
  EXPECT_EQ(node_index(1, 1, 1), 4);
  EXPECT_EQ(node_index(2, 0, 0), 5);
  EXPECT_EQ(node_index(2, 3, 1), 5 + 4 + 3);
}

}  // namespace
