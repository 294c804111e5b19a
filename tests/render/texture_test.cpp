// The texture cache on a real GL context: one texture per name, level
// dropping and power-of-two resampling, missing and damaged files, purge
// by load generation, and animated sequences.

#include "render/texture.h"

#include <GL/gl.h>

#include <array>
#include <cstdint>
#include <vector>

#include "gl_window.h"
#include "platform/log.h"

extern "C" const char* __lsan_default_suppressions() { return "leak:libdbus-1.so\n"; }

namespace {

class Textures : public GlWindow {
 protected:
  void SetUp() override {
    GlWindow::SetUp();
    if (IsSkipped()) return;
    free_all_textures();
    texture_generation = 0;
    texture_bytes = 0;
    texture_detail = 0;
    debug_level = 0;
  }
  void TearDown() override {
    if (window) free_all_textures();
    debug_level = 0;
    GlWindow::TearDown();
  }

  // A binary PPM of one colour; returns its path.
  std::string ppm(const std::string& name, int w, int h,
                  std::array<std::uint8_t, 3> rgb = {1, 2, 3}) {
    std::string text = "P6\n" + std::to_string(w) + " " + std::to_string(h) + "\n255\n";
    for (int i = 0; i < w * h; ++i) text.append(reinterpret_cast<const char*>(rgb.data()), 3);
    write_file(home / name, text);
    return home / name;
  }

  static int level_width(unsigned id, int level, GLenum what = GL_TEXTURE_WIDTH) {
    GLint value = 0;
    glBindTexture(GL_TEXTURE_2D, id);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, what, &value);
    glBindTexture(GL_TEXTURE_2D, 0);
    return value;
  }
};

TEST_F(Textures, OneTexturePerNameAndACaseMismatchIsWarned) {
  std::string path = ppm("Grass.ppm", 8, 8);
  unsigned id = load_texture(path.c_str());
  ASSERT_NE(id, 0u);
  EXPECT_EQ(load_texture(path.c_str()), id);
  std::string other_case = home / "GRASS.ppm";
  EXPECT_EQ(load_texture(other_case.c_str()), id);
  EXPECT_EQ(last_message(), "Warning: case mismatch on '" + other_case + "'");
  EXPECT_EQ(texture_cache().size(), 1u);
  EXPECT_STREQ(texture_name(id), path.c_str());
  EXPECT_EQ(texture_name(id + 1000), nullptr);
}

TEST_F(Textures, FullResolutionRequestSharesTheEntryOfThePlainName) {
  std::string path = ppm("title.ppm", 512, 512);
  texture_detail = 2;
  unsigned full = load_texture(("!" + path).c_str());
  EXPECT_EQ(load_texture(path.c_str()), full);
  ASSERT_EQ(texture_cache().size(), 1u);
  EXPECT_EQ(texture_cache()[0].name, path);
  // The first request decided: no level was dropped.
  EXPECT_EQ(level_width(full, 0), 512);
}

TEST_F(Textures, LargeTexturesLoseTopLevelsOnlyWhileBothSidesExceed128) {
  const struct {
    int w, h, detail;
    int width, height;
  } cases[] = {
      {512, 512, 2, 128, 128},
      {256, 128, 2, 256, 128},
      {1024, 256, 3, 512, 128},
      {512, 512, 0, 512, 512},
  };
  for (auto c : cases) {
    SCOPED_TRACE(testing::Message() << c.w << "x" << c.h << " detail " << c.detail);
    texture_detail = c.detail;
    std::string name = "t" + std::to_string(c.w) + "x" + std::to_string(c.h) + "d" +
                       std::to_string(c.detail) + ".ppm";
    unsigned id = load_texture(ppm(name, c.w, c.h).c_str());
    ASSERT_NE(id, 0u);
    EXPECT_EQ(level_width(id, 0), c.width);
    EXPECT_EQ(level_width(id, 0, GL_TEXTURE_HEIGHT), c.height);
  }
}

TEST_F(Textures, NonPowerOfTwoImagesAreResampledWithAWarning) {
  std::string path = ppm("odd.ppm", 100, 60);
  unsigned id = load_texture(path.c_str());
  ASSERT_NE(id, 0u);
  EXPECT_EQ(last_message(), "Warning: Non power of 2 texture '" + path + "'");
  EXPECT_EQ(level_width(id, 0), 128);
  EXPECT_EQ(level_width(id, 0, GL_TEXTURE_HEIGHT), 64);
  // The whole chain down to 1x1 was built for the new size.
  EXPECT_EQ(level_width(id, 7), 1);
  EXPECT_EQ(level_width(id, 7, GL_TEXTURE_HEIGHT), 1);
  EXPECT_EQ(texture_cache()[0].bytes, static_cast<std::uint32_t>(mip_chain_bytes(128, 64, 3)));
}

TEST_F(Textures, AMissingFileGivesNoTextureAndIsTriedAgain) {
  debug_level = 1;
  std::string path = home / "later.ppm";
  EXPECT_EQ(load_texture(path.c_str()), 0u);
  EXPECT_EQ(last_message(), "Can't open texture \"" + path + "\"");
  EXPECT_TRUE(texture_cache().empty());
  ppm("later.ppm", 4, 4);
  EXPECT_NE(load_texture(path.c_str()), 0u);
}

