#include "robots/lines_file.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include <gtest/gtest.h>

#include "data/data_dirs.h"
#include "data/point_data_dirs.h"
#include "data/stream.h"
#include "robots/line_fixtures.h"

namespace {

using namespace line_fixtures;
namespace fs = std::filesystem;

// A home directory and an installation directory of our own, so nothing
// touches the real home.
class LinesFileTest : public testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/tavrin-lines-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    root_ = pattern;
    fs::create_directories(root_ + "/install");
    point_data_dirs(root_ + "/xdg", root_ + "/install");
  }
  void TearDown() override {
    reset_data_dirs_for_tests();
    fs::remove_all(root_);
  }

  std::string home(const std::string& name) const { return root_ + "/xdg/Tavrin/" + name; }
  std::string install(const std::string& name) const { return root_ + "/install/" + name; }

  static void write_file(const std::string& path, const std::string& text) {
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << text;
  }
  static std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  // Reads `text` as a lines file into a store of 1 + 1 segments.
  LineStore read_text(const std::string& text, bool* accepted = nullptr) {
    const std::string path = root_ + "/input";
    write_file(path, text);
    LineStore store = store_with_segments(1, 1);
    StreamPtr stream(stream_open(path.c_str(), "rb"));
    EXPECT_TRUE(stream);
    bool ok = read_lines(store, stream.get(), "input");
    if (accepted) *accepted = ok;
    return store;
  }

  std::string root_;
};

// Values with at most six decimals survive the "%f" text exactly.
LineStore sample_store() {
  LineStore store = store_with_segments(1, 2);
  LineCell& a = put_line(store, 0, 0, {{1.5f, 2.25f, -3.125f, 40.5f, 0.25f}, {2, 3, 4, -5, -0.5f}});
  a.rec_single = 900;
  a.rec_double = 1800;
  a.tests = 7;
  a.best_single = 850;
  a.best_double = 1700;
  a.sum_single = 6300;
  a.sum_double = 12600;
  a.failures = 2;
  put_line(store, 0, 3, lane_line(0, 1, 1, 30));  // a gap before it: cells are packed
  put_line(store, 2, 44, lane_line(200, 0, 5, 55), 1, 0, 400, 800, 1000);
  return store;
}

void expect_same_line(const LineCell& a, const LineCell& b) {
  ASSERT_EQ(a.point_count(), b.point_count());
  for (int k = 0; k < a.point_count(); ++k) {
    EXPECT_EQ(a.points[k].x, b.points[k].x);
    EXPECT_EQ(a.points[k].y, b.points[k].y);
    EXPECT_EQ(a.points[k].z, b.points[k].z);
    EXPECT_EQ(a.points[k].speed, b.points[k].speed);
    EXPECT_EQ(a.points[k].lean, b.points[k].lean);
  }
  EXPECT_EQ(a.rec_single, b.rec_single);
  EXPECT_EQ(a.rec_double, b.rec_double);
  EXPECT_EQ(a.tests, b.tests);
  EXPECT_EQ(a.best_single, b.best_single);
  EXPECT_EQ(a.best_double, b.best_double);
  EXPECT_EQ(a.sum_single, b.sum_single);
  EXPECT_EQ(a.sum_double, b.sum_double);
  EXPECT_EQ(a.failures, b.failures);
}

TEST_F(LinesFileTest, WritesTheTextFormat) {
  LineStore store = store_with_segments(1, 1);
  LineCell& cell = put_line(store, 1, 2, {{1.5f, 2, 3, -4.25f, 0.5f}}, 3, 1, 30, 60, 25);
  cell.rec_single = 12;
  store.skill = 1;
  ASSERT_TRUE(save_lines(store, "trk"));
  EXPECT_EQ(read_file(home("trk/lines_amateur")),
            "ct03 2\n"
            "0\n"
            "1\n"
            "1 12 25 3 1000000 1000000 30 60 1\n"
            "[1.500000 2.000000 3.000000] -4.250000 0.500000\n");
}

TEST_F(LinesFileTest, RoundTripKeepsEveryLineAndGivesFreshIds) {
  LineStore saved = sample_store();
  saved.skill = 2;
  ASSERT_TRUE(save_lines(saved, "venloop"));
  EXPECT_TRUE(fs::exists(home("venloop/lines_expert")));
  EXPECT_FALSE(fs::exists(home("venloop/lines_expert.tmp")));

  LineStore loaded = store_with_segments(1, 2);
  ASSERT_TRUE(load_lines(loaded, "venloop", 2));
  EXPECT_EQ(loaded.skill, 2);
  // Cells are filled from 0 in file order.
  expect_same_line(segment_cells(loaded, 0)[0], segment_cells(saved, 0)[0]);
  expect_same_line(segment_cells(loaded, 0)[1], segment_cells(saved, 0)[3]);
  expect_same_line(segment_cells(loaded, 2)[0], segment_cells(saved, 2)[44]);
  EXPECT_EQ(occupied_cells(loaded, 0) + occupied_cells(loaded, 1) + occupied_cells(loaded, 2), 3);
  EXPECT_EQ(segment_cells(loaded, 0)[0].line_id, 1);
  EXPECT_EQ(segment_cells(loaded, 0)[1].line_id, 2);
  EXPECT_EQ(segment_cells(loaded, 2)[0].line_id, 3);
}

