#include "robots/line_plan.h"

#include <random>

#include <gtest/gtest.h>

#include "robots/line_fixtures.h"
#include "robots/line_geometry.h"

namespace {

using namespace line_fixtures;

constexpr float kLaneA = 0, kLaneB = 10;

// A line of store index c with a type 0 and 1 cost of exactly `cost`
// ticks (5 clean tests).
LineCell& line_costing(LineStore& store, int c, int i, float from, float to, int cost,
                       int tests = 5) {
  return put_line(store, c, i, lane_line(100.0f * c, from, to, 30), tests, 0, cost * tests);
}

// Follows the back-pointers of a finished plan from start r and next
// cell j; returns the cells of segments first .. first + count - 1.
std::vector<int> chain_of(const LinePlan& plan, int r, int j) {
  std::vector<int> cells(plan.count);
  cells[0] = r;
  int next = j;
  for (int n = plan.count - 1; n >= 1; --n) {
    next = plan_back(plan, n - 1, r, next);
    cells[n] = next;
  }
  return cells;
}

TEST(PlanSegments, FindsTheKnownCheapestChain) {
  // Two lanes 10 ft apart; lines stay in a lane or change it. Segment 3's
  // cells only say which lane the chain must end in.
  LineStore store = store_with_segments(4, 1);
  line_costing(store, 0, 0, kLaneA, kLaneA, 1000);
  line_costing(store, 0, 1, kLaneA, kLaneB, 500);
  line_costing(store, 0, 2, kLaneB, kLaneB, 100);
  line_costing(store, 1, 0, kLaneA, kLaneA, 1000);
  line_costing(store, 1, 1, kLaneB, kLaneB, 2000);
  line_costing(store, 1, 2, kLaneB, kLaneA, 300);
  line_costing(store, 2, 0, kLaneA, kLaneA, 400);
  line_costing(store, 2, 1, kLaneB, kLaneB, 100);
  line_costing(store, 3, 0, kLaneA, kLaneA, 1);
  line_costing(store, 3, 1, kLaneB, kLaneB, 1);

  LinePlan plan;
  plan_segments(store, 0, 3, 0, plan);
  struct Case {
    int r, j, cost;
    std::vector<int> chain;
  } cases[] = {
      {0, 0, 2400, {0, 0, 0}}, {0, 1, kNoChain, {}},   {1, 0, 1200, {1, 2, 0}},
      {1, 1, 2600, {1, 1, 1}}, {2, 0, 800, {2, 2, 0}}, {2, 1, 2200, {2, 1, 1}},
      {3, 0, kNoChain, {}},    {2, 2, kNoChain, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "r " << c.r << " j " << c.j);
    EXPECT_EQ(plan.cost[c.r][c.j], c.cost);
    if (!c.chain.empty()) {
      EXPECT_EQ(chain_of(plan, c.r, c.j), c.chain);
    }
  }
}

TEST(PlanSegments, EqualChainsKeepTheLowestCell) {
  LineStore store = store_with_segments(3, 1);
  line_costing(store, 0, 0, kLaneA, kLaneA, 100);
  line_costing(store, 1, 4, kLaneA, kLaneA, 300);
  line_costing(store, 1, 9, kLaneA, kLaneA, 300);
  line_costing(store, 1, 2, kLaneA, kLaneA, 301);
  line_costing(store, 2, 0, kLaneA, kLaneA, 1);
  LinePlan plan;
  plan_segments(store, 0, 2, 0, plan);
  EXPECT_EQ(plan.cost[0][0], 400);
  EXPECT_EQ(plan_back(plan, 0, 0, 0), 4);
}

TEST(PlanSegments, WrapsFromTheLastNormalSegmentToTheFirst) {
  // One first-lap and two normal-lap segments: segment 3 is store index 1.
  LineStore store = store_with_segments(1, 2);
  line_costing(store, 1, 0, kLaneA, kLaneB, 100);
  line_costing(store, 2, 0, kLaneB, kLaneA, 200);
  LinePlan plan;
  plan_segments(store, 1, 2, 0, plan);
  EXPECT_EQ(plan.cost[0][0], 300);
  plan_segments(store, 3, 2, 0, plan);  // the next lap: same cells
  EXPECT_EQ(plan.cost[0][0], 300);
}

// The brute-force reference: cheapest chain over every combination of
// non-empty cells.
std::int64_t brute_force(const LineStore& store, int first, int count, int type, int r, int j) {
  auto cells_of = [&](int n) { return segment_cells(store, store_index(store.layout, n)); };
  std::int64_t best = kNoChain;
  std::vector<int> chain(count);
  chain[0] = r;
  auto walk = [&](auto&& self, int depth, std::int64_t sum) -> void {
    const LineCell& here = cells_of(first + depth)[chain[depth]];
    sum += line_cost(here, type);
    if (depth == count - 1) {
      if (lines_connect(here, cells_of(first + count)[j]) && sum < best) best = sum;
      return;
    }
    for (int i = 0; i < kLinesPerSegment; ++i) {
      if (!lines_connect(here, cells_of(first + depth + 1)[i])) continue;
      chain[depth + 1] = i;
      self(self, depth + 1, sum);
    }
  };
  walk(walk, 0, 0);
  return best >= kNoChain ? kNoChain : best;
}

TEST(PlanSegments, AgreesWithBruteForceOnRandomStores) {
  std::mt19937 random(2026);
  auto pick = [&](int n) { return int(random() % unsigned(n)); };
  const float lanes[] = {0, 4, 8};
  const float speeds[] = {30, 50};
  for (int round = 0; round < 60; ++round) {
    SCOPED_TRACE(round);
    const int first_lines = 1 + pick(3), normal_lines = 1 + pick(3);
    LineStore store = store_with_segments(first_lines, normal_lines);
    for (int c = 0; c < store_segments(store); ++c) {
      for (int k = 0; k < 4; ++k) {
        int i = pick(8);  // leaves gaps and overwrites: cells 0..7 only
        LineCell& cell = put_line(
            store, c, i, lane_line(100.0f * c, lanes[pick(3)], lanes[pick(3)], speeds[pick(2)]),
            pick(8), pick(4), pick(5000), 0);
        if (pick(4) == 0) cell.points.resize(2);  // too short to be followed by anything
      }
    }
    const int first = pick(store_segments(store) + 2);
    const int count = 1 + pick(4);
    const int type = pick(4);
    LinePlan plan;
    plan_segments(store, first, count, type, plan);
    for (int r = 0; r < 8; ++r) {
      for (int j = 0; j < 8; ++j) {
        ASSERT_EQ(plan.cost[r][j], brute_force(store, first, count, type, r, j))
            << "first " << first << " count " << count << " type " << type << " r " << r << " j "
            << j;
        if (plan.cost[r][j] == kNoChain) continue;
        // The back-pointers give a chain of that cost.
        std::vector<int> chain = chain_of(plan, r, j);
        std::int64_t sum = 0;
        for (int n = 0; n < count; ++n)
          sum +=
              line_cost(segment_cells(store, store_index(store.layout, first + n))[chain[n]], type);
        EXPECT_EQ(sum, plan.cost[r][j]);
      }
    }
  }
}

TEST(PlanLapLines, PlansTheCheapestClosedLapAndTheFirstLapIntoIt) {
  LineStore store = store_with_segments(1, 2);
  // First lap into lane A or B.
  line_costing(store, 0, 0, kLaneA, kLaneA, 100);
  LineCell& into_b = line_costing(store, 0, 1, kLaneA, kLaneB, 700);
  line_costing(store, 0, 2, kLaneB, kLaneB, 600, 3);  // cheaper but tested only 3 times
  // Normal lap: the B loop (300 + 100) beats the A loop (500 + 600).
  line_costing(store, 1, 0, kLaneA, kLaneA, 500);
  LineCell& loop_b1 = line_costing(store, 1, 1, kLaneB, kLaneB, 300);
  line_costing(store, 2, 0, kLaneA, kLaneA, 600);
  LineCell& loop_b2 = line_costing(store, 2, 1, kLaneB, kLaneB, 100);
  // Type 2 trusts a line after one test: this one makes a cheaper B loop
  // there, but too few tests to enter a plan.
  line_costing(store, 2, 2, kLaneB, kLaneB, 50, 2);

  plan_lap_lines(store);
  EXPECT_EQ(store.plans[0],
            (std::vector<std::int32_t>{into_b.line_id, loop_b1.line_id, loop_b2.line_id}));
  EXPECT_EQ(store.plans[1], store.plans[0]);
  // Type 2 prices the 3-times tested first-lap line (600) and the twice
  // tested normal-lap line (50): both win their chains and both stay out
  // of the plan for want of tests.
  EXPECT_EQ(store.plans[2], (std::vector<std::int32_t>{0, loop_b1.line_id, 0}));
}

TEST(PlanLapLines, AStoreWithoutChainsPlansNothingAndStaysInBounds) {
  LineStore store = store_with_segments(2, 3);
  line_costing(store, 1, 0, kLaneA, kLaneA, 100);  // leads nowhere
  plan_lap_lines(store);
  for (const auto& plan : store.plans)
    for (std::int32_t id : plan) EXPECT_EQ(id, 0);
  LineStore none;
  plan_lap_lines(none);  // no segments: nothing to do
}

}  // namespace