TEST_F(Textures, ADamagedFileGivesNoTextureAndSaysSo) {
  const char* damaged[] = {"P6\nwide high\n255\n", "J7\n", "ANIM1 0 0 1 0\n",
                           "\x89PNG\r\n\x1a\nbroken"};
  int n = 0;
  for (const char* bytes : damaged) {
    SCOPED_TRACE(bytes);
    std::string path = home / ("bad" + std::to_string(n++) + ".img");
    write_file(path, bytes);
    EXPECT_EQ(load_texture(path.c_str()), 0u);
    EXPECT_EQ(last_message(), "Warning: can't read texture '" + path + "'");
  }
  EXPECT_TRUE(texture_cache().empty());
}

// A track load re-stamps what it asks for and purges the rest; textures
// from before the first track stay.
TEST_F(Textures, PurgeFreesOnlyTexturesTheNewLoadDidNotAskFor) {
  unsigned font = load_texture(ppm("font.ppm", 16, 16).c_str());
  const std::string a = ppm("a.ppm", 32, 32), b = ppm("b.ppm", 64, 64);

  new_texture_generation();
  unsigned ta = load_texture(a.c_str()), tb = load_texture(b.c_str());
  purge_textures();
  const std::uint32_t first_bytes = texture_bytes;
  EXPECT_EQ(first_bytes, mip_chain_bytes(32, 32, 3) + mip_chain_bytes(64, 64, 3));

  // The same track again: the same textures and the same memory, not twice.
  new_texture_generation();
  EXPECT_EQ(load_texture(a.c_str()), ta);
  EXPECT_EQ(load_texture(b.c_str()), tb);
  purge_textures();
  EXPECT_EQ(texture_bytes, first_bytes);

  // Another track that only needs a.
  debug_level = 1;
  new_texture_generation();
  EXPECT_EQ(load_texture(a.c_str()), ta);
  purge_textures();
  EXPECT_EQ(last_message(), "deleting tid " + std::to_string(tb) + " (" + b + ")");
  EXPECT_EQ(texture_bytes, mip_chain_bytes(32, 32, 3));
  EXPECT_TRUE(glIsTexture(ta));
  EXPECT_FALSE(glIsTexture(tb));
  EXPECT_TRUE(glIsTexture(font));
  ASSERT_EQ(texture_cache().size(), 2u);
  EXPECT_EQ(texture_cache()[0].id, font);
  EXPECT_EQ(texture_cache()[0].generation, 0);
}

// A 2 x 2 predictive RGBA frame of one colour: the first pixel's
// corrections are the colour, every later prediction is already right.
std::string j7_frame(std::array<std::uint8_t, 4> rgba) {
  std::string frame = "J7\n2 2\n";
  frame.append(reinterpret_cast<const char*>(rgba.data()), 4);
  frame.append(12, '\0');
  return frame;
}

std::array<std::uint8_t, 4> first_texel(unsigned id) {
  std::array<std::uint8_t, 16> pixels{};
  glBindTexture(GL_TEXTURE_2D, id);
  glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
  glBindTexture(GL_TEXTURE_2D, 0);
  return {pixels[0], pixels[1], pixels[2], pixels[3]};
}

TEST_F(Textures, SequencesStepThroughTheirFramesAndStopOrWrap) {
  const std::array<std::uint8_t, 4> red{255, 0, 0, 255}, green{0, 255, 0, 255};
  new_texture_generation();  // a track's textures, so they can be purged
  auto sequence = [&](const std::string& name, int loop) {
    write_file(home / name, "ANIM1\n3 2 4 " + std::to_string(loop) + "\n0 1 0\n" + j7_frame(red) +
                                j7_frame(green));
    return load_texture((home / name).c_str());
  };
  unsigned once = sequence("once.seq", 0), looping = sequence("loop.seq", 1);
  ASSERT_NE(once, 0u);
  ASSERT_NE(looping, 0u);
  EXPECT_EQ(first_texel(once), red);

  animate_textures(4);  // step 1
  EXPECT_EQ(first_texel(once), green);
  EXPECT_EQ(first_texel(looping), green);
  animate_textures(1000);             // far past the end: step 250
  EXPECT_EQ(first_texel(once), red);  // stays on the last step, frame 0
  animate_textures(4 * 3 + 4);        // step 4: wraps to step 1
  EXPECT_EQ(first_texel(looping), green);

  // Paused animations keep their frame; a restart counts from its tick.
  stop_texture_anim(looping);
  animate_textures(0);
  EXPECT_EQ(first_texel(looping), green);
  start_texture_anim(looping, 100);
  animate_textures(100);
  EXPECT_EQ(first_texel(looping), red);

  // Purging the texture takes its animation with it.
  new_texture_generation();
  purge_textures();
  EXPECT_TRUE(texture_cache().empty());
  animate_textures(4);  // nothing left to step
}

}  // namespace