TEST_F(LinesFileTest, TheHomeCopyOverridesTheInstalledOne) {
  write_file(install("trk/lines_novice"), "ct03 2\n1\n1 1 2 3 4 5 6 7 8\n[1 2 3] 4 5\n0\n");
  LineStore store = store_with_segments(1, 1);
  ASSERT_TRUE(load_lines(store, "trk", 0));
  EXPECT_EQ(segment_cells(store, 0)[0].rec_single, 1);
  write_file(home("trk/lines_novice"), "ct03 2\n0\n1\n1 9 2 3 4 5 6 7 8\n[1 2 3] 4 5\n");
  reset_data_dirs_for_tests();
  ASSERT_TRUE(load_lines(store, "trk", 0));
  EXPECT_EQ(occupied_cells(store, 0), 0);
  EXPECT_EQ(segment_cells(store, 1)[0].rec_single, 9);
}

TEST_F(LinesFileTest, AnEmptyStoreDoesNotHideTheInstalledLines) {
  write_file(install("trk/lines_expert"), "ct03 2\n1\n1 1 2 3 4 5 6 7 8\n[1 2 3] 4 5\n0\n");
  LineStore store = store_with_segments(1, 2);  // another layout: the file is ignored
  EXPECT_FALSE(load_lines(store, "trk", 2));
  remember_lines(store, "trk", true);
  EXPECT_FALSE(fs::exists(home("trk/lines_expert")));
}

TEST_F(LinesFileTest, AFailedSaveKeepsThePreviousFile) {
  LineStore store = sample_store();
  store.skill = 0;
  ASSERT_TRUE(save_lines(store, "trk"));
  const std::string before = read_file(home("trk/lines_novice"));
  // The temporary name is taken by a folder: the new copy cannot be made.
  fs::create_directories(home("trk/lines_novice.tmp"));
  clear_cell(segment_cells(store, 0)[0]);
  EXPECT_FALSE(save_lines(store, "trk"));
  EXPECT_EQ(read_file(home("trk/lines_novice")), before);
}

TEST_F(LinesFileTest, RememberLinesSavesOnlyWhenLearningAndClearsTheCells) {
  LineStore store = sample_store();
  remember_lines(store, "trk", true);  // no skill selected yet: nothing to save
  EXPECT_FALSE(fs::exists(home("trk")));
  EXPECT_EQ(occupied_cells(store, 0), 0);

  store = sample_store();
  store.skill = 1;
  remember_lines(store, "trk", false);  // --nolearn
  EXPECT_FALSE(fs::exists(home("trk/lines_amateur")));

  store = sample_store();
  store.skill = 1;
  remember_lines(store, "trk", true);
  EXPECT_TRUE(fs::exists(home("trk/lines_amateur")));
  EXPECT_EQ(occupied_cells(store, 0), 0);
  ASSERT_TRUE(load_lines(store, "trk", 1));
  EXPECT_EQ(occupied_cells(store, 0), 2);
}

TEST_F(LinesFileTest, AFileOfAnotherGateLayoutIsIgnored) {
  LineStore saved = sample_store();  // three segments
  saved.skill = 2;
  ASSERT_TRUE(save_lines(saved, "trk"));
  LineStore other = store_with_segments(2, 2);
  put_line(other, 0, 0, lane_line(0, 0, 0, 30));
  EXPECT_FALSE(load_lines(other, "trk", 2));
  for (int c = 0; c < store_segments(other); ++c) EXPECT_EQ(occupied_cells(other, c), 0);
  EXPECT_FALSE(load_lines(other, "missing", 2));
  EXPECT_FALSE(load_lines(other, "trk", 7));
}

TEST(ScaleLineStatistics, BringsOversizedStatisticsIntoRange) {
  struct Stats {
    int tests, failures, sum_single, sum_double;
  };
  struct Case {
    const char* name;
    Stats in, out;
  } cases[] = {
      {"in range", {10, 3, 1000, 2000}, {10, 3, 1000, 2000}},
      {"sum halved with the tests", {10, 3, 1000, 250000000}, {2, 0, 200, 50000000}},
      {"too many tests", {100000, 10, 100000, 200000}, {50000, 5, 50000, 100000}},
      {"too many failures", {0, 1000000, 0, 0}, {0, 62500, 0, 0}},
      // One test cannot be halved: 16 rounds halve the failures, then the
      // caps hold.
      {"one test, huge sums",
       {1, INT32_MAX, 150000000, 2000000000},
       {1, 32767, 100000000, 100000000}},
      {"negative values reset", {-5, -1, -7, -9}, {0, 0, 0, 0}},
  };
  for (const auto& c : cases) {
    LineCell cell;
    cell.tests = c.in.tests;
    cell.failures = c.in.failures;
    cell.sum_single = c.in.sum_single;
    cell.sum_double = c.in.sum_double;
    scale_line_statistics(cell);
    EXPECT_EQ(cell.tests, c.out.tests) << c.name;
    EXPECT_EQ(cell.failures, c.out.failures) << c.name;
    EXPECT_EQ(cell.sum_single, c.out.sum_single) << c.name;
    EXPECT_EQ(cell.sum_double, c.out.sum_double) << c.name;
  }
  LineCell times;
  times.rec_double = -3;
  times.best_single = -1;
  scale_line_statistics(times);
  EXPECT_EQ(times.rec_double, kNoTime);
  EXPECT_EQ(times.best_single, kNoTime);
}

