// Loading and unloading a whole track: the order of its files, optional
// files, the track hash, statues and the scenery grid.

#include <string>

#include <gtest/gtest.h>

#include "base/ripemd160.h"
#include "data/data_dirs.h"
#include "track/track.h"
#include "track_test_util.h"

namespace {

class TrackLoad : public ::testing::Test {
 protected:
  void SetUp() override {
    clear_messages();
    setenv("XDG_DATA_HOME", folder.path("home").c_str(), 1);
    setenv("QZ_HOME", folder.path("data").c_str(), 1);
    folder.write("data/startgate.shp", "1 0 1 0 1.5 1 25000 2500\n");
    write_track("data/mytrack");
    reset_data_dirs_for_tests();
    track_list = {{"mytrack", "My Track"}};
  }
  void TearDown() override {
    unload_track(track);
    track_list.clear();
    unsetenv("QZ_HOME");
  }

  // A 9 x 9 sample track, 4 feet apart (32 feet a side), with two
  // surfaces, one start position, two checkpoints and one statue.
  void write_track(const std::string& dir) {
    std::vector<std::uint16_t> raw(81);
    for (int k = 0; k < 81; ++k) raw[k] = static_cast<std::uint16_t>(k * 100);
    folder.write(dir + "/terrain.hf", terrain_hf(2, 4.0, 0, 65.535, raw));
    folder.write(dir + "/shadingx2.ppm", ppm(9, 9, 64));
    folder.write(dir + "/tileinfo",
                 "texture loam.png\nfriction 1.1 10\naddtile\ntexture sand.png\naddtile\n");
    folder.write(dir + "/tilemap", std::string("\x00\x01\x01\x00", 4) + std::string(12, '\x01'));
    folder.write(dir + "/timing_gates",
                 "startinggate:\n[16 0 28] 0\ncheckpoints:\n6 [16 0 16] [0 0 -1]\n"
                 "6 [16 0 4] [0 0 -1]\nfirstlap:\n0 1\nnormallap:\n0 1\n");
    folder.write(dir + "/statues", "[ 8 1 8 ] 0.5 @rock.jm @rock.png " + folder.path(dir) +
                                       "/rock.shp\n[ 20 0 20 ] 4 @tree.jm null null\n");
    folder.write(dir + "/rock.shp", "2\n0 0 0\n2 1 25000 2500\n0 3 0 1 1 25000 2500\n");
    folder.write(dir + "/billboards", "[ 1 0 1 ] 4 1 @tree.png\n");
    folder.write(dir + "/lighting", "sun 1 1 1\n");
  }

  // The digest the loader must give: the defining files in load order.
  Ripemd160Digest expected_hash(const std::string& dir) {
    Ripemd160 digest;
    for (const char* file : {"terrain.hf", "terrain.png", "texturelist", "tilemap", "tileinfo",
                             "timing_gates", "statues"}) {
      std::string bytes = folder.read(dir + "/" + file);
      digest.update(bytes.data(), bytes.size());
    }
    for (std::string shape : {folder.read("data/startgate.shp"), folder.read(dir + "/rock.shp")})
      digest.update(shape.data(), shape.size());
    return digest.finish();
  }

