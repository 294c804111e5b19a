// Image files: PNG round trips through our writers, PNGs of other forms
// made by libpng, PPM/PGM/predictive readers, the mip-chain builder.

#include <png.h>

#include <cstdio>
#include <string>
#include <vector>

#include "data/stream.h"
#include "platform/messages.h"
#include "render/image/border_colour.h"
#include "render/image/image.h"
#include "render/image/power_of_two.h"
#include "temp_tree.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// A PNG written directly with libpng, in any form the tests need.
struct PngRecipe {
  int width = 1;
  int height = 1;
  int colour_type = PNG_COLOR_TYPE_RGB;
  int bit_depth = 8;
  Bytes rows;                       // packed file rows, top first
  std::vector<png_color> palette;   // for palette images
  Bytes transparency;               // tRNS alphas (palette)
  const char* text = nullptr;       // one tEXt chunk before the image
  const char* late_text = nullptr;  // one tEXt chunk after it
};

void write_recipe_png(const std::string& path, const PngRecipe& recipe) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  ASSERT_NE(file, nullptr);
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  ASSERT_EQ(setjmp(png_jmpbuf(png)), 0);
  png_init_io(png, file);
  png_set_IHDR(png, info, recipe.width, recipe.height, recipe.bit_depth, recipe.colour_type,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (!recipe.palette.empty()) {
    png_set_PLTE(png, info, recipe.palette.data(), static_cast<int>(recipe.palette.size()));
  }
  if (!recipe.transparency.empty()) {
    png_set_tRNS(png, info, recipe.transparency.data(),
                 static_cast<int>(recipe.transparency.size()), nullptr);
  }
  png_text text{};
  if (recipe.text) {
    text.compression = PNG_TEXT_COMPRESSION_NONE;
    text.key = const_cast<char*>("Comment");
    text.text = const_cast<char*>(recipe.text);
    png_set_text(png, info, &text, 1);
  }
  png_write_info(png, info);
  const std::size_t row_bytes = recipe.rows.size() / recipe.height;
  for (int y = 0; y < recipe.height; ++y) {
    png_write_row(png, const_cast<png_bytep>(recipe.rows.data() + y * row_bytes));
  }
  if (recipe.late_text) {
    png_infop end = png_create_info_struct(png);
    text.compression = PNG_TEXT_COMPRESSION_NONE;
    text.key = const_cast<char*>("Comment");
    text.text = const_cast<char*>(recipe.late_text);
    png_set_text(png, end, &text, 1);
    png_write_end(png, end);
    png_destroy_info_struct(png, &end);
  } else {
    png_write_end(png, nullptr);
  }
  png_destroy_write_struct(&png, &info);
  std::fclose(file);
}

Bytes level0(const Image& image) {
  return Bytes(image.pixels.begin(),
               image.pixels.begin() + std::size_t(image.width) * image.height * image.channels);
}

std::string last_posted() {
  const MessageList& list = message_list();
  return list.lines[(list.write_index + message_ring_lines - 1) % message_ring_lines].data();
}

TEST(PngWriters, RgbRoundTripFlipsRowsAndBuildsChain) {
  TempTree tree;
  const int w = 5, h = 3;
  Bytes bottom_up(w * h * 3);
  for (std::size_t i = 0; i < bottom_up.size(); ++i)
    bottom_up[i] = static_cast<std::uint8_t>(i * 37);
  const std::string path = tree.path("shots/screenshot000.png");
  ASSERT_TRUE(write_png_rgb(path.c_str(), bottom_up.data(), w, h));
  EXPECT_FALSE(std::filesystem::exists(path + ".tmp"));
  Image image;
  ASSERT_TRUE(read_png(path.c_str(), &image));
  EXPECT_EQ(image.width, w);
  EXPECT_EQ(image.height, h);
  EXPECT_EQ(image.channels, 3);
  EXPECT_EQ(image.pixels.size(), mip_chain_bytes(w, h, 3));
  for (int y = 0; y < h; ++y) {
    EXPECT_EQ(Bytes(image.pixels.begin() + y * w * 3, image.pixels.begin() + (y + 1) * w * 3),
              Bytes(bottom_up.begin() + (h - 1 - y) * w * 3, bottom_up.begin() + (h - y) * w * 3))
        << y;
  }
}

