#include "robots/line_store.h"

#include <gtest/gtest.h>

#include "robots/line_fixtures.h"
#include "track/timing_gates.h"

namespace {

using namespace line_fixtures;

// First lap: checkpoints 0, 1 (timing only), 2; normal lap: 3, 4 (timing
// only), 5, 6. F = 3, F' = 2, N = 4, N' = 3, S = 5.
const std::vector<int> kFirstLap = {0, 1 + kNoSplitFlag, 2};
const std::vector<int> kNormalLap = {3, 4 + kNoSplitFlag, 5, 6};

TEST(LineLayout, GatePassesMapOntoSegmentsAndStoreIndices) {
  LineLayout layout = make_line_layout(kFirstLap, kNormalLap);
  EXPECT_EQ(segment_count(layout), 5);
  struct Case {
    int g, segment, line_gate, lap_end;
  } cases[] = {
      {0, 0, 1, 0}, {1, 1, 0, 0}, {2, 1, 1, 1},                  // first lap
      {3, 2, 1, 0}, {4, 3, 0, 0}, {5, 3, 1, 0},  {6, 4, 1, 1},   // second lap
      {7, 5, 1, 0}, {8, 6, 0, 0}, {10, 7, 1, 1}, {11, 8, 1, 0},  // third, fourth
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.g);
    EXPECT_EQ(line_segment(layout, c.g), c.segment);
    EXPECT_EQ(is_line_gate(layout, c.g), bool(c.line_gate));
    EXPECT_EQ(is_lap_end(layout, c.g), bool(c.lap_end));
  }
  // Segments 2, 3, 4 are the normal lap; 5, 6, 7 share their cells.
  const int indices[] = {0, 1, 2, 3, 4, 2, 3, 4, 2};
  for (int s = 0; s < 9; ++s) EXPECT_EQ(store_index(layout, s), indices[s]) << s;
  EXPECT_EQ(previous_line_gate(layout, 3), 2);
  EXPECT_EQ(previous_line_gate(layout, 2), 0);
  EXPECT_EQ(previous_line_gate(layout, 0), -1);
}

TEST(LineLayout, ListsWithoutLineGatesGiveNoStore) {
  const std::vector<int> timing_only = {1 + kNoSplitFlag, 2 + kNoSplitFlag};
  LineStore store;
  create_line_store(store, kFirstLap, timing_only);
  EXPECT_EQ(store_segments(store), 0);
  create_line_store(store, timing_only, kNormalLap);
  EXPECT_EQ(store_segments(store), 0);
  create_line_store(store, kFirstLap, kNormalLap);
  EXPECT_EQ(store_segments(store), 5);
  EXPECT_EQ(store.plans[2].size(), 5u);
}

TEST(LineCost, FollowsTheTestsAndFailures) {
  struct Case {
    int tests, failures, sum_single, type, cost;
  } cases[] = {
      {4, 0, 4000, 0, kNoTime},  // too few tests for types 0 and 1
      {4, 0, 4000, 1, kNoTime},
      {5, 0, 5000, 0, 1000},  // a = 1000, r = 0
      {5, 5, 5000, 0, 1320},  // r = 0.5: + 640 x 0.5
      {6, 1, 6000, 1, 1000 + int(640 * (1.0 / 7 * 1.1428572))},
      {5, 5, 5000, 1, 1365},  // r x 1.1428572 = 0.5714286
      {0, 3, 0, 2, kNoTime},  // type 2 needs one test
      {1, 1, 1000, 2, 1640},  // r x 4 = 2, clamped to 1
      {8, 0, 8000, 2, 1000},
      // The exploring cost: untried first, then by the bit length of
      // tests + 4 x failures, hopeless lines last.
      {0, 0, 0, 3, 0},
      {1, 0, 0, 3, 5000},    // bit length 1
      {1, 1, 0, 3, 7000},    // 5: bit length 3
      {3, 12, 0, 3, 10000},  // 51: 6 bits; failures = 4 x tests is not hopeless
      {1, 5, 0, 3, 100000},  // 6 tries, failures > 4 x tests
      {0, 6, 0, 3, 100000},
  };
  for (const auto& c : cases) {
    LineCell cell;
    cell.points.resize(3);
    cell.tests = c.tests;
    cell.failures = c.failures;
    cell.sum_single = c.sum_single;
    EXPECT_EQ(line_cost(cell, c.type), c.cost)
        << "tests " << c.tests << " failures " << c.failures << " type " << c.type;
  }
}

