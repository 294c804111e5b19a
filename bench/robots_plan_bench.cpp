// The line store's chain search on a full store: every segment holds 45
// lines that all connect to each other, the worst case of the 45^3 search
// per segment. The auto pilot runs an 8-segment search whenever a robot
// needs its next line; the lap plans run once per session start.

#include <random>

#include <benchmark/benchmark.h>

#include "robots/line_plan.h"

namespace {

// 2 first-lap and 10 normal-lap segments, full, lines 30 points long in one
// lane (small sideways differences keep every pair connected).
LineStore full_store() {
  std::vector<int> first_lap = {0, 1}, normal_lap;
  for (int k = 2; k < 12; ++k) normal_lap.push_back(k);
  LineStore store;
  create_line_store(store, first_lap, normal_lap);
  std::mt19937 random(1);
  for (int c = 0; c < store_segments(store); ++c) {
    for (LineCell& cell : segment_cells(store, c)) {
      float z = float(random() % 100) * 0.01f;
      for (int k = 0; k < 30; ++k) cell.points.push_back({300.0f * c + 10.0f * k, 0, z, 40, 0});
      cell.tests = 5 + int(random() % 20);
      cell.failures = int(random() % 5);
      cell.sum_single = cell.tests * (900 + int(random() % 200));
      cell.sum_double = cell.sum_single * 2;
      cell.line_id = new_line_id(store);
    }
  }
  return store;
}

void BM_PlanEightSegments(benchmark::State& state) {
  const LineStore store = full_store();
  LinePlan plan;
  int first = 0;
  for (auto _ : state) {
    plan_segments(store, first, 8, 1, plan);
    benchmark::DoNotOptimize(plan.cost[0][0]);
    first = (first + 1) % 12;
  }
}
BENCHMARK(BM_PlanEightSegments)->Unit(benchmark::kMicrosecond);

void BM_PlanLapLines(benchmark::State& state) {
  LineStore store = full_store();
  for (auto _ : state) {
    plan_lap_lines(store);
    benchmark::DoNotOptimize(store.plans[0][0]);
  }
}
BENCHMARK(BM_PlanLapLines)->Unit(benchmark::kMillisecond);

void BM_PruneFullFirstLap(benchmark::State& state) {
  const LineStore full = full_store();
  for (auto _ : state) {
    state.PauseTiming();
    LineStore store = full;
    state.ResumeTiming();
    prune_crowded_segments(store);
    benchmark::DoNotOptimize(store.cells[0].points.size());
  }
}
BENCHMARK(BM_PruneFullFirstLap)->Unit(benchmark::kMillisecond);

}  // namespace