TEST(PngWriters, Gray16RoundTripInHostOrder) {
  TempTree tree;
  const int w = 7, h = 4;
  std::vector<std::uint16_t> heights(w * h);
  for (std::size_t i = 0; i < heights.size(); ++i)
    heights[i] = static_cast<std::uint16_t>(i * 2741 + 3);
  const std::string path = tree.path("terrain.png");
  ASSERT_TRUE(write_png_gray16(path.c_str(), heights.data(), w, h));
  GrayImage16 image;
  ASSERT_TRUE(read_png_gray16(path.c_str(), &image));
  EXPECT_EQ(image.width, w);
  EXPECT_EQ(image.height, h);
  EXPECT_EQ(image.samples, heights);
  // The file is big-endian: the first sample's high byte comes first.
  const std::string bytes = tree.read("terrain.png");
  EXPECT_EQ(bytes.substr(0, 8), "\x89PNG\r\n\x1a\n");
}

TEST(PngWriters, FailWhenTheFileCannotBeMade) {
  TempTree tree;
  tree.write("blocker", "x");
  const std::uint8_t pixel[3] = {1, 2, 3};
  EXPECT_FALSE(write_png_rgb(tree.path("blocker/a.png").c_str(), pixel, 1, 1));
  EXPECT_FALSE(write_png_rgb(tree.path("zero.png").c_str(), pixel, 0, 1));
}