TEST_F(LinesFileTest, ReadingScalesOversizedStatistics) {
  LineStore store = read_text("ct03 2\n1\n1 5 6 10 1 2 1000 250000000 3\n[0 0 0] 1 0\n0\n");
  const LineCell& cell = segment_cells(store, 0)[0];
  EXPECT_EQ(cell.tests, 2);
  EXPECT_EQ(cell.sum_double, 50000000);
}

const char kLine[] = "1 10 20 0 1000000 1000000 0 0 0\n[1 2 3] 4 5\n";

std::string lines(int n) {
  std::string text;
  for (int k = 0; k < n; ++k) text += kLine;
  return text;
}

TEST_F(LinesFileTest, DamagedFilesKeepWhatReadCleanly) {
  struct Case {
    const char* name;
    std::string text;
    bool accepted;
    int kept0, kept1;  // lines kept in segments 0 and 1
  } cases[] = {
      {"empty", "", false, 0, 0},
      {"other magic", "ct04 2\n0\n0\n", false, 0, 0},
      {"other segment count", "ct03 3\n0\n0\n0\n", false, 0, 0},
      {"no header number", "ct03 x\n", false, 0, 0},
      {"complete", "ct03 2\n2\n" + lines(2) + "1\n" + kLine, true, 2, 1},
      {"tabs and blank lines", "ct03\t2\n\n1\n\n1 10 20 0 1 1 0 0 0 [ 1 2 3 ]\t4 5\n0\n", true, 1,
       0},
      {"cut inside a point", "ct03 2\n2\n" + lines(1) + "2 1 2 3 4 5 6 7 8\n[1 2 3] 4 5\n[1 2",
       true, 1, 0},
      {"cut inside the statistics", "ct03 2\n2\n" + lines(1) + "2 1 2 3", true, 1, 0},
      {"absurd line count", "ct03 2\n2000000000\n" + lines(3), true, 3, 0},
      {"absurd point count", "ct03 2\n1\n999999999 1 2 3 4 5 6 7 8\n[1 2 3] 4 5\n", true, 0, 0},
      {"negative line count", "ct03 2\n-4\n" + lines(1), true, 0, 0},
      {"lines without points are dropped",
       "ct03 2\n3\n-3 1 2 3 4 5 6 7 8\n0 1 2 3 4 5 6 7 8\n" + lines(1) + "1\n" + kLine, true, 1, 1},
      {"more than 45 lines", "ct03 2\n50\n" + lines(50) + "1\n" + kLine, true, 45, 1},
      {"nan in a point", "ct03 2\n2\n" + lines(1) + "1 1 2 3 4 5 6 7 8\n[nan 2 3] 4 5\n", true, 1,
       0},
      {"garbage after the header", "ct03 2\n\x01\xff\x80zz", true, 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    bool accepted = false;
    LineStore store = read_text(c.text, &accepted);
    EXPECT_EQ(accepted, c.accepted);
    EXPECT_EQ(occupied_cells(store, 0), c.kept0);
    EXPECT_EQ(occupied_cells(store, 1), c.kept1);
    for (int s = 0; s < 2; ++s) {
      for (const auto& cell : segment_cells(store, s)) {
        if (!cell.points.empty()) {
          EXPECT_GE(cell.line_id, 1);
        }
      }
    }
  }
}

TEST_F(LinesFileTest, RandomDamageNeverBreaksReading) {
  // Start from a good file and flip, cut and insert bytes at random.
  LineStore saved = sample_store();
  saved.skill = 0;
  ASSERT_TRUE(save_lines(saved, "trk"));
  const std::string good = read_file(home("trk/lines_novice"));
  std::mt19937 random(7);
  for (int round = 0; round < 100; ++round) {
    std::string text = good;
    int edits = 1 + int(random() % 6);
    for (int e = 0; e < edits && !text.empty(); ++e) {
      std::size_t at = random() % text.size();
      switch (random() % 3) {
        case 0:
          text[at] = char(random());
          break;
        case 1:
          text.resize(at);
          break;
        default:
          text.insert(at, 1, "0123456789-[] \n"[random() % 15]);
          break;
      }
    }
    const std::string path = root_ + "/damaged";
    write_file(path, text);
    LineStore store = store_with_segments(1, 2);
    StreamPtr stream(stream_open(path.c_str(), "rb"));
    ASSERT_TRUE(stream);
    read_lines(store, stream.get(), "damaged");
    for (int s = 0; s < 3; ++s) EXPECT_LE(occupied_cells(store, s), kLinesPerSegment);
  }
}

}  // namespace
