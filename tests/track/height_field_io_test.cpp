// Reading and writing the terrain files: terrain.hf with inline samples or
// terrain.png, shading and shadow maps, the editor's save.

#include <cmath>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "data/data_dirs.h"
#include "png_writer.h"
#include "track/height_field.h"
#include "track_test_util.h"

namespace {

class HeightFieldIo : public ::testing::Test {
 protected:
  void SetUp() override {
    clear_messages();
    setenv("XDG_DATA_HOME", folder.path("home").c_str(), 1);
    reset_data_dirs_for_tests();
  }
  // A shift-1 track (5 x 5 samples) whose raw sample k is k * 1000.
  std::vector<std::uint16_t> ramp() {
    std::vector<std::uint16_t> raw(25);
    for (int k = 0; k < 25; ++k) raw[k] = static_cast<std::uint16_t>(k * 1000);
    return raw;
  }
  void write_shading(int size = 5) { folder.write("t/shadingx2.ppm", ppm(size, size, 100)); }
  bool load() { return load_height_field(field, folder.path("t")); }

  TempTree folder;
  HeightField field;
};

TEST_F(HeightFieldIo, InlineSamplesAfterTheHeaderLine) {
  folder.write("t/terrain.hf", terrain_hf(1, 2.0, -10, 55.535, ramp()));
  write_shading();
  ASSERT_TRUE(load());
  EXPECT_EQ(field.size, 5);
  EXPECT_FLOAT_EQ(field.extent, 8);
  EXPECT_FLOAT_EQ(field.tile_size, 4);
  // Sample (i, j) = raw[i + 5 j]; value = min + v (max - min) / 65535.
  EXPECT_NEAR(sample(field, 3, 2), -10 + 13000 * 65.535 / 65535, 1e-4);
  EXPECT_NEAR(sample(field, 4, 4), -10 + 24000 * 65.535 / 65535, 1e-4);
  EXPECT_EQ(field.shading.size(), 75u);
  EXPECT_EQ(field.shading[0], 100) << "shadingx2 is used unchanged";
}

TEST_F(HeightFieldIo, HeaderWithBlankLinesBeforeTheColon) {
  std::string text = terrain_hf(1, 2.0, 0, 65535, ramp());
  text.insert(text.find(':'), " \r\n\n\t");
  folder.write("t/terrain.hf", text);
  write_shading();
  ASSERT_TRUE(load());
  EXPECT_FLOAT_EQ(sample(field, 1, 0), 1000);
}

TEST_F(HeightFieldIo, NoSamplesAndNoPngGivesAFlatField) {
  folder.write("t/terrain.hf", "1 2.0 7.5 20\n");
  write_shading();
  ASSERT_TRUE(load());
  for (float h : field.heights) EXPECT_FLOAT_EQ(h, 7.5f);
}

TEST_F(HeightFieldIo, PngSamplesRepeatOrCut) {
  struct Case {
    const char* what;
    int width, height, depth;
    std::uint16_t (*expected)(int i, int j);
  } cases[] = {
      {"same size", 5, 5, 16, [](int i, int j) { return std::uint16_t(i * 100 + j * 7); }},
      {"smaller repeats its last column and row", 3, 2, 16,
       [](int i, int j) { return std::uint16_t(std::min(i, 2) * 100 + std::min(j, 1) * 7); }},
      {"larger is cut", 9, 7, 16, [](int i, int j) { return std::uint16_t(i * 100 + j * 7); }},
      {"8-bit values widen by 257", 5, 5, 8,
       [](int i, int j) { return std::uint16_t((i * 10 + j) * 257); }},
  };
  std::filesystem::create_directories(folder.path("t"));
  for (const Case& c : cases) {
    std::vector<std::uint16_t> values;
    for (int y = 0; y < c.height; ++y)
      for (int x = 0; x < c.width; ++x)
        values.push_back(c.depth == 16 ? std::uint16_t(x * 100 + y * 7)
                                       : std::uint16_t(x * 10 + y));
    ASSERT_TRUE(
        write_reference_grey_png(folder.path("t/terrain.png"), c.width, c.height, c.depth, values));
    folder.write("t/terrain.hf", "1 1 0 65535 ");
    write_shading();
    ASSERT_TRUE(load()) << c.what;
    for (int j = 0; j < 5; ++j)
      for (int i = 0; i < 5; ++i)
        ASSERT_FLOAT_EQ(sample(field, i, j), c.expected(i, j)) << c.what << " " << i << "," << j;
  }
}

TEST_F(HeightFieldIo, BadTerrainFilesFailWithTheirMessages) {
  std::string truncated = terrain_hf(1, 2.0, 0, 10, ramp());
  truncated.resize(truncated.size() - 3);
  struct Case {
    const char* what;
    std::string text;
    const char* message;
  } cases[] = {
      {"three numbers", "1 2.0 5\n:", "Bad height field parameters"},
      {"words", "shift spacing\n", "Bad height field parameters"},
      {"empty", "", "Bad height field parameters"},
      {"negative shift", "-1 2 0 1\n", "Bad height field parameters"},
      {"huge shift", "40 2 0 1\n", "Bad height field parameters"},
      {"zero spacing", "1 0 0 1\n", "Bad height field parameters"},
      {"truncated samples", truncated, "Error reading heights"},
  };
  for (const Case& c : cases) {
    clear_messages();
    folder.write("t/terrain.hf", c.text);
    write_shading();
    EXPECT_FALSE(load()) << c.what;
    EXPECT_TRUE(was_posted(c.message)) << c.what;
    EXPECT_TRUE(was_posted("Error reading heights")) << c.what;
    EXPECT_TRUE(field.heights.empty() && field.size == 0) << c.what;
  }
  clear_messages();
  EXPECT_FALSE(load_height_field(field, folder.path("missing")));
  EXPECT_TRUE(was_posted("Can't open '" + folder.path("missing/terrain.hf") + "'"));
}

TEST_F(HeightFieldIo, ShadingRules) {
  folder.write("t/terrain.hf", "1 2.0 0 1\n");
  struct Case {
    const char* what;
    const char* file;
    std::string bytes;
    bool ok;
    const char* message;
  } cases[] = {
      {"shading.ppm is halved", "shading.ppm", ppm(5, 5, 201), true, nullptr},
      {"wrong size", "shading.ppm", ppm(4, 5, 1), false, "Bad shading dimensions (4x5)"},
      {"wrong size x2", "shadingx2.ppm", ppm(5, 9, 1), false, "Bad shading dimensions (5x9)"},
      {"not an image", "shading.ppm", "P6\nxx", false, "Error reading shading"},
      {"truncated image", "shading.ppm", ppm(5, 5, 1).substr(0, 30), false,
       "Error reading shading"},
  };
  for (const Case& c : cases) {
    clear_messages();
    std::filesystem::remove(folder.path("t/shading.ppm"));
    std::filesystem::remove(folder.path("t/shadingx2.ppm"));
    folder.write(std::string("t/") + c.file, c.bytes);
    EXPECT_EQ(load(), c.ok) << c.what;
    if (c.message) {
      EXPECT_TRUE(was_posted(c.message)) << c.what;
    }
  }
  folder.write("t/shading.ppm", ppm(5, 5, 201));
  std::filesystem::remove(folder.path("t/shadingx2.ppm"));
  ASSERT_TRUE(load());
  EXPECT_EQ(field.shading[7], 100);
  std::filesystem::remove(folder.path("t/shading.ppm"));
  clear_messages();
  EXPECT_FALSE(load());
  EXPECT_TRUE(was_posted("Can't open '" + folder.path("t/shading.ppm") + "'"));
}

TEST_F(HeightFieldIo, ShadowMapRules) {
  folder.write("t/terrain.hf", "1 2.0 0 1\n");
  write_shading();
  ASSERT_TRUE(load());
  ASSERT_TRUE(load_shadow_map(field, folder.path("t")));
  EXPECT_EQ(field.shadows, std::vector<std::uint8_t>(25, 0)) << "no file: no shadow";

  std::string grey(25, '\xff');
  grey[3] = 0;
  grey[4] = 55;
  folder.write("t/shadows.pgm", pgm(5, 5, grey));
  ASSERT_TRUE(load_shadow_map(field, folder.path("t")));
  EXPECT_EQ(field.shadows[0], 0);
  EXPECT_EQ(field.shadows[3], 255);
  EXPECT_EQ(field.shadows[4], 200);

  folder.write("t/shadows.pgm", pgm(6, 5, std::string(30, 'x')));
  EXPECT_FALSE(load_shadow_map(field, folder.path("t")));
  folder.write("t/shadows.pgm", "P5\n5 5\n255\n");
  clear_messages();
  EXPECT_FALSE(load_shadow_map(field, folder.path("t")));
  EXPECT_TRUE(was_posted("Error reading shadows"));
}

TEST_F(HeightFieldIo, SaveAndLoadRoundTrips) {
  folder.write("t/terrain.hf", terrain_hf(1, 2.0, -10, 55.535, ramp()));
  std::string shading = "P6\n5 5\n255\n";
  for (int k = 0; k < 75; ++k) shading += static_cast<char>(k * 3);
  folder.write("t/shading.ppm", shading);
  ASSERT_TRUE(load());
  ASSERT_TRUE(save_height_field(field, "saved"));

  HeightField again;
  // shadingx2.ppm is read first and round-trips exactly.
  ASSERT_TRUE(load_height_field(again, folder.path("home/Tavrin/saved")));
  EXPECT_EQ(again.shading, field.shading);
  for (int k = 0; k < 25; ++k) EXPECT_NEAR(again.heights[k], field.heights[k], 1e-3) << k;
  // shading.ppm alone round-trips to within the lowest bit.
  std::filesystem::remove(folder.path("home/Tavrin/saved/shadingx2.ppm"));
  ASSERT_TRUE(load_height_field(again, folder.path("home/Tavrin/saved")));
  for (int k = 0; k < 75; ++k) EXPECT_LE(std::abs(again.shading[k] - field.shading[k]), 1);
  for (int k = 0; k < 75; ++k)
    EXPECT_LE(std::abs(again.shading[k] * 2 - (k * 3)), 1) << "against the original file";
}

TEST_F(HeightFieldIo, FlatFieldSavesFlat) {
  folder.write("t/terrain.hf", "1 2.0 12.25 12.25\n");
  write_shading();
  ASSERT_TRUE(load());
  ASSERT_TRUE(save_height_field(field, "flat"));
  HeightField again;
  ASSERT_TRUE(load_height_field(again, folder.path("home/Tavrin/flat")));
  for (float h : again.heights) EXPECT_FLOAT_EQ(h, 12.25f);
  EXPECT_GT(again.max_height, again.min_height);
}

}  // namespace