TEST(PngReader, OtherFormsExpand) {
  TempTree tree;
  struct {
    const char* label;
    PngRecipe recipe;
    int channels;
    Bytes pixels;
  } cases[] = {
      {"palette",
       {2,
        1,
        PNG_COLOR_TYPE_PALETTE,
        8,
        {1, 0},
        {{10, 20, 30}, {40, 50, 60}},
        {},
        nullptr,
        nullptr},
       3,
       {40, 50, 60, 10, 20, 30}},
      {"palette with transparency",
       {2,
        1,
        PNG_COLOR_TYPE_PALETTE,
        8,
        {0, 1},
        {{10, 20, 30}, {40, 50, 60}},
        {0},
        nullptr,
        nullptr},
       4,
       {10, 20, 30, 0, 40, 50, 60, 255}},
      {"grey and alpha",
       {2, 1, PNG_COLOR_TYPE_GRAY_ALPHA, 8, {7, 100, 200, 255}, {}, {}, nullptr, nullptr},
       4,
       {7, 7, 7, 100, 200, 200, 200, 255}},
      {"grey 1-bit",
       {3, 1, PNG_COLOR_TYPE_GRAY, 1, {0xa0}, {}, {}, nullptr, nullptr},
       3,
       {255, 255, 255, 0, 0, 0, 255, 255, 255}},
      {"rgb 16-bit",
       {1,
        1,
        PNG_COLOR_TYPE_RGB,
        16,
        {0x12, 0x34, 0xab, 0xcd, 0xff, 0x00},
        {},
        {},
        nullptr,
        nullptr},
       3,
       {0x12, 0xab, 0xff}},
      {"rgba",
       {1, 1, PNG_COLOR_TYPE_RGB_ALPHA, 8, {1, 2, 3, 4}, {}, {}, nullptr, nullptr},
       4,
       {1, 2, 3, 4}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    write_recipe_png(tree.path("p.png"), c.recipe);
    Image image;
    ASSERT_TRUE(read_png(tree.path("p.png").c_str(), &image));
    EXPECT_EQ(image.channels, c.channels);
    EXPECT_EQ(level0(image), c.pixels);
  }
}

TEST(PngReader, Gray16FromOtherForms) {
  TempTree tree;
  write_recipe_png(tree.path("g.png"),
                   {3, 1, PNG_COLOR_TYPE_GRAY, 8, {0, 1, 255}, {}, {}, nullptr, nullptr});
  GrayImage16 image;
  ASSERT_TRUE(read_png_gray16(tree.path("g.png").c_str(), &image));
  EXPECT_EQ(image.samples, (std::vector<std::uint16_t>{0, 257, 65535}));
  write_recipe_png(tree.path("c.png"), {2,
                                        1,
                                        PNG_COLOR_TYPE_RGB_ALPHA,
                                        8,
                                        {9, 9, 9, 0, 200, 200, 200, 7},
                                        {},
                                        {},
                                        nullptr,
                                        nullptr});
  ASSERT_TRUE(read_png_gray16(tree.path("c.png").c_str(), &image));
  EXPECT_EQ(image.samples, (std::vector<std::uint16_t>{9 * 257, 200 * 257}));
}

TEST(PngReader, DamagedFilesFailCleanly) {
  TempTree tree;
  Bytes pixels(64 * 64 * 3);
  for (std::size_t i = 0; i < pixels.size(); ++i)
    pixels[i] = static_cast<std::uint8_t>(i * 7 ^ (i >> 5));
  ASSERT_TRUE(write_png_rgb(tree.path("full.png").c_str(), pixels.data(), 64, 64));
  const std::string bytes = tree.read("full.png");
  Image image;
  for (std::size_t cut : {std::size_t{0}, std::size_t{7}, std::size_t{8}, std::size_t{20},
                          std::size_t{40}, bytes.size() / 2, bytes.size() - 13}) {
    SCOPED_TRACE(cut);
    tree.write("cut.png", bytes.substr(0, cut));
    EXPECT_FALSE(read_png(tree.path("cut.png").c_str(), &image));
    EXPECT_TRUE(image.pixels.empty());
    GrayImage16 heights;
    EXPECT_FALSE(read_png_gray16(tree.path("cut.png").c_str(), &heights));
  }
  std::string flipped = bytes;
  flipped[bytes.size() / 2] = static_cast<char>(~flipped[bytes.size() / 2]);
  tree.write("bad.png", flipped);
  EXPECT_FALSE(read_png(tree.path("bad.png").c_str(), &image));
  tree.write("text.png", "P6 1 1 255 abc");
  EXPECT_FALSE(read_png(tree.path("text.png").c_str(), &image));
  EXPECT_FALSE(read_png(tree.path("missing.png").c_str(), &image));
}

// A picture carrying its own levels: level 0 (w x n) on top, level 1
// under it at the left, the smaller ones stacked in the column to its right.
TEST(PngReader, CustomMipLevelsAreCutFromThePicture) {
  TempTree tree;
  const int w = 8, n = 8, h = 12;
  PngRecipe recipe{w,  h,  PNG_COLOR_TYPE_RGB,      8,      Bytes(w * h * 3),
                   {}, {}, "see [mip_custom] here", nullptr};
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x)
      recipe.rows[(y * w + x) * 3] = static_cast<std::uint8_t>(y * 16 + x);
  }
  write_recipe_png(tree.path("m.png"), recipe);
  Image image;
  ASSERT_TRUE(read_png(tree.path("m.png").c_str(), &image));
  EXPECT_EQ(image.height, n);
  ASSERT_EQ(image.pixels.size(), mip_chain_bytes(w, n, 3));
  // Red of the first pixel of each level: level 0 at (0,0), level 1 at
  // (0,8), level 2 at (4,8), level 3 at (4,10).
  const std::size_t starts[] = {0, 64, 64 + 16, 64 + 16 + 4};
  const int red[] = {0, 8 * 16, 8 * 16 + 4, 10 * 16 + 4};
  for (int level = 0; level < 4; ++level)
    EXPECT_EQ(image.pixels[starts[level] * 3], red[level]) << level;
  // Level 1's second row comes from picture row 9.
  EXPECT_EQ(image.pixels[(64 + 4) * 3], 9 * 16);
}

