// Surface definitions from tileinfo and texturelist, the tile map and the
// curve lookups.

#include <cmath>
#include <string>

#include <gtest/gtest.h>

#include "track/surfaces.h"
#include "track/terrain.h"
#include "track_test_util.h"

namespace {

class SurfacesTest : public ::testing::Test {
 protected:
  void SetUp() override { clear_messages(); }

  std::vector<SurfaceType> load_tileinfo(const std::string& text) {
    folder.write("t/tileinfo", text);
    std::vector<SurfaceType> surfaces;
    EXPECT_TRUE(load_surfaces(surfaces, folder.path("t")));
    return surfaces;
  }

  TempTree folder;
};

SurfaceType curve(std::initializer_list<FrictionPoint> points) {
  SurfaceType s = default_surface();
  int k = 0;
  for (auto p : points) s.friction[k++] = p;
  for (; k < kCurvePoints; ++k) s.friction[k] = {1, 0};
  return s;
}

TEST(FrictionCurve, LookupsAlongTheCurve) {
  struct Case {
    const char* what;
    SurfaceType surface;
    double v, mu;
  } cases[] = {
      {"below the first speed", curve({{0.8f, 10}, {0.4f, 20}}), 3, 0.8},
      {"at zero", curve({{0.8f, 10}, {0.4f, 20}}), 0, 0.8},
      {"interpolated on squares", curve({{0.8f, 10}, {0.4f, 20}}), 15,
       0.8 + (0.4 - 0.8) * (225.0 - 100) / (400 - 100)},
      {"past the last point", curve({{0.8f, 10}, {0.4f, 20}}), 50, 0.4},
      {"negative slip counts by size", curve({{0.8f, 10}, {0.4f, 20}}), -15,
       0.8 + (0.4 - 0.8) * (225.0 - 100) / (400 - 100)},
      // Equal speeds keep file order; at and past the pair the later one's
      // segment is used (strict less-than).
      {"at equal speeds", curve({{1.0f, 5}, {0.5f, 10}, {0.9f, 10}, {0.7f, 20}}), 10, 0.9},
      {"after equal speeds", curve({{1.0f, 5}, {0.5f, 10}, {0.9f, 10}, {0.7f, 20}}), 15,
       0.9 + (0.7 - 0.9) * (225.0 - 100) / (400 - 100)},
      {"before equal speeds", curve({{1.0f, 5}, {0.5f, 10}, {0.9f, 10}, {0.7f, 20}}), 7.5,
       1.0 + (0.5 - 1.0) * (56.25 - 25) / (100 - 25)},
  };
  for (const Case& c : cases) EXPECT_NEAR(friction_at(c.surface, c.v), c.mu, 1e-6) << c.what;
  SurfaceType full = default_surface();
  for (int k = 0; k < kCurvePoints; ++k) full.friction[k] = {float(k), float(k + 1)};
  EXPECT_NEAR(friction_at(full, 100), 7, 1e-6) << "all eight points used";
}

TEST(RollResistCurve, LinearInSpeed) {
  SurfaceType s = default_surface();
  s.roll_resist[0] = {2, 4, 10};
  s.roll_resist[1] = {6, 12, 20};
  EXPECT_DOUBLE_EQ(roll_resist_at(s, 5).force_light, 2);
  RollResist mid = roll_resist_at(s, 15);
  EXPECT_DOUBLE_EQ(mid.force_light, 4);
  EXPECT_DOUBLE_EQ(mid.force_full, 8);
  EXPECT_DOUBLE_EQ(roll_resist_at(s, 99).force_full, 12);
  RollResist plain = roll_resist_at(default_surface(), 30);
  EXPECT_DOUBLE_EQ(plain.force_light, 5);
  EXPECT_DOUBLE_EQ(plain.force_full, 15);
}

TEST_F(SurfacesTest, TileinfoBuildsSurfacesWithSortedCurves) {
  auto s = load_tileinfo(
      "  texture @ground/loam.png\n"
      "friction 0.9 30\n"
      "friction 1.2 10\r\n"
      "friction 0.5 10\n"
      "roll_resist 4 9 20\n"
      "roll_resist -3 -1 0\n"
      "addtile\n"
      "\n"
      "\t\n"
      "texture sand.png\n"
      "addtile\n"
      "friction 0.1 1\n");  // after the last addtile: dropped
  ASSERT_EQ(s.size(), 2u);
  EXPECT_EQ(s[0].texture_name, "loam.png");
  EXPECT_EQ(s[0].texture, 0u) << "no texture without a GL context";
  EXPECT_FLOAT_EQ(s[0].friction[0].mu, 1.2f);
  EXPECT_FLOAT_EQ(s[0].friction[1].mu, 0.5f) << "equal speeds keep file order";
  EXPECT_FLOAT_EQ(s[0].friction[2].speed, 30);
  EXPECT_FLOAT_EQ(s[0].friction[3].speed, 0) << "the curve ends";
  EXPECT_FLOAT_EQ(s[0].roll_resist[0].force_light, 0) << "negative force becomes 0";
  EXPECT_FLOAT_EQ(s[0].roll_resist[0].speed, 1.0f / (1 << 20)) << "speed kept above 0";
  EXPECT_FLOAT_EQ(s[0].roll_resist[1].speed, 20);
  EXPECT_EQ(s[0].roost[0].kind, kRoostUnused);
  // A surface without curve lines: mu 1 and forces 5 and 15 everywhere.
  EXPECT_DOUBLE_EQ(friction_at(s[1], 40), 1);
  EXPECT_DOUBLE_EQ(roll_resist_at(s[1], 40).force_full, 15);
  EXPECT_EQ(s[1].texture_name, "sand.png");
}

TEST_F(SurfacesTest, FirstFrictionSpeedAppliesBelowIt) {
  auto s = load_tileinfo("friction 0.6 10\nfriction 1.0 20\naddtile\n");
  EXPECT_DOUBLE_EQ(friction_at(s[0], 0), friction_at(s[0], 9.99));
  EXPECT_NEAR(friction_at(s[0], 9.99), 0.6, 1e-6);
  EXPECT_GT(friction_at(s[0], 12), 0.6);
}

TEST_F(SurfacesTest, RoostLinesSetTheirSlots) {
  auto s = load_tileinfo(
      "roost count=2.5 dig=3 \"texture=@my dust.png\" size=0.5 r=300 g=-1 a=128 fade_a=-256 "
      "fade_r=128 slow_angle=1 fast_angle=0.25 slow_speed=2 fast_speed=40 grow=1 drag=2 "
      "vscale=0.5 randomize=3 slip_threshold=6\n"
      "roost splash=1\n"
      "roost splash=0 bogus=1 count=x\n"
      "roost\n"
      "roost\n"
      "addtile\n");
  ASSERT_EQ(s.size(), 1u);
  const RoostType& a = s[0].roost[0];
  EXPECT_EQ(a.kind, kRoostDirt);
  EXPECT_FLOAT_EQ(a.count, 2.5f);
  EXPECT_FLOAT_EQ(a.dig, 3);
  EXPECT_FLOAT_EQ(a.size, 0.5f);
  EXPECT_FLOAT_EQ(a.slip_threshold, 6);
  EXPECT_FLOAT_EQ(a.slow_angle, 1);
  EXPECT_FLOAT_EQ(a.fast_angle, 0.25f);
  EXPECT_FLOAT_EQ(a.slow_speed, 2);
  EXPECT_FLOAT_EQ(a.fast_speed, 40);
  EXPECT_FLOAT_EQ(a.grow, 1);
  EXPECT_FLOAT_EQ(a.drag, 2);
  EXPECT_FLOAT_EQ(a.vscale, 0.5f);
  EXPECT_FLOAT_EQ(a.randomize, 3);
  EXPECT_EQ(a.colour[0], 300 & 0xff) << "the low byte of 300";
  EXPECT_EQ(a.colour[1], 255) << "-1 stored as its low byte";
  EXPECT_EQ(a.colour[2], 255) << "default";
  EXPECT_EQ(a.colour[3], 128);
  EXPECT_EQ(a.fade[3], -2) << "-256 per second is -2 per step";
  EXPECT_EQ(a.fade[0], 1);
  EXPECT_EQ(a.fade[1], 0);
  EXPECT_EQ(s[0].roost[1].kind, kRoostSplash);
  const RoostType& c = s[0].roost[2];
  EXPECT_EQ(c.kind, kRoostDirt) << "splash=0 leaves kind 1";
  EXPECT_FLOAT_EQ(c.count, 10) << "a bad number leaves the default";
  EXPECT_TRUE(was_posted("tileinfo warning: unknown roost parameter 'bogus=1'"));
  EXPECT_TRUE(was_posted("tileinfo warning: bad count"));
  EXPECT_TRUE(was_posted("tileinfo warning: too many roost types"));
  EXPECT_EQ(s[0].roost[3].kind, kRoostDirt);
}

TEST_F(SurfacesTest, BadLinesWarnAndAreSkipped) {
  std::string text = "wibble 3\nfriction x y\nroll_resist 1 2\n";
  for (int k = 0; k < 9; ++k) text += "friction 1 " + std::to_string(k + 1) + "\n";
  for (int k = 0; k < 9; ++k) text += "roll_resist 1 2 " + std::to_string(k + 1) + "\n";
  text += "friction nan 3\nfriction 1e999 3\naddtile\n";
  auto s = load_tileinfo(text);
  ASSERT_EQ(s.size(), 1u);
  EXPECT_TRUE(was_posted("tileinfo warning: Unknown identifier 'wibble'"));
  EXPECT_TRUE(was_posted("tileinfo warning: bad friction parameters"));
  EXPECT_TRUE(was_posted("tileinfo warning: bad roll_resist parameters"));
  EXPECT_TRUE(was_posted("tileinfo warning: too many friction points"));
  EXPECT_TRUE(was_posted("tileinfo warning: too many roll_resist points"));
  EXPECT_FLOAT_EQ(s[0].friction[7].speed, 8);
  for (const auto& p : s[0].friction) EXPECT_TRUE(std::isfinite(p.mu));
}

TEST_F(SurfacesTest, TileinfoWithoutAddtileGetsOneDefaultSurface) {
  auto s = load_tileinfo("texture x.png\nfriction 0.2 5\n");
  ASSERT_EQ(s.size(), 1u);
  EXPECT_DOUBLE_EQ(friction_at(s[0], 3), 1);
}

TEST_F(SurfacesTest, AtMost256Surfaces) {
  std::string text;
  for (int k = 0; k < 300; ++k) text += "addtile\n";
  EXPECT_EQ(load_tileinfo(text).size(), 256u);
}

TEST_F(SurfacesTest, TexturelistGivesConstantCurves) {
  folder.write("t/texturelist", "0.7 3 9 ground/grass.png\n\n  dirt.png\r\nlast.png");
  std::vector<SurfaceType> s;
  ASSERT_TRUE(load_surfaces(s, folder.path("t")));
  ASSERT_EQ(s.size(), 3u);
  EXPECT_EQ(s[0].texture_name, "grass.png");
  EXPECT_DOUBLE_EQ(friction_at(s[0], 50), 0.7f);
  EXPECT_DOUBLE_EQ(roll_resist_at(s[0], 50).force_full, 9);
  EXPECT_EQ(s[0].roost[0].kind, kRoostDirt);
  EXPECT_EQ(s[0].roost[1].kind, kRoostUnused);
  EXPECT_EQ(s[1].texture_name, "dirt.png");
  EXPECT_DOUBLE_EQ(friction_at(s[1], 50), 1);
  EXPECT_DOUBLE_EQ(roll_resist_at(s[1], 0).force_light, 5);
  EXPECT_EQ(s[2].texture_name, "last.png") << "a last line without a line end keeps its name";
}

TEST_F(SurfacesTest, NoTileinfoAndNoTexturelistFails) {
  std::vector<SurfaceType> s;
  EXPECT_FALSE(load_surfaces(s, folder.path("nothing")));
  EXPECT_TRUE(was_posted("Can't open '" + folder.path("nothing/texturelist") + "'"));
}

TEST_F(SurfacesTest, TileMapClampsBytesAndLooksUpTiles) {
  // shift 1: 2 x 2 tiles of 4 feet.
  folder.write("t/tilemap", std::string("\x00\x01\xc8\x02", 4));
  TileMap map;
  ASSERT_TRUE(load_tile_map(map, folder.path("t"), 1, 4.0f, 3));
  EXPECT_EQ(map.tiles[2], 2) << "200 on a track with 3 surfaces reads as surface 2";
  struct Case {
    double x, z;
    int surface;
  } cases[] = {
      {1, 1, 0},    {5, 1, 1},      {1, 5, 2},         {5, 5, 2},   {-3, 1, 0},
      {-100, 5, 2}, {1e9, -1e9, 1}, {7.999, 7.999, 2}, {NAN, 0, 0},
  };
  for (const Case& c : cases) EXPECT_EQ(surface_at(map, c.x, c.z), c.surface) << c.x << " " << c.z;
}

TEST_F(SurfacesTest, ShortOrMissingTileMap) {
  TileMap map;
  EXPECT_FALSE(load_tile_map(map, folder.path("none"), 1, 4.0f, 3));
  EXPECT_TRUE(was_posted("Can't open '" + folder.path("none/tilemap") + "'"));
  folder.write("t/tilemap", "\x01");
  ASSERT_TRUE(load_tile_map(map, folder.path("t"), 1, 4.0f, 3));
  EXPECT_EQ(map.tiles.size(), 4u);
  EXPECT_EQ(map.tiles[0], 1);
  EXPECT_EQ(map.tiles[3], 0);
}

}  // namespace