  TempTree folder;
  Track track;
};

TEST_F(TrackLoad, LoadsEveryPart) {
  ASSERT_TRUE(load_track(track, "mytrack", "@mytrack"));
  EXPECT_EQ(track.name, "mytrack");
  EXPECT_EQ(track.title, "My Track");
  EXPECT_EQ(track.terrain.field.size, 9);
  ASSERT_EQ(track.terrain.surfaces.size(), 2u);
  EXPECT_EQ(terrain_surface_at(track.terrain, 9, 1).texture_name, "sand.png");
  EXPECT_EQ(terrain_surface_at(track.terrain, -5, 1).texture_name, "loam.png");
  EXPECT_EQ(track.terrain.field.shadows.size(), 81u);
  EXPECT_TRUE(timing_active(track.gates));
  ASSERT_EQ(track.gates.starts.size(), 1u);

  // The start gate statue comes first, 3 feet ahead of the start position.
  ASSERT_EQ(track.statues.size(), 3u);
  EXPECT_EQ(track.first_file_statue, 1);
  EXPECT_EQ(track.gates.starts[0].gate_object, 0);
  EXPECT_NEAR(track.statues[0].position.z, 25, 1e-9);
  EXPECT_EQ(track.statues[0].shape_name, "@startgate.shp");
  const Statue& rock = track.statues[1];
  EXPECT_NEAR(rock.position.y, height_at(track.terrain.field, 8, 8) + 1, 1e-6);
  ASSERT_NE(rock.shape, nullptr);
  EXPECT_EQ(rock.shape->spheres.size(), 2u);
  EXPECT_DOUBLE_EQ(rock.shape->bounding_radius, 4);
  const Statue& tree = track.statues[2];
  EXPECT_EQ(tree.shape, nullptr);
  EXPECT_DOUBLE_EQ(tree.facing_distance, 16);

  // Only statues with a shape are in the grid.
  bool rock_in_grid = false, tree_in_grid = false;
  for (const auto& bucket : track.scenery_grid.buckets) {
    for (int index : bucket) {
      rock_in_grid = rock_in_grid || index == 1;
      tree_in_grid = tree_in_grid || index == 2;
    }
  }
  EXPECT_TRUE(rock_in_grid);
  EXPECT_FALSE(tree_in_grid);
  EXPECT_EQ(track.hash, expected_hash("data/mytrack"));
}

TEST_F(TrackLoad, HashFollowsOnlyTheDefiningFiles) {
  ASSERT_TRUE(load_track(track, "mytrack", "@mytrack"));
  Ripemd160Digest original = track.hash;
  struct Case {
    const char* what;
    const char* file;
    std::string bytes;
    bool changes;
  } cases[] = {
      {"a statue's shape file", "rock.shp", "2\n0 0 0\n2 1 25000 2500\n0 3 0 1 1 2500 2500\n",
       true},
      {"the tile map", "tilemap", std::string(16, '\x01'), true},
      {"the timing gates", "timing_gates", "startinggate:\n[16 0 20] 0\n", true},
      {"a billboard", "billboards", "[ 2 0 2 ] 4 1 @bush.png\n", false},
      {"the lighting", "lighting", "sun 0 1 0\n", false},
      {"the map picture", "map.png", "not even a picture", false},
      {"a decal list", "decals", "[ 1 1 ] 0 2 1 @skid.png\n", false},
  };
  for (const Case& c : cases) {
    std::string path = "data/mytrack/" + std::string(c.file);
    std::string saved = folder.read(path);
    folder.write(path, c.bytes);
    ASSERT_TRUE(load_track(track, "mytrack", "@mytrack")) << c.what;
    EXPECT_EQ(track.hash != original, c.changes) << c.what;
    if (saved.empty())
      std::filesystem::remove(folder.path(path));
    else
      folder.write(path, saved);
  }
}

TEST_F(TrackLoad, TrackWithoutTimingGates) {
  std::filesystem::remove(folder.path("data/mytrack/timing_gates"));
  ASSERT_TRUE(load_track(track, "mytrack", "@mytrack"));
  EXPECT_FALSE(timing_active(track.gates));
  EXPECT_TRUE(track.gates.starts.empty());
  // Without the gate statue only the rock's shape is fed.
  Ripemd160 digest;
  for (const char* file : {"terrain.hf", "tilemap", "tileinfo", "statues", "rock.shp"}) {
    std::string bytes = folder.read(std::string("data/mytrack/") + file);
    digest.update(bytes.data(), bytes.size());
  }
  EXPECT_EQ(track.hash, digest.finish());
}

TEST_F(TrackLoad, BadHeaderLeavesNoTrack) {
  ASSERT_TRUE(load_track(track, "mytrack", "@mytrack"));
  folder.write("data/mytrack/terrain.hf", "9 x\n");
  EXPECT_FALSE(load_track(track, "mytrack", "@mytrack"));
  EXPECT_TRUE(was_posted("Bad height field parameters"));
  EXPECT_TRUE(was_posted("Error reading heights"));
  EXPECT_TRUE(track.name.empty());
  EXPECT_TRUE(track.title.empty());
  EXPECT_TRUE(track.terrain.field.heights.empty());
  EXPECT_TRUE(track.statues.empty());
  EXPECT_TRUE(track.gates.starts.empty());
}

TEST_F(TrackLoad, TerrainSaveWritesEveryFileOrStopsAtTheFirstFailure) {
  ASSERT_TRUE(load_track(track, "mytrack", "@mytrack"));
  ASSERT_TRUE(save_terrain(track.terrain, "copy"));
  for (const char* file : {"terrain.hf", "terrain.png", "shading.ppm", "shadingx2.ppm"})
    EXPECT_TRUE(std::filesystem::exists(folder.path(std::string("home/Tavrin/copy/") + file)))
        << file;
  EXPECT_EQ(folder.read("home/Tavrin/copy/tilemap"), folder.read("data/mytrack/tilemap"));
  EXPECT_FALSE(std::filesystem::exists(folder.path("home/Tavrin/copy/terrain.hf.tmp")));

  // A file where the track folder should be: nothing can be created.
  folder.write("home/Tavrin/blocked", "not a folder");
  EXPECT_FALSE(save_terrain(track.terrain, "blocked"));
  EXPECT_TRUE(was_posted("Can't open 'terrain.hf'"));
}

TEST_F(TrackLoad, MissingTileMapFailsTheLoad) {
  std::filesystem::remove(folder.path("data/mytrack/tilemap"));
  EXPECT_FALSE(load_track(track, "mytrack", "@mytrack"));
  EXPECT_TRUE(track.name.empty());
}

TEST_F(TrackLoad, OnlyTheRequiredFiles) {
  for (const char* file : {"tileinfo", "timing_gates", "statues", "billboards", "lighting"})
    std::filesystem::remove(folder.path(std::string("data/mytrack/") + file));
  folder.write("data/mytrack/texturelist", "dirt.png\n");
  ASSERT_TRUE(load_track(track, "mytrack", "@mytrack"));
  EXPECT_EQ(track.terrain.surfaces.size(), 1u);
  EXPECT_TRUE(track.statues.empty());
}

TEST_F(TrackLoad, UnloadEmptiesTheRecord) {
  ASSERT_TRUE(load_track(track, "other", "@mytrack"));
  EXPECT_EQ(track.title, "other") << "a name not in the track list is its own title";
  unload_track(track);
  EXPECT_TRUE(track.name.empty());
  EXPECT_TRUE(track.terrain.field.heights.empty());
  EXPECT_TRUE(track.statues.empty());
  for (const auto& bucket : track.scenery_grid.buckets) EXPECT_TRUE(bucket.empty());
}

// The drawing and editor steps, seen through the hooks.
std::vector<std::string> hook_calls;

TrackHooks recording_hooks() {
  TrackHooks h;
  h.load_texture = [](const char* name) {
    hook_calls.push_back(std::string("texture ") + name);
    return 7u;
  };
  h.new_texture_generation = [] { hook_calls.push_back("generation"); };
  h.purge_textures = [] { hook_calls.push_back("purge"); };
  h.show_loading = [] { hook_calls.push_back("loading"); };
  h.ground_low_detail = [](Terrain&) {
    hook_calls.push_back("low detail");
    return true;
  };
  h.ground_detail = [](Terrain&) { hook_calls.push_back("detail"); };
  h.load_decals = [](Terrain&, const char*) { hook_calls.push_back("decals"); };
  h.load_flaggers = [](Track&, const char*) { hook_calls.push_back("flaggers"); };
  h.load_billboards = [](Track&, const char*) { hook_calls.push_back("billboards"); };
  h.statue_added = [](Statue& s) { hook_calls.push_back("statue " + s.model_name); };
  h.load_lighting = [](Track&, const char*) { hook_calls.push_back("lighting"); };
  h.timing_loaded = [](const TimingGates&) { hook_calls.push_back("timing"); };
  h.editor_start = [](Track&) { hook_calls.push_back("editor start"); };
  h.editor_end = [](Track&) { hook_calls.push_back("editor end"); };
  h.scenery_unloaded = [](Track&) { hook_calls.push_back("scenery unloaded"); };
  return h;
}

TEST_F(TrackLoad, HooksRunInLoadOrder) {
  hook_calls.clear();
  track_hooks = recording_hooks();
  folder.write("data/mytrack/tileinfo", "texture loam.png\naddtile\n");
  bool loaded = load_track(track, "mytrack", "@mytrack");
  unload_track(track);
  track_hooks = TrackHooks{};
  ASSERT_TRUE(loaded);
  std::vector<std::string> expected = {"generation",
                                       "loading",
                                       "texture loam.png",
                                       "low detail",
                                       "detail",
                                       "decals",
                                       "statue @startgate.jm",
                                       "timing",
                                       "flaggers",
                                       "billboards",
                                       "statue @rock.jm",
                                       "statue @tree.jm",
                                       "lighting",
                                       "texture @mytrack/map.png",
                                       "editor start",
                                       "purge",
                                       "editor end",
                                       "scenery unloaded"};
  EXPECT_EQ(hook_calls, expected);
}

TEST_F(TrackLoad, FailedLowDetailTexturesFailTheLoad) {
  track_hooks.ground_low_detail = [](Terrain&) { return false; };
  bool loaded = load_track(track, "mytrack", "@mytrack");
  track_hooks = TrackHooks{};
  EXPECT_FALSE(loaded);
  EXPECT_TRUE(was_posted("Error creating low LOD textures"));
  EXPECT_TRUE(track.name.empty());
}

TEST(SceneryGrid, BucketsSpanTheMiddleThreeQuarters) {
  struct Case {
    double u;
    int bucket;
  } cases[] = {{-50, 0},    {0, 0},   {100, 0},   {124.9, 0}, {125, 0},
               {218.75, 1}, {500, 4}, {874.9, 7}, {875, 7},   {5000, 7}};
  for (const Case& c : cases) EXPECT_EQ(scenery_bucket(c.u, 1000), c.bucket) << c.u;
  EXPECT_EQ(scenery_bucket(5, 0), 0) << "no field";
}

}  // namespace
