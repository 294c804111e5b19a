// Engine sound descriptions: pipe taps, the ".braap" file, the sound table
// and sample files with their messages, the file name search and the class
// defaults when a bike is created.

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "data/data_dirs_fixture.h"
#include "data/stream.h"
#include "platform/messages.h"
#include "sound/engine_sound.h"

namespace {

// Raw 16-bit little-endian samples.
std::string pcm(std::initializer_list<int> values) {
  std::string bytes;
  for (int v : values) {
    bytes.push_back(static_cast<char>(v & 0xFF));
    bytes.push_back(static_cast<char>((v >> 8) & 0xFF));
  }
  return bytes;
}

std::string newest_message() {
  const MessageList& list = message_list();
  if (list.visible == 0) return {};
  return visible_message(list.visible - 1);
}

class EngineSoundTest : public DataDirsTest {
 protected:
  void SetUp() override {
    DataDirsTest::SetUp();
    clear_messages();
  }

  // Reads `text` as a ".braap" file over the four-stroke built-in.
  EngineSoundDesc read_braap(const std::string& text) {
    EngineSoundDesc desc = builtin_engine_sound(EngineClass::four_stroke);
    std::string path = tree.write("file.braap", text);
    StreamPtr stream(stream_open(path.c_str(), "rb"));
    EXPECT_TRUE(stream);
    if (stream) read_engine_sound_file(desc, stream.get());
    return desc;
  }