TEST(PngReader, InvalidCustomHeightWarnsAndKeepsThePicture) {
  TempTree tree;
  PngRecipe recipe{4,  10,      PNG_COLOR_TYPE_RGB, 8, Bytes(4 * 10 * 3, 9), {},
                   {}, nullptr, "[mip_custom]"};
  write_recipe_png(tree.path("odd.png"), recipe);
  Image image;
  ASSERT_TRUE(read_png(tree.path("odd.png").c_str(), &image));
  EXPECT_EQ(image.height, 10);
  EXPECT_EQ(image.pixels.size(), mip_chain_bytes(4, 10, 3));
  EXPECT_EQ(last_posted(),
            "Warning: Invalid height for custom MIP map in '" + tree.path("odd.png") + "'");
}

TEST(PngReader, MaxAlphaMarkerKeepsThinShapes) {
  TempTree tree;
  PngRecipe recipe{
      2,  2,  PNG_COLOR_TYPE_RGB_ALPHA, 8,      {9, 9, 9, 255, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
      {}, {}, "[mip_max_alpha]",        nullptr};
  write_recipe_png(tree.path("a.png"), recipe);
  Image image;
  ASSERT_TRUE(read_png(tree.path("a.png").c_str(), &image));
  EXPECT_EQ(Bytes(image.pixels.begin() + 16, image.pixels.end()), (Bytes{9, 9, 9, 255}));
  recipe.text = nullptr;
  write_recipe_png(tree.path("b.png"), recipe);
  ASSERT_TRUE(read_png(tree.path("b.png").c_str(), &image));
  EXPECT_EQ(Bytes(image.pixels.begin() + 16, image.pixels.end()), (Bytes{9, 9, 9, 63}));
}

TEST(RgbaImage, WidensRgbAndReadsPredictive) {
  TempTree tree;
  const std::uint8_t pixels[6] = {1, 2, 3, 4, 5, 6};
  ASSERT_TRUE(write_png_rgb(tree.path("rgb.png").c_str(), pixels, 2, 1));
  Image image;
  ASSERT_TRUE(read_rgba_image(tree.path("rgb.png").c_str(), &image));
  EXPECT_EQ(image.channels, 4);
  EXPECT_EQ(image.pixels, (Bytes{1, 2, 3, 255, 4, 5, 6, 255, 2, 3, 4, 255}));
  tree.write("j6", std::string("J6 1 1\n\x05\x06\x07", 10));
  ASSERT_TRUE(read_rgba_image(tree.path("j6").c_str(), &image));
  EXPECT_EQ(image.pixels, (Bytes{5, 6, 7, 0}));  // predicted-only alpha is 0
}

TEST(MipChain, BoxFilterCases) {
  struct {
    const char* label;
    int width, height, channels;
    MipMode mode;
    Bytes level0;
    Bytes smaller;  // every level after 0
  } cases[] = {
      {"grey 2x2", 2, 2, 1, MipMode::Plain, {1, 2, 3, 5}, {2}},
      {"grey 4x1 pairs", 4, 1, 1, MipMode::Plain, {0, 3, 10, 20}, {1, 15, 8}},
      {"rgb 1x2 pairs", 1, 2, 3, MipMode::Plain, {0, 10, 255, 2, 11, 255}, {1, 10, 255}},
      {"grey 3x3 drops the odd edge",
       3,
       3,
       1,
       MipMode::Plain,
       {4, 8, 99, 4, 8, 99, 99, 99, 99},
       {6}},
      {"rgba weighted by alpha",
       2,
       2,
       4,
       MipMode::Plain,
       {200, 0, 0, 255, 0, 200, 0, 85, 0, 0, 0, 0, 0, 0, 0, 0},
       {150, 50, 0, 85}},
      {"rgba fully opaque is a plain mean",
       2,
       2,
       4,
       MipMode::Plain,
       {4, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255, 1, 0, 0, 255},
       {1, 0, 0, 255}},
      {"rgba transparent is a plain mean",
       2,
       2,
       4,
       MipMode::MaxAlpha,
       {4, 8, 0, 0, 4, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
       {2, 2, 0, 0}},
      {"rgba max alpha",
       2,
       2,
       4,
       MipMode::MaxAlpha,
       {100, 0, 0, 40, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 10},
       {80, 0, 0, 40}},
      {"rgba pair weighted", 2, 1, 4, MipMode::Plain, {90, 0, 0, 1, 0, 0, 0, 2}, {30, 0, 0, 1}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    Bytes chain(mip_chain_bytes(c.width, c.height, c.channels));
    ASSERT_EQ(chain.size(), c.level0.size() + c.smaller.size());
    std::copy(c.level0.begin(), c.level0.end(), chain.begin());
    build_mip_chain(chain.data(), c.width, c.height, c.channels, c.mode);
    EXPECT_EQ(Bytes(chain.begin() + c.level0.size(), chain.end()), c.smaller);
  }
  EXPECT_EQ(mip_chain_bytes(8, 2, 3), (16 + 4 + 2 + 1) * 3u);
}

// A stream over `bytes` in a temporary file.
class BytesStream {
 public:
  explicit BytesStream(const std::string& bytes)
      : stream_(stream_open(tree_.write("in", bytes).c_str(), "rb")) {}
  Stream* get() { return stream_.get(); }

 private:
  TempTree tree_;
  StreamPtr stream_;
};

TEST(Pnm, ReadersDecodeEveryForm) {
  struct {
    const char* label;
    std::string bytes;
    bool grey;
    int width, height;
    Bytes pixels;  // level 0
  } cases[] = {
      {"binary ppm",
       std::string("P6\n# made by hand\n2 1\n255\n") + "\x01\x02\x03\xfa\xfb\xfc",
       false,
       2,
       1,
       {1, 2, 3, 250, 251, 252}},
      {"binary ppm, comments before each number",
       "P6 #c\n 1 #c\n#d\n 1 # e\n 15 \x0f\x05\x01",
       false,
       1,
       1,
       {255, 85, 17}},
      {"text ppm", "P3 1 2 100\n100 50 0 # comment\n 1 2 3", false, 1, 2, {255, 127, 0, 2, 5, 7}},
      {"text ppm, bad sample", "P3 1 1 255 1 x 2", false, 1, 1, {1, 255, 255}},
      {"predictive rgb",
       std::string("J6 2 2\n") + "\x0a\x14\x1e"
                                 "\x01\x01\x01"
                                 "\x02\x02\x02"
                                 "\x03\x03\x03",
       false,
       2,
       2,
       {10, 20, 30, 11, 21, 31, 12, 22, 32, 16, 26, 36}},
      {"predictive rgba dropped to rgb",
       std::string("J7 1 1\n") + "\x01\x02\x03\x04",
       false,
       1,
       1,
       {1, 2, 3}},
      {"predictive wraps modulo 256",
       "J6 2 1 " + std::string("\xff\x00\x00\x02\x00\x00", 6),
       false,
       2,
       1,
       {255, 0, 0, 1, 0, 0}},
      {"binary pgm", "P5 3 1 255\n" + std::string("\x00\x80\xff", 3), true, 3, 1, {0, 128, 255}},
      {"text pgm", "P2 2 1 10 5 10", true, 2, 1, {127, 255}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    BytesStream in(c.bytes);
    Image image;
    ASSERT_TRUE(c.grey ? read_pgm(in.get(), &image) : read_rgb_image(in.get(), &image))
        << image_last_error();
    EXPECT_EQ(image.width, c.width);
    EXPECT_EQ(image.height, c.height);
    EXPECT_EQ(image.channels, c.grey ? 1 : 3);
    EXPECT_EQ(level0(image), c.pixels);
    EXPECT_EQ(image.pixels.size(),
              c.grey ? c.pixels.size() : mip_chain_bytes(c.width, c.height, 3));
  }
}

TEST(Pnm, RefusalsLeaveTheirReason) {
  struct {
    const char* bytes;
    bool grey;
    const char* reason;
  } cases[] = {
      {"P5 1 1 255 x", false, "Can't parse PPM header"},
      {"", false, "Can't parse PPM header"},
      {"P6 -1 1 255 x", false, "Can't get PPM dimensions"},
      {"P6 1 x 255 x", false, "Can't get PPM dimensions"},
      {"P6 0 1 255 x", false, "Can't get PPM dimensions"},
      {"P6 1 1 0 x", false, "Can't get PPM dimensions"},
      {"P6 100000 100000 255 x", false, "Can't get PPM dimensions"},
      {"P6 2 2 255 abc", false, "Truncated image data"},
      {"J6 2", false, "Can't get predictive image dimensions"},
      {"J7 2 2 abc", false, "Truncated image data"},
      {"P6 1 1 255 abc", true, "Can't parse PGM header"},
      {"P5 1", true, "Can't get PGM dimensions"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.bytes);
    BytesStream in(c.bytes);
    Image image;
    EXPECT_FALSE(c.grey ? read_pgm(in.get(), &image) : read_rgb_image(in.get(), &image));
    EXPECT_STREQ(image_last_error(), c.reason);
    EXPECT_TRUE(image.pixels.empty());
  }
}

}  // namespace

namespace {

TEST(PowerOfTwo, ResamplesByNearestNeighbour) {
  Image image{100, 60, 3, Bytes(mip_chain_bytes(100, 60, 3))};
  for (int y = 0; y < 60; ++y) {
    for (int x = 0; x < 100; ++x) {
      image.pixels[(y * 100 + x) * 3] = static_cast<std::uint8_t>(x);
      image.pixels[(y * 100 + x) * 3 + 1] = static_cast<std::uint8_t>(y);
    }
  }
  const Image out = to_power_of_two(image);
  EXPECT_EQ(out.width, 128);
  EXPECT_EQ(out.height, 64);
  EXPECT_EQ(out.pixels.size(), mip_chain_bytes(128, 64, 3));
  // Column 127 takes source column 127 x 100 / 128 = 99; row 63 takes 59.
  EXPECT_EQ(out.pixels[(63 * 128 + 127) * 3], 99);
  EXPECT_EQ(out.pixels[(63 * 128 + 127) * 3 + 1], 59);
  EXPECT_EQ(out.pixels[(10 * 128 + 3) * 3], 2);  // 3 x 100 / 128
  Image square{4, 4, 1, Bytes(mip_chain_bytes(4, 4, 1), 7)};
  EXPECT_EQ(to_power_of_two(square).pixels, square.pixels);
}

TEST(PowerOfTwo, LevelsDroppedOnlyWhileBothSidesExceed128) {
  EXPECT_EQ(levels_to_drop(512, 512, 2), 2);
  EXPECT_EQ(levels_to_drop(512, 512, 5), 2);
  EXPECT_EQ(levels_to_drop(256, 128, 4), 0);
  EXPECT_EQ(levels_to_drop(1024, 256, 0), 0);
  EXPECT_EQ(levels_to_drop(1024, 256, 3), 1);
  EXPECT_EQ(mip_level_offset(4, 2, 3, 0), 0u);
  EXPECT_EQ(mip_level_offset(4, 2, 3, 2), (8 + 2) * 3u);
  EXPECT_TRUE(is_power_of_two(1));
  EXPECT_FALSE(is_power_of_two(0));
  EXPECT_FALSE(is_power_of_two(96));
}

}  // namespace

namespace {

TEST(BorderColour, MostCommonEdgeColourWins) {
  // 3x3: the edge is mostly white, one red pixel; the centre is ignored.
  Bytes rgb(3 * 3 * 3, 255);
  rgb[0] = 255, rgb[1] = 0, rgb[2] = 0;   // corner (0,0): counted twice
  rgb[12] = 0, rgb[13] = 0, rgb[14] = 0;  // centre
  const std::array<float, 4> colour = border_colour(rgb.data(), 3, 3);
  EXPECT_EQ(colour, (std::array<float, 4>{1, 1, 1, 0}));
  // A tie goes to the lower bin: (36, 0, 0) quantises to red level 0.
  const Bytes pair = {36, 0, 0, 255, 0, 0};
  EXPECT_EQ(border_colour(pair.data(), 2, 1), (std::array<float, 4>{0, 0, 0, 0}));
  const Bytes one = {146, 0, 255};
  EXPECT_EQ(border_colour(one.data(), 1, 1), (std::array<float, 4>{4.0f / 7, 0, 1, 0}));
}

}  // namespace
