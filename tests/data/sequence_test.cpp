// Animated texture sequence files.

#include <string>

#include "data/stream.h"
#include "platform/messages.h"
#include "render/image/image.h"
#include "render/image/sequence.h"
#include "temp_tree.h"

namespace {

std::string last_posted() {
  const MessageList& list = message_list();
  return list.lines[(list.write_index + message_ring_lines - 1) % message_ring_lines].data();
}

// A 1x1 predictive RGBA frame holding the colour (v, v, v, 255).
std::string j7_frame(char v) { return "J7 1 1\n" + std::string{v, v, v, '\xff'}; }

class SequenceTest : public ::testing::Test {
 protected:
  // Reads `text` (after its ANIM1 token) as a sequence file.
  bool read(const std::string& text, TextureSequence* out) {
    StreamPtr stream(stream_open(tree.write("s.seq", text).c_str(), "rb"));
    char magic[16];
    EXPECT_TRUE(read_image_magic(stream.get(), magic));
    EXPECT_STREQ(magic, "ANIM1");
    return read_sequence_after_magic(stream.get(), out);
  }
  TempTree tree;
};

TEST_F(SequenceTest, InlineAndPngFrames) {
  const std::uint8_t rgb[3] = {7, 8, 9};
  ASSERT_TRUE(write_png_rgb(tree.path("f.png").c_str(), rgb, 1, 1));
  // A PNG frame of 3 channels mixed with a J7 frame of 4 is a depth mismatch.
  TextureSequence seq;
  EXPECT_FALSE(
      read("ANIM1 2 2 16 1\n1 0\n" + j7_frame(5) + "PNG  " + tree.path("f.png") + "  \n", &seq));
  EXPECT_EQ(last_posted(), "Depth mismatch reading .seq");
  EXPECT_TRUE(seq.frames.empty());

  ASSERT_TRUE(read("ANIM1 3 2 16 1\n1 0 1\n" + j7_frame(5) + j7_frame(9), &seq));
  EXPECT_EQ(seq.ticks_per_step, 16);
  EXPECT_EQ(seq.loop, 1);
  EXPECT_EQ(seq.step_frames, (std::vector<int>{1, 0, 1}));
  ASSERT_EQ(seq.frames.size(), 2u);
  EXPECT_EQ(seq.frames[1].pixels, (std::vector<std::uint8_t>{9, 9, 9, 255}));

  ASSERT_TRUE(read("ANIM1 1 1 4 0 0\nPNG\t" + tree.path("f.png") + " \r\n", &seq));
  EXPECT_EQ(seq.frames[0].channels, 3);
  EXPECT_EQ(seq.frames[0].pixels, (std::vector<std::uint8_t>{7, 8, 9}));
}

TEST_F(SequenceTest, RefusedFiles) {
  const struct {
    std::string text;
    const char* posted;  // null: refused without a message
  } cases[] = {
      {"ANIM1 0 1 4 0\n" + j7_frame(1), nullptr},
      {"ANIM1 1 0 4 0\n0\n", nullptr},
      {"ANIM1 1 1 0 0\n0\n" + j7_frame(1), nullptr},
      {"ANIM1 2 1 4 0\n0\n", nullptr},
      {"ANIM1 1 1 4 0\n3\n" + j7_frame(1), nullptr},
      {"ANIM1 1 1 4 0\n0\nGIF x\n", "Error reading .seq frame 0"},
      {"ANIM1 1 2 4 0\n0\n" + j7_frame(1) + "J7 2 2\nxx", "Error reading .seq frame 1"},
      {"ANIM1 1 1 4 0\n0\nPNG", "EOF while reading .seq"},
      {"ANIM1 1 1 4 0\n0\nPNG /nonexistent/x.png\n", "Can't read /nonexistent/x.png"},
      {"ANIM1 1 2 4 0\n0\n" + j7_frame(1) + "J7 2 1\nabcdefgh",
       "Width/height mismatch reading .seq"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    post_message("marker");
    TextureSequence seq;
    EXPECT_FALSE(read(c.text, &seq));
    EXPECT_TRUE(seq.frames.empty());
    EXPECT_EQ(last_posted(), c.posted ? c.posted : "marker");
  }
}

}  // namespace
