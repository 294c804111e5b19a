// Every track of the generated data set loads headless, with its terrain,
// surfaces, gates and hash.

#include <cstdio>
#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

#include "data/data_dirs.h"
#include "data/point_data_dirs.h"
#include "track/track.h"
#include "track_test_util.h"

namespace {

class GeneratedTracks : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override { point_data_dirs(home.root(), TAVRIN_BUILD_DIR); }
  void TearDown() override {
    unload_track(track);
    unsetenv("QZ_HOME");
  }
  TempTree home;
  Track track;
};

TEST_P(GeneratedTracks, Loads) {
  std::string name = GetParam();
  ASSERT_TRUE(load_track(track, name, "@" + name)) << name;
  const HeightField& field = track.terrain.field;
  EXPECT_GE(field.size, 257);
  EXPECT_EQ(field.shading.size(), static_cast<std::size_t>(field.size) * field.size * 3);
  EXPECT_EQ(field.shadows.size(), static_cast<std::size_t>(field.size) * field.size);
  EXPECT_GE(track.terrain.surfaces.size(), 1u);
  EXPECT_EQ(track.terrain.tile_map.tiles.size(), static_cast<std::size_t>(1 << field.shift)
                                                     << field.shift);
  // Every start position stands on the field.
  for (const StartPosition& s : track.gates.starts) {
    EXPECT_GE(s.position.x, 0);
    EXPECT_LE(s.position.x, field.extent);
    EXPECT_GE(s.position.z, 0);
    EXPECT_LE(s.position.z, field.extent);
  }
  if (name != "practice") {
    EXPECT_TRUE(timing_active(track.gates)) << name;
    EXPECT_EQ(track.gates.starts.size(), 40u) << name;
  }
  // The hash the README lists for this track.
  std::printf("track %s hash=%s\n", name.c_str(), digest_hex(track.hash).c_str());
}

INSTANTIATE_TEST_SUITE_P(DataSet, GeneratedTracks,
                         ::testing::Values("venloop", "sxarena", "practice"));

}  // namespace
