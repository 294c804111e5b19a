// Statues on the terrain and their collision shapes.

#include <cmath>
#include <numbers>

#include <gtest/gtest.h>

#include "track/scenery.h"
#include "track_test_util.h"

namespace {

// A plane rising 0.5 feet per foot along x: its normal is (-0.5, 1, 0).
HeightField slope() {
  HeightField field;
  set_height_field_geometry(field, 3, 1.0f);
  for (int j = 0; j < field.size; ++j)
    for (int i = 0; i < field.size; ++i) field.heights.push_back(0.5f * i);
  return field;
}

Vec3 column(const Statue& s, int c) {
  return {s.rotation[c], s.rotation[3 + c], s.rotation[6 + c]};
}

class SceneryTest : public ::testing::Test {
 protected:
  void SetUp() override { clear_messages(); }
  TempTree folder;
  HeightField field = slope();
};

TEST_F(SceneryTest, StatueOrientationFromItsAngle) {
  struct Case {
    const char* what;
    float a;
    bool tilted;
    double facing;
  } cases[] = {
      {"turned and tilted", 0.75f, true, 0},
      {"upright facing the eye", 5, false, 32},
      {"turned only, below -2 pi", -7, false, 0},
  };
  Vec3 normal = normalized({-0.5, 1, 0});
  for (const Case& c : cases) {
    Statue s = make_statue(field, {4, 2, 4}, c.a, "m.jm", "null", "null");
    EXPECT_NEAR(s.position.y, 2 + 2, 1e-6) << c.what;
    EXPECT_DOUBLE_EQ(s.facing_distance, c.facing) << c.what;
    Vec3 up = column(s, 1);
    if (c.tilted) {
      EXPECT_NEAR(dot(up, normal), 1, 1e-9) << c.what;
    } else {
      EXPECT_NEAR(up.y, 1, 1e-9) << c.what;
    }
    if (c.a < 3.25f && !c.tilted) {
      // The forward axis -z turned by a about the vertical.
      Vec3 forward = -column(s, 2);
      EXPECT_NEAR(std::atan2(-forward.x, -forward.z), std::remainder(c.a, 2 * std::numbers::pi),
                  1e-6)
          << c.what;
    }
  }
}

TEST_F(SceneryTest, StatuesFileAndShapes) {
  folder.write("rock.shp", "2\n1 0 0\n0.5 1 25000 2500\n0 0 -2 1 0.8 20000 2000\n");
  folder.write("bad.shp", "3\n1 0 0\n0.5 1 25000 2500\n");
  folder.write("statues", "[ 1 0 1 ] 0 a.jm a.png " + folder.path("rock.shp") +
                              "\n[2 0 2] 0 a.jm null null\n"
                              "[3 0 3] 0 a.jm null " +
                              folder.path("bad.shp") + "\n[4 0 4] 0 a.jm null " +
                              folder.path("none.shp") +
                              "\n[ 5 0 broken\n[6 0 6] 0 a.jm null null\n");
  std::vector<Statue> statues;
  load_statues(statues, folder.path("statues"), field);
  ASSERT_EQ(statues.size(), 4u) << "reading stops at the line that does not parse";
  ASSERT_TRUE(collision_shape_found(statues[0].shape));
  EXPECT_EQ(statues[0].shape->spheres.size(), 2u);
  EXPECT_DOUBLE_EQ(statues[0].shape->bounding_radius, 3);
  EXPECT_DOUBLE_EQ(statues[0].shape->spheres[1].kp, 20000);
  EXPECT_EQ(statues[0].texture_name, "a.png");
  EXPECT_EQ(statues[1].shape, nullptr) << "null: no shape and no warning";
  EXPECT_FALSE(collision_shape_found(statues[2].shape)) << "a short shape file is absent";
  EXPECT_FALSE(collision_shape_found(statues[3].shape));
  EXPECT_TRUE(was_posted("Warning: missing shape file " + folder.path("none.shp")));
  EXPECT_TRUE(was_posted("Warning: missing shape file " + folder.path("bad.shp")));
  EXPECT_EQ(load_collision_shape(folder.path("rock.shp")), statues[0].shape)
      << "loaded once per name";

  SceneryGrid grid;
  build_scenery_grid(grid, statues, field.extent);
  int entries = 0;
  for (const auto& bucket : grid.buckets)
    for (int index : bucket) {
      EXPECT_EQ(index, 0);
      ++entries;
    }
  // Reach 3 around (1, 1) on a 16-foot field: buckets 0..1 both ways.
  EXPECT_EQ(entries, 4);
}

}  // namespace