TEST(LineEstimate, UsesTheTestsOrTheRecordedTime) {
  LineCell cell;
  cell.rec_double = 1000;
  EXPECT_EQ(line_estimate(cell), 1250);
  cell.failures = 2;
  EXPECT_EQ(line_estimate(cell), 1250 + 640);
  cell.tests = 2;
  cell.sum_double = 2000;
  EXPECT_EQ(line_estimate(cell), 640 * 2 / 4 + 1000);
  // Stored extremes cannot overflow the arithmetic.
  cell = LineCell{};
  cell.rec_double = INT32_MAX;
  EXPECT_EQ(line_estimate(cell), std::int64_t(INT32_MAX) * 5 / 4);
}

TEST(ChooseEviction, TakesTheWorstEstimateAndSparesProvenLines) {
  // Lines all starting together (so none gets the lone line's discount)
  // unless said otherwise.
  struct Line {
    int tests, failures, sum_double, rec_double;
    float start_z;
  };
  struct Case {
    const char* name;
    std::vector<Line> lines;
    int full_proven;  // fill the remaining cells with this many proven lines
    int expected;
  } cases[] = {
      {"largest estimate", {{0, 0, 0, 1000, 0}, {0, 0, 0, 3000, 0}, {0, 0, 0, 2000, 0}}, 0, 1},
      {"lowest index on ties", {{0, 0, 0, 3000, 0}, {0, 0, 0, 3000, 0}}, 0, 0},
      // 3000 x 5/4 x 3/4 = 2812 for the lone line; 2900 x 5/4 = 3625.
      {"lone line discounted", {{0, 0, 0, 3000, 50}, {0, 0, 0, 2900, 0}, {0, 0, 0, 100, 0}}, 0, 1},
      // A proven line (failures < tests) is spared while fewer than 23
      // lines are proven, even when it is the slowest.
      {"proven spared", {{5, 0, 50000, 0, 0}, {0, 0, 0, 1000, 0}}, 0, 1},
      // With 23 proven lines the worst of all goes, proven or not.
      {"quorum of proven", {{5, 0, 50000, 0, 0}, {0, 0, 0, 1000, 0}}, 22, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    LineStore store = store_with_segments(1, 1);
    int i = 0;
    for (const auto& l : c.lines)
      put_line(store, 0, i++, lane_line(0, l.start_z, l.start_z, 30), l.tests, l.failures, 0,
               l.sum_double, l.rec_double);
    for (int k = 0; k < c.full_proven; ++k)
      put_line(store, 0, i++, lane_line(0, 0, 0, 30), 10, 0, 0, 100, 0);
    EXPECT_EQ(choose_eviction(store, 0), c.expected);
  }
}

TEST(ChooseEviction, AFullSegmentOfProvenLinesStillNamesOne) {
  LineStore store = store_with_segments(1, 1);
  for (int i = 0; i < kLinesPerSegment; ++i)
    put_line(store, 0, i, lane_line(0, 0, 0, 30), 10, 0, 0, 1000 * (i == 30 ? 90 : 10), 0);
  EXPECT_EQ(choose_eviction(store, 0), 30);
  LineStore empty = store_with_segments(1, 1);
  EXPECT_EQ(choose_eviction(empty, 0), -1);
}

TEST(ChargeFailure, FindsTheLineByIdInItsSegment) {
  LineStore store = store_with_segments(1, 1);
  LineCell& a = put_line(store, 1, 3, lane_line(0, 0, 0, 30));
  charge_failure(store, 1, a.line_id);
  charge_failure(store, 0, a.line_id);  // not in that segment
  charge_failure(store, 1, 0);          // "no line"
  charge_failure(store, 1, 999);        // replaced meanwhile
  EXPECT_EQ(a.failures, 1);
}

TEST(ClearCell, ResetsEverythingButLastPicked) {
  LineStore store = store_with_segments(1, 1);
  LineCell& cell = put_line(store, 0, 0, lane_line(0, 0, 0, 30), 3, 2, 100, 200, 50);
  cell.best_single = 10;
  cell.last_picked = 77;
  clear_cell(cell);
  EXPECT_TRUE(cell.points.empty());
  EXPECT_EQ(cell.rec_double, kNoTime);
  EXPECT_EQ(cell.best_single, kNoTime);
  EXPECT_EQ(cell.tests + cell.failures + cell.sum_single + cell.sum_double + cell.line_id, 0);
  EXPECT_EQ(cell.last_picked, 77);
}

TEST(NewLineId, StartsAtOneAndNeverGivesZero) {
  LineStore store = store_with_segments(1, 1);
  EXPECT_EQ(new_line_id(store), 1);
  EXPECT_EQ(new_line_id(store), 2);
  store.next_id = INT32_MAX;
  EXPECT_EQ(new_line_id(store), 1);
}

TEST(PruneCrowdedSegments, ClearsTheMostCrossedLineThenTheWorst) {
  // First-lap segment 0 holds 44 lines in parallel lanes plus one line
  // that cuts across all of them, and one lane line that is much slower.
  LineStore store = store_with_segments(1, 1);
  for (int i = 0; i < kLinesPerSegment - 1; ++i)
    put_line(store, 0, i, lane_line(0, float(i), float(i), 30), 0, 0, 0, 0, i == 7 ? 9000 : 1000);
  std::vector<LinePoint> across = {{20, 0, -5, 30, 0}, {41, 0, 50, 30, 0}};
  put_line(store, 0, 44, across, 0, 0, 0, 0, 100);
  // The normal lap is never pruned, however crowded.
  for (int i = 0; i < kLinesPerSegment; ++i)
    put_line(store, 1, i, i == 0 ? across : lane_line(0, float(i), float(i), 30));

  prune_crowded_segments(store);
  EXPECT_TRUE(segment_cells(store, 0)[44].points.empty());
  EXPECT_TRUE(segment_cells(store, 0)[7].points.empty());
  EXPECT_EQ(occupied_cells(store, 0), 43);
  EXPECT_EQ(occupied_cells(store, 1), 45);
}

TEST(PruneCrowdedSegments, LeavesSegmentsWithRoomAlone) {
  LineStore store = store_with_segments(1, 1);
  for (int i = 0; i < kLinesPerSegment - 2; ++i)
    put_line(store, 0, i, lane_line(0, float(i), float(i), 30));
  prune_crowded_segments(store);
  EXPECT_EQ(occupied_cells(store, 0), 43);
}

TEST(PruneCrowdedSegments, EqualCrossingsPreferTheFasterTestedLine) {
  // Two crossing lines, each crossed once: the victim is the tested one
  // with the lower mean, here the later one.
  LineStore store = store_with_segments(1, 1);
  for (int i = 0; i < kLinesPerSegment - 2; ++i)
    put_line(store, 0, i, lane_line(0, float(100 + i), float(100 + i), 30), 10, 0, 0, 100000, 0);
  std::vector<LinePoint> a = {{0, 0, 0, 30, 0}, {10, 0, 10, 30, 0}};
  std::vector<LinePoint> b = {{0, 0, 10, 30, 0}, {10, 0, 0, 30, 0}};
  put_line(store, 0, 43, a, 5, 0, 0, 5000);
  put_line(store, 0, 44, b, 5, 0, 0, 4000);
  prune_crowded_segments(store);
  EXPECT_TRUE(segment_cells(store, 0)[44].points.empty());
  EXPECT_FALSE(segment_cells(store, 0)[43].points.empty());
}

}  // namespace