  // A unique path in the tree, so the run-long caches never mix tests.
  std::string unique(const std::string& name) {
    static int counter = 0;
    return tree.path(std::to_string(++counter) + "_" + name);
  }
};

// Samples a reflection along `feet` of pipe takes there and back.
int reflection(double feet) { return static_cast<int>(2 * feet * 44100 / 1140.63); }

TEST_F(EngineSoundTest, BuiltInFourStrokePipe) {
  const EngineSoundDesc& four = builtin_engine_sound(EngineClass::four_stroke);
  EXPECT_EQ(four.table->name, "default_four_stroke");
  EXPECT_FLOAT_EQ(four.firing_factor, 0.5f);
  // Tap 0 at the full length, tap 15 one spread shorter; gain shared out.
  EXPECT_EQ(four.tap_delay[0], 32768 - reflection(5.0));
  EXPECT_EQ(four.tap_delay[15], 32768 - reflection(5.0 - 16 * 0.918 / 16));
  EXPECT_EQ(four.tap_delay[0], 32768 - 386);
  for (float gain : four.tap_gain) EXPECT_FLOAT_EQ(gain, -0.85f / 16);

  const EngineSoundDesc& fifty = builtin_engine_sound(EngineClass::fifty);
  const EngineSoundDesc& two = builtin_engine_sound(EngineClass::two_stroke);
  EXPECT_EQ(fifty.table, two.table);
  EXPECT_EQ(two.table->name, "default_two_stroke");
  EXPECT_FLOAT_EQ(fifty.high_torque, 1.5f);
  EXPECT_FLOAT_EQ(two.high_torque, 3.5f);
  EXPECT_FLOAT_EQ(two.firing_factor, 1.0f);
  // Quarter amplitude at load 0, full at load 1.
  const SoundTable& t = *two.table;
  ASSERT_EQ(t.cells.size(), 2u);
  EXPECT_EQ(t.cell(0, 0).sample_count, 1024);
  EXPECT_FLOAT_EQ(t.cell(0, 0).samples[10] * 4, t.cell(0, 1).samples[10]);
  EXPECT_FLOAT_EQ(t.cell(0, 1).samples[300], 0.0f);  // past x = 0.25
}

TEST_F(EngineSoundTest, PipeWithFirstAfterLastSetsOnlyTheFirstTap) {
  EngineSoundDesc desc{};
  set_pipe(desc, 2.0f, 0.5f, -0.5f, 7, 3);
  for (int t = 0; t < pipe_taps; ++t) {
    if (t == 7) {
      EXPECT_EQ(desc.tap_delay[7], 32768 - reflection(2.0));
      EXPECT_FLOAT_EQ(desc.tap_gain[7], -0.5f);
    } else {
      EXPECT_EQ(desc.tap_delay[static_cast<size_t>(t)], 0);
      EXPECT_EQ(desc.tap_gain[static_cast<size_t>(t)], 0.0f);
    }
  }
}

TEST_F(EngineSoundTest, PipeDelaysStayInsideTheHistory) {
  const float lengths[] = {1e30f, -5.0f, 0.0f, 400.0f};
  for (float length : lengths) {
    EngineSoundDesc desc{};
    set_pipe(desc, length, 1.0f, 1.0f, -3, 99);  // taps clamp to 0..15
    for (int delay : desc.tap_delay) {
      EXPECT_GE(delay, 1) << length;
      EXPECT_LE(delay, 32768) << length;
    }
  }
}

TEST_F(EngineSoundTest, ReadsEveryLineKind) {
  std::string table = unique("t.table");
  std::string sample = unique("s.raw");
  tree.write(sample.substr(tree.root().size() + 1), pcm({0, 16384, -16384, 32767}));
  tree.write(table.substr(tree.root().size() + 1),
             "SOUNDTABLE 1 1\n3000\n0.5\n-1 2 " + sample + "\n");
  EngineSoundDesc desc = read_braap(
      "# a comment line\n"
      "  minrpm 1500   # idle\n"
      "lowtorque -1\n"
      "hightorque 12.5\n"
      "bias 10 20 30\n"
      "scale 1.5 0.5\n"
      "pipe 3.0 0.5 -0.6 2 2\n"
      "soundtable " +
      table +
      "  \n"
      "wheelie 7\n"
      "minrpmx 99\n");
  EXPECT_FLOAT_EQ(desc.min_rpm, 1500);
  EXPECT_FLOAT_EQ(desc.low_torque, -1);
  EXPECT_FLOAT_EQ(desc.high_torque, 12.5f);
  ASSERT_EQ(desc.bias_count, 3);
  EXPECT_FLOAT_EQ(desc.bias[2], 30);
  ASSERT_EQ(desc.scale_count, 2);
  EXPECT_FLOAT_EQ(desc.scale[1], 0.5f);
  EXPECT_EQ(desc.tap_delay[2], 32768 - reflection(3.0));
  EXPECT_FLOAT_EQ(desc.tap_gain[2], -0.6f);
  ASSERT_NE(desc.table, nullptr);
  EXPECT_EQ(desc.table->name, table);
  EXPECT_FLOAT_EQ(desc.table->cell(0, 0).rpm, 3000);
  EXPECT_FLOAT_EQ(desc.table->cell(0, 0).samples[1], 0.5f);
  EXPECT_EQ(desc.table->cell(0, 0).segment_count, 2);
  EXPECT_EQ(newest_message(), "");
}

TEST_F(EngineSoundTest, FileWithoutPipeLineSilencesEveryTap) {
  EngineSoundDesc desc = read_braap("minrpm 900\n");
  for (float gain : desc.tap_gain) EXPECT_EQ(gain, 0.0f);
  EXPECT_FLOAT_EQ(desc.min_rpm, 900);
}

TEST_F(EngineSoundTest, PipeLineDefaultsAndEmptyLists) {
  EngineSoundDesc desc = read_braap("pipe 4\nbias\nscale nan\n");
  // Only the length given: spread 0.918, gain -0.85, taps 0..15.
  EXPECT_EQ(desc.tap_delay[0], 32768 - reflection(4.0));
  EXPECT_FLOAT_EQ(desc.tap_gain[15], -0.85f / 16);
  EXPECT_EQ(desc.bias_count, 1);
  EXPECT_EQ(desc.bias[0], 0.0f);
  EXPECT_EQ(desc.scale_count, 1);
  EXPECT_EQ(desc.scale[0], 1.0f);

  EngineSoundDesc no_values = read_braap("pipe\n");
  for (float gain : no_values.tap_gain) EXPECT_EQ(gain, 0.0f);  // not a pipe line
}

TEST_F(EngineSoundTest, MissingTableIsPostedAndKeepsThePreviousOne) {
  EngineSoundDesc desc = read_braap("soundtable @no_such.table\n");
  EXPECT_EQ(desc.table, builtin_engine_sound(EngineClass::four_stroke).table);
  EXPECT_EQ(newest_message(), "Error reading '@no_such.table'");
}

TEST_F(EngineSoundTest, BuiltInTablesCanBeNamed) {
  EngineSoundDesc desc = read_braap("soundtable default_two_stroke\n");
  EXPECT_EQ(desc.table, builtin_engine_sound(EngineClass::two_stroke).table);
}

TEST_F(EngineSoundTest, TablesAreSharedAndAFailedOneIsTriedAgain) {
  std::string sample = unique("a.raw");
  std::string table = unique("shared.table");
  std::string rel_table = table.substr(tree.root().size() + 1);
  tree.write(sample.substr(tree.root().size() + 1), pcm({1, 2, 3, 4}));
  // Second row's cell names a file that does not exist yet.
  tree.write(rel_table,
             "SOUNDTABLE 2 1 1000 5000 0\n -1 1 " + sample + "\n 3 -1 2 " + sample + ".later\n");
  EXPECT_EQ(sound_table(table), nullptr);
  EXPECT_EQ(newest_message(), "(1, 0) Error reading '" + sample + ".later'");

  tree.write(sample.substr(tree.root().size() + 1) + ".later", pcm({5, 6, 7, 8}) + "x");
  const SoundTable* loaded = sound_table(table);
  ASSERT_NE(loaded, nullptr);
  EXPECT_EQ(sound_table(table), loaded);
  EXPECT_EQ(loaded->cell(1, 0).sample_count, 4);             // odd trailing byte dropped
  EXPECT_EQ(loaded->cell(1, 0).remap, std::vector<int>{1});  // 3 mod 2
  EXPECT_FLOAT_EQ(loaded->cell(1, 0).samples[0], 5.0f / 32768);
  // Cells naming the same file share its samples.
  std::string other = unique("other.table");
  tree.write(other.substr(tree.root().size() + 1), "SOUNDTABLE 1 1 0 0 -1 1 " + sample + "\n");
  EXPECT_EQ(sound_table(other)->cell(0, 0).samples, loaded->cell(0, 0).samples);
}

TEST_F(EngineSoundTest, BadTablesAreRefusedWithTheirMessages) {
  std::string sample = unique("b.raw");
  tree.write(sample.substr(tree.root().size() + 1), pcm({1, 2}));
  std::string empty = unique("empty.raw");
  tree.write(empty.substr(tree.root().size() + 1), "");
  struct Case {
    std::string text, message;
  } cases[] = {
      {"SOUNDTABLE 1 1 0 0 4 x -1 1 " + sample, "(0, 0) Bad remap entry"},
      {"SOUNDTABLE 1 2 0 0 1 -1 1 " + sample + " -1", "(0, 1) Error reading ''"},
      {"SOUNDTABLE 1 1 0 0 -1 1 " + empty, "(0, 0) Error reading '" + empty + "'"},
      {"SOUNDTABLE 1 1 0 0 -1 0 " + sample, "(0, 0) Error reading '" + sample + "'"},
      {"SOUNDTABLE 1 1 0 0 -1 3 " + sample, "(0, 0) Error reading '" + sample + "'"},
      {"SOUNDTABLE 0 1 0", ""},
      {"SOUNDTABLE 100000 100000 1 2 3", ""},
      {"SOUNDTABLE 2 1 5", ""},
      {"SOUNDTAB", ""},
      {"", ""},
  };
  for (const Case& c : cases) {
    clear_messages();
    std::string table = unique("bad.table");
    tree.write(table.substr(tree.root().size() + 1), c.text);
    EXPECT_EQ(sound_table(table), nullptr) << c.text;
    EXPECT_EQ(newest_message(), c.message) << c.text;
  }
}

TEST_F(EngineSoundTest, SoundFileNamesDropVariantsFromTheRight) {
  EXPECT_EQ(engine_sound_file_names("@crf250-alt1.png"),
            (std::vector<std::string>{"@crf250-alt1.braap", "@crf250.braap"}));
  EXPECT_EQ(engine_sound_file_names("@a-b-c.png"),
            (std::vector<std::string>{"@a-b-c.braap", "@a-b.braap", "@a.braap"}));
  // Dots and dashes of folder names are not the file's.
  EXPECT_EQ(engine_sound_file_names("my-bikes.d/kx125"),
            (std::vector<std::string>{"my-bikes.d/kx125.braap"}));
  EXPECT_TRUE(engine_sound_file_names("").empty());
}

TEST_F(EngineSoundTest, CreateFindsTheVariantsFileThenTheModelsThenTheClassDefault) {
  install("crf250.braap", "minrpm 1111\n");
  install("default50.braap", "minrpm 555\n");
  install("default125.braap", "minrpm 1250\n");
  reset_data_dirs_for_tests();
  EngineSound s;
  create_engine_sound_for(s, "250f", "@crf250-alt2.png");
  EXPECT_FLOAT_EQ(s.desc.min_rpm, 1111);
  EXPECT_FLOAT_EQ(s.desc.firing_factor, 0.5f);
  EXPECT_EQ(s.voice, nullptr);  // no audio open
  EXPECT_EQ(s.history.size(), 32768u);
  EXPECT_EQ(s.write_pos, 11025);
  EXPECT_FLOAT_EQ(s.freq, 10);
  EXPECT_FLOAT_EQ(s.prev_rpm, 1000);
  EXPECT_EQ(s.grains[0].samples, s.desc.table->cells[0].samples);

  create_engine_sound_for(s, "50", "@rs50-x.png");
  EXPECT_FLOAT_EQ(s.desc.min_rpm, 555);
  EXPECT_FLOAT_EQ(s.desc.firing_factor, 1.0f);
  EXPECT_FLOAT_EQ(s.desc.high_torque, 1.5f);
  for (float gain : s.desc.tap_gain) EXPECT_EQ(gain, 0.0f);  // the file has no pipe

  create_engine_sound_for(s, "125", "@kx125.png");
  EXPECT_FLOAT_EQ(s.desc.min_rpm, 1250);

  // No default file for an unknown class: the four-stroke built-in as is.
  create_engine_sound_for(s, "500", "@none.png");
  EXPECT_EQ(s.desc.tap_gain, builtin_engine_sound(EngineClass::four_stroke).tap_gain);
  EXPECT_EQ(newest_message(), "");
  free_engine_sound(s);
  EXPECT_TRUE(s.history.empty());
}

TEST_F(EngineSoundTest, TruncatedAndGarbageFilesNeverFail) {
  std::string garbage;
  for (int i = 0; i < 3000; ++i) garbage.push_back(static_cast<char>((i * 73 + 11) % 256));
  const std::string texts[] = {
      "pipe 1 2 3 4",  // no newline at the end
      "bias " + std::string(5000, '1'),
      "scale" + std::string(2000, ' ') + "2 3",
      std::string("soundtable \0x\n", 14),
      "pipe 1e40 1e40 1e40 99999999999 -99999999999\n",
      garbage,
  };
  for (const std::string& text : texts) {
    EngineSoundDesc desc = read_braap(text);
    EXPECT_GE(desc.bias_count, 1);
    EXPECT_LE(desc.bias_count, max_firing_list);
    EXPECT_GE(desc.scale_count, 1);
    EXPECT_NE(desc.table, nullptr);
  }
}

}  // namespace
