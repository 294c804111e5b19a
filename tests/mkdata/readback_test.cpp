// The generated data set read back by the game's own readers: every track
// loads, its files have the sizes and ranges the game expects, gates and
// start positions lie on the track, the robot lines fit the line store,
// the shapes load; and another run writes byte-identical files.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>

#include "data/data_dirs.h"
#include "data/point_data_dirs.h"
#include "data/stream.h"
#include "data_set.h"
#include "map_image.h"
#include "platform/messages.h"
#include "render/image/image.h"
#include "robots/line_geometry.h"
#include "robots/line_store.h"
#include "robots/lines_file.h"
#include "shapes.h"
#include "track/collision_shape.h"
#include "track/track.h"
#include "track_build.h"

namespace fs = std::filesystem;
using mkdata::all_tracks;
using mkdata::build_track;
using mkdata::BuiltTrack;
using mkdata::TrackDesc;

namespace {

fs::path make_temp(const char* tag) {
  std::string pattern = std::string("/tmp/tavrin-mkdata-") + tag + "-XXXXXX";
  const char* made = mkdtemp(pattern.data());
  return made ? fs::path(made) : fs::path();
}

std::map<std::string, std::string> read_tree(const fs::path& root) {
  std::map<std::string, std::string> files;
  for (const auto& e : fs::recursive_directory_iterator(root)) {
    if (!e.is_regular_file()) continue;
    std::ifstream in(e.path(), std::ios::binary);
    files[fs::relative(e.path(), root).string()] =
        std::string(std::istreambuf_iterator<char>(in), {});
  }
  return files;
}

bool any_posted() {
  for (const auto& line : message_list().lines)
    if (line.data()[0] != '\0') return true;
  return false;
}

class GeneratedData : public ::testing::Test {
 protected:
  // The data set the build generated next to the executables; the test
  // target depends on it, so it is current.
  static void SetUpTestSuite() {
    data_ = new fs::path(TAVRIN_BUILD_DIR);
    home_ = new fs::path(make_temp("home"));
  }
  static void TearDownTestSuite() {
    fs::remove_all(*home_);
    delete data_;
    delete home_;
  }
  void SetUp() override {
    point_data_dirs(*home_, *data_);
    clear_messages();
    track_list.clear();
    for (const TrackDesc& d : all_tracks()) track_list.push_back({d.folder, d.title});
  }
  void TearDown() override {
    unload_track(track_);
    track_list.clear();
    unsetenv("QZ_HOME");
    reset_data_dirs_for_tests();
  }

