// The timing_gates reader and writer, lap entry normalisation, headings,
// the crossing test and gate pass numbering.

#include <cmath>
#include <numbers>
#include <string>

#include <gtest/gtest.h>

#include "data/data_dirs.h"
#include "track/timing_gates.h"
#include "track_test_util.h"

namespace {

std::string checkpoints(int count) {
  std::string text = "checkpoints:\n";
  for (int k = 0; k < count; ++k) text += "10 [ " + std::to_string(k * 20) + " 0 5 ] [ 1 0 0 ]\n";
  return text;
}

std::string ints(int count, int value) {
  std::string text;
  for (int k = 0; k < count; ++k) text += std::to_string(value) + " ";
  return text + "\n";
}

class TimingGatesTest : public ::testing::Test {
 protected:
  void SetUp() override { clear_messages(); }
  bool load(const std::string& text) {
    folder.write("timing_gates", text);
    return load_timing_gates(gates, folder.path("timing_gates"));
  }
  TempTree folder;
  TimingGates gates;
};

TEST_F(TimingGatesTest, FullFileGivesTiming) {
  ASSERT_TRUE(
      load("startinggate:\n[ 1 2 3 ] 0.5\n[4 5 6] -1\n"
           "checkpoints:\n 12.5 [ 10 1 20 ] [ 0 0 -1 ]\n8 [30 0 40] [1 0 0]\n"
           "firstlap:\n0 1 100001\nnormallap:\n1 0\n"));
  ASSERT_EQ(gates.starts.size(), 2u);
  EXPECT_DOUBLE_EQ(gates.starts[1].position.z, 6);
  EXPECT_FLOAT_EQ(gates.starts[0].heading, 0.5f);
  ASSERT_EQ(gates.checkpoints.size(), 2u);
  EXPECT_FLOAT_EQ(gates.checkpoints[0].radius, 12.5f);
  EXPECT_DOUBLE_EQ(gates.checkpoints[0].direction.z, -1);
  EXPECT_EQ(gates.first_lap, (std::vector<int>{0, 1, 100001}));
  EXPECT_EQ(gates.normal_lap, (std::vector<int>{1, 0}));
  EXPECT_TRUE(timing_active(gates));
}

TEST_F(TimingGatesTest, FilesWithoutTiming) {
  struct Case {
    const char* what;
    std::string text;
    std::size_t starts;
  } cases[] = {
      {"start positions only", "startinggate:\n[1 2 3] 0\n[1 2 3] 0\n", 2},
      {"all entries of the normal lap flagged",
       checkpoints(3) + "firstlap:\n0 1 2\nnormallap:\n100000 100001 100002\n", 0},
      {"no normal lap", checkpoints(3) + "firstlap:\n0 1 2\n", 0},
      {"lap lists without checkpoints", "firstlap:\n0\nnormallap:\n0\n", 0},
      {"sections out of order", checkpoints(2) + "normallap:\n0 1\nfirstlap:\n0 1\n", 0},
      {"surplus start position hides the checkpoints",
       "startinggate:\n" +
           [] {
             std::string t;
             for (int k = 0; k < 41; ++k) t += "[1 2 3] 0\n";
             return t;
           }() +
           checkpoints(2) + "firstlap:\n0 1\nnormallap:\n0 1\n",
       40},
      {"257 checkpoints", checkpoints(257) + "firstlap:\n0 1\nnormallap:\n0 1\n", 0},
      {"257 first-lap entries", checkpoints(2) + "firstlap:\n" + ints(257, 1) + "normallap:\n0 1\n",
       0},
      {"empty", "", 0},
      {"garbage", "\x01\x02 startinggate: [ 1 2", 0},
  };
  for (const Case& c : cases) {
    EXPECT_FALSE(load(c.text)) << c.what;
    EXPECT_EQ(gates.starts.size(), c.starts) << c.what;
    EXPECT_TRUE(gates.checkpoints.empty()) << c.what;
    EXPECT_TRUE(gates.first_lap.empty() && gates.normal_lap.empty()) << c.what;
  }
}

TEST_F(TimingGatesTest, MissingFileLeavesNoGates) {
  EXPECT_FALSE(load_timing_gates(gates, folder.path("nope")));
  EXPECT_TRUE(gates.starts.empty());
}

TEST_F(TimingGatesTest, LapEntriesAreNormalised) {
  ASSERT_TRUE(load(checkpoints(20) + "firstlap:\n300 -5 100300 7 100005\nnormallap:\n19 20\n"));
  EXPECT_EQ(gates.first_lap, (std::vector<int>{19, 0, 100019, 7, 100005}));
  EXPECT_EQ(gates.normal_lap, (std::vector<int>{19, 19}));
}

TEST(TimingGates, HeadingsWrapIntoPlusMinusPi) {
  constexpr double pi = std::numbers::pi;
  struct Case {
    double in, out;
  } cases[] = {
      {7, 7 - 2 * pi}, {-7, -7 + 2 * pi}, {0.5, 0.5}, {3 * pi + 0.25, -pi + 0.25}, {-0.25, -0.25}};
  for (const Case& c : cases) EXPECT_NEAR(normalize_heading(c.in), c.out, 1e-12) << c.in;
}

TEST(TimingGates, CrossingTest) {
  Checkpoint c{5, {10, 100, 10}, {1, 0, 0}};
  struct Case {
    const char* what;
    Vec3 p;
    bool through;
  } cases[] = {
      {"on the gate line, dot product zero", {10, 0, 13}, true},
      {"ahead within the radius", {13, 0, 10}, true},
      {"behind", {9, 0, 10}, false},
      {"on the radius", {15, 0, 10}, true},
      {"beyond the radius", {15.01, 0, 10}, false},
      {"height plays no part", {12, -500, 10}, true},
  };
  for (const Case& k : cases) EXPECT_EQ(gate_crossed(c, k.p), k.through) << k.what;
}

TEST_F(TimingGatesTest, GatePassNumbering) {
  ASSERT_TRUE(load(checkpoints(5) + "firstlap:\n4 0\nnormallap:\n1 100002 3\n"));
  int expected[] = {4, 0, 1, 2, 3, 1, 2, 3, 1};
  for (int g = 0; g < 9; ++g) EXPECT_EQ(gate_pass_checkpoint(gates, g), expected[g]) << g;
  EXPECT_EQ(gate_pass_entry(gates, 3), 100002);
  EXPECT_EQ(gate_pass_checkpoint(gates, -1), -1);
}

TEST_F(TimingGatesTest, SavedFileReadsBackTheSame) {
  setenv("XDG_DATA_HOME", folder.path("home").c_str(), 1);
  reset_data_dirs_for_tests();
  ASSERT_TRUE(
      load("startinggate:\n[1.5 2 3] 0.25\ncheckpoints:\n12 [10 1 20] [0 0 -1]\n"
           "firstlap:\n0 100000\nnormallap:\n0\n"));
  ASSERT_TRUE(save_timing_gates(gates, "mytrack"));
  std::string text = folder.read("home/Tavrin/mytrack/timing_gates");
  EXPECT_EQ(text,
            "startinggate:\n[1.500000 2.000000 3.000000] 0.250000\n"
            "checkpoints:\n12.000000 [10.000000 1.000000 20.000000] [0.000000 0.000000 -1.000000]\n"
            "firstlap:\n0 100000 \nnormallap:\n0 \n");
  TimingGates again;
  ASSERT_TRUE(load_timing_gates(again, folder.path("home/Tavrin/mytrack/timing_gates")));
  EXPECT_EQ(again.first_lap, gates.first_lap);
  EXPECT_EQ(again.starts.size(), 1u);
}

}  // namespace