  static fs::path* data_;
  static fs::path* home_;
  Track track_;
};

fs::path* GeneratedData::data_ = nullptr;
fs::path* GeneratedData::home_ = nullptr;

TEST_F(GeneratedData, MarkerArchivePassesTheGameDataCheck) { EXPECT_TRUE(check_game_data()); }

TEST_F(GeneratedData, EveryTrackLoadsWithItsGatesOnTheTrack) {
  for (const TrackDesc& desc : all_tracks()) {
    SCOPED_TRACE(desc.folder);
    BuiltTrack built = build_track(desc);
    ASSERT_TRUE(load_track(track_, desc.folder, "@" + desc.folder));
    EXPECT_FALSE(any_posted()) << "the load posted a warning";
    EXPECT_EQ(track_.title, desc.title);

    const HeightField& f = track_.terrain.field;
    EXPECT_EQ(f.size, (1 << (desc.shift + 1)) + 1);
    EXPECT_FLOAT_EQ(f.spacing, static_cast<float>(desc.spacing));
    ASSERT_EQ(f.heights.size(), built.terrain.heights.size());
    for (std::size_t k = 0; k < f.heights.size(); k += 997) {
      ASSERT_NEAR(f.heights[k], built.terrain.heights[k], 1e-3);
      ASSERT_GE(f.heights[k], f.min_height);
      ASSERT_LE(f.heights[k], f.max_height);
    }
    EXPECT_EQ(f.shading.size(), f.heights.size() * 3);
    EXPECT_EQ(f.shadows.size(), f.heights.size());
    ASSERT_EQ(track_.terrain.surfaces.size(), static_cast<std::size_t>(mkdata::kSurfaceCount));
    EXPECT_EQ(track_.terrain.tile_map.n, 1 << desc.shift);

    const TimingGates& g = track_.gates;
    ASSERT_TRUE(timing_active(g));
    EXPECT_EQ(g.starts.size(), static_cast<std::size_t>(desc.start_slots));
    EXPECT_EQ(g.checkpoints.size(), built.gates.checkpoints.size());
    // On the track: the nearest centreline sample is within half the
    // track's width, the tile is not grass, and y is the ground's height.
    auto on_track = [&](Vec3 p, const char* what, std::size_t k) {
      int i = static_cast<int>(std::lround(p.x / f.spacing)),
          j = static_cast<int>(std::lround(p.z / f.spacing));
      std::size_t idx = static_cast<std::size_t>(i) + static_cast<std::size_t>(f.size) * j;
      int near = built.terrain.nearest[idx];
      ASSERT_GE(near, 0) << what << " " << k;
      EXPECT_LE(std::abs(built.terrain.offset[idx]), built.line.points[near].width / 2)
          << what << " " << k;
      EXPECT_NE(surface_at(track_.terrain.tile_map, p.x, p.z), static_cast<int>(mkdata::kGrass))
          << what << " " << k;
      EXPECT_NEAR(p.y, height_at(f, p.x, p.z), 0.01) << what << " " << k;
    };
    for (std::size_t k = 0; k < g.starts.size(); ++k) on_track(g.starts[k].position, "start", k);
    for (std::size_t k = 0; k < g.checkpoints.size(); ++k) {
      const Checkpoint& c = g.checkpoints[k];
      on_track(c.centre, "checkpoint", k);
      // The radius spans the track and the direction follows the course.
      const mkdata::CentrePoint& p = built.line.at(built.gates.checkpoints[k].s);
      EXPECT_GE(c.radius, p.width / 2);
      EXPECT_GT(c.direction.x * p.tx + c.direction.z * p.tz, 0.99);
    }
    // Riders face down the start straight, toward the first checkpoint.
    const StartPosition& s0 = g.starts.front();
    Vec3 ahead{-std::sin(s0.heading), 0, -std::cos(s0.heading)};
    Vec3 to_gate = g.checkpoints.front().centre - s0.position;
    EXPECT_GT(ahead.x * to_gate.x + ahead.z * to_gate.z, 0);
    unload_track(track_);
  }
}

TEST_F(GeneratedData, RobotLinesFillTheLineStoreAndConnect) {
  for (const TrackDesc& desc : all_tracks()) {
    SCOPED_TRACE(desc.folder);
    ASSERT_TRUE(load_track(track_, desc.folder, "@" + desc.folder));
    for (int skill = 0; skill < kSkillCount; ++skill) {
      LineStore store;
      create_line_store(store, track_.gates);
      std::string name = "@" + desc.folder + "/" + lines_file_name(skill);
      Stream* s = stream_open(name.c_str(), "rb");
      ASSERT_NE(s, nullptr) << name;
      EXPECT_TRUE(read_lines(store, s, name.c_str()));
      stream_close(s);
      const int segments = store_segments(store);
      ASSERT_EQ(segments, 2 * static_cast<int>(track_.gates.checkpoints.size()));
      const float extent = track_.terrain.field.extent;
      for (int c = 0; c < segments; ++c) {
        ASSERT_GT(occupied_cells(store, c), 0) << "segment " << c;
        for (const LineCell& cell : segment_cells(store, c)) {
          for (int k = 0; k < cell.point_count(); ++k) {
            const LinePoint& p = cell.points[k];
            EXPECT_TRUE(p.x > 0 && p.x < extent && p.z > 0 && p.z < extent);
          }
        }
        // Every line can be followed by some line of the next stretch (the
        // normal lap wraps round to its first stretch).
        int next = c + 1 < segments ? c + 1 : segments / 2;
        for (const LineCell& a : segment_cells(store, c)) {
          if (a.point_count() == 0) continue;
          bool follows = false;
          for (const LineCell& b : segment_cells(store, next))
            follows |= b.point_count() > 0 && lines_connect(a, b);
          EXPECT_TRUE(follows) << "segment " << c << " line " << a.line_id;
        }
      }
      free_line_store(store);
    }
    unload_track(track_);
  }
}

TEST_F(GeneratedData, ShapesLoadWithTheirSpheres) {
  for (const mkdata::ShapeFile& file : mkdata::shape_files()) {
    const CollisionShape* shape = load_collision_shape(std::string("@") + file.name);
    ASSERT_TRUE(collision_shape_found(shape)) << file.name;
    EXPECT_EQ(shape->spheres.size(), file.spheres.size()) << file.name;
    EXPECT_GT(shape->bounding_radius, 0.5) << file.name;
    EXPECT_LT(shape->bounding_radius, 4.5) << file.name;
  }
}

TEST_F(GeneratedData, MapsShowTheCourseOnATransparentField) {
  for (const TrackDesc& desc : all_tracks()) {
    Image img;
    ASSERT_TRUE(read_rgba_image(("@" + desc.folder + "/map.png").c_str(), &img)) << desc.folder;
    EXPECT_EQ(img.width, mkdata::kMapSize);
    EXPECT_EQ(img.height, mkdata::kMapSize);
    long opaque = 0, clear = 0;
    for (long k = 0; k < static_cast<long>(mkdata::kMapSize) * mkdata::kMapSize; ++k) {
      std::uint8_t a = img.pixels[static_cast<std::size_t>(k) * 4 + 3];
      opaque += a == 255;
      clear += a == 0;
    }
    // The course covers a good part of the field, and most is left clear.
    EXPECT_GT(opaque, mkdata::kMapSize * mkdata::kMapSize / 40) << desc.folder;
    EXPECT_GT(clear, mkdata::kMapSize * mkdata::kMapSize / 2) << desc.folder;
  }
}

TEST_F(GeneratedData, AnotherRunWritesTheSameBytes) {
  fs::path again = make_temp("again");
  std::string error;
  ASSERT_TRUE(mkdata::write_data_set(again, error)) << error;
  auto written = read_tree(again);
  fs::remove_all(again);
  EXPECT_GT(written.size(), 40u);
  for (const auto& [name, bytes] : written) {
    std::ifstream in(*data_ / name, std::ios::binary);
    ASSERT_TRUE(in) << name;
    std::string built(std::istreambuf_iterator<char>(in), {});
    EXPECT_TRUE(built == bytes) << name << " differs";
  }
}

}  // namespace
