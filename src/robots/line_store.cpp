#include "robots/line_store.h"

#include <algorithm>
#include <bit>
#include <climits>

#include "track/timing_gates.h"

LineStore line_store;

namespace {

// Cells with fewer proven lines than this spare the proven ones.
constexpr int kProvenQuorum = 23;

double clamp01(double v) { return std::clamp(v, 0.0, 1.0); }

double squared_distance(const LinePoint& a, const LinePoint& b) {
  double dx = double(a.x) - b.x, dy = double(a.y) - b.y, dz = double(a.z) - b.z;
  return dx * dx + dy * dy + dz * dz;
}

bool lines_cross(const LineCell& a, const LineCell& b) {
  for (std::size_t i = 0; i + 1 < a.points.size(); ++i)
    for (std::size_t j = 0; j + 1 < b.points.size(); ++j)
      if (segments_cross_xz(point_position(a.points[i]), point_position(a.points[i + 1]),
                            point_position(b.points[j]), point_position(b.points[j + 1])))
        return true;
  return false;
}

// The pruning victim among equally crossed lines: a tested line beats an
// untested one, then the lower mean two-segment time, then (untested) the
// lower recorded time.
bool better_prune_victim(const LineCell& candidate, const LineCell& victim) {
  if (candidate.tests >= 1 && victim.tests < 1) return true;
  if (candidate.tests >= 1 && victim.tests >= 1)
    return candidate.sum_double / candidate.tests < victim.sum_double / victim.tests;
  if (candidate.tests < 1 && victim.tests < 1) return candidate.rec_double < victim.rec_double;
  return false;
}

}  // namespace

void create_line_store(LineStore& store, const TimingGates& gates) {
  create_line_store(store, gates.first_lap, gates.normal_lap);
}

void create_line_store(LineStore& store, std::span<const int> first_lap,
                       std::span<const int> normal_lap) {
  store.layout = make_line_layout(first_lap, normal_lap);
  int segments = segment_count(store.layout);
  store.cells.assign(std::size_t(segments) * kLinesPerSegment, LineCell{});
  for (auto& plan : store.plans) plan.assign(segments, 0);
  store.next_id = 0;
}

void free_line_store(LineStore& store) {
  store.layout = LineLayout{};
  store.cells.clear();
  store.cells.shrink_to_fit();
  for (auto& plan : store.plans) plan.clear();
  store.next_id = 0;
}

int store_segments(const LineStore& store) {
  return static_cast<int>(store.cells.size() / kLinesPerSegment);
}

std::span<LineCell> segment_cells(LineStore& store, int c) {
  return std::span<LineCell>(store.cells)
      .subspan(std::size_t(c) * kLinesPerSegment, kLinesPerSegment);
}

std::span<const LineCell> segment_cells(const LineStore& store, int c) {
  return std::span<const LineCell>(store.cells)
      .subspan(std::size_t(c) * kLinesPerSegment, kLinesPerSegment);
}

void clear_cell(LineCell& cell) {
  std::int32_t last_picked = cell.last_picked;
  cell = LineCell{};
  cell.last_picked = last_picked;
}

void clear_line_store(LineStore& store) {
  for (auto& cell : store.cells) clear_cell(cell);
}

std::int32_t new_line_id(LineStore& store) {
  if (store.next_id == INT32_MAX) store.next_id = 0;
  return ++store.next_id;
}

int occupied_cells(const LineStore& store, int c) {
  int n = 0;
  for (const auto& cell : segment_cells(store, c)) n += cell.points.empty() ? 0 : 1;
  return n;
}

std::int64_t line_estimate(const LineCell& cell) {
  std::int64_t tests = cell.tests, failures = std::max(cell.failures, 0);
  if (tests >= 1)
    return failures * kFailurePenaltyTicks / (tests + failures) + cell.sum_double / tests;
  return std::int64_t(cell.rec_double) * 5 / 4 + (failures >= 1 ? kFailurePenaltyTicks : 0);
}

std::int32_t line_cost(const LineCell& cell, int type) {
  const double penalty = kFailurePenaltyTicks;
  // Only called with tests >= 1; failures are never negative in a store
  // (the file reader refuses that), the max keeps r finite regardless.
  auto measured = [&](double failure_weight) {
    double failures = std::max(cell.failures, 0);
    double a = double(cell.sum_single) / cell.tests;
    double r = failures / (double(cell.tests) + failures);
    return static_cast<std::int32_t>(a + penalty * clamp01(r * failure_weight));
  };
  switch (type) {
    case 0:
      return cell.tests < 5 ? kNoTime : measured(1.0);
    case 1:
      return cell.tests < 5 ? kNoTime : measured(1.1428572);
    case 2:
      return cell.tests < 1 ? kNoTime : measured(4.0);
    default: {
      std::int64_t tests = std::max(cell.tests, 0), failures = std::max(cell.failures, 0);
      if (tests + failures >= 6 && failures > 4 * tests) return 100000;
      std::uint64_t tries = std::uint64_t(tests + 4 * failures);
      if (tries == 0) return 0;
      return 1000 * (std::bit_width(tries) + 4);
    }
  }
}

void charge_failure(LineStore& store, int c, std::int32_t line_id) {
  if (line_id == 0 || c < 0 || c >= store_segments(store)) return;
  for (auto& cell : segment_cells(store, c)) {
    if (cell.line_id == line_id && !cell.points.empty()) {
      if (cell.failures < INT32_MAX) ++cell.failures;
      return;
    }
  }
}

int choose_eviction(const LineStore& store, int c) {
  auto cells = segment_cells(store, c);
  int proven = 0;
  for (const auto& cell : cells)
    if (!cell.points.empty() && cell.failures < cell.tests) ++proven;

  int chosen = -1;
  std::int64_t chosen_estimate = 0;
  for (int i = 0; i < kLinesPerSegment; ++i) {
    const LineCell& cell = cells[i];
    if (cell.points.empty()) continue;
    if (proven < kProvenQuorum && cell.failures < cell.tests) continue;
    std::int64_t estimate = line_estimate(cell);
    bool alone = true;
    for (int j = 0; j < kLinesPerSegment && alone; ++j)
      if (j != i && !cells[j].points.empty() &&
          squared_distance(cell.points[0], cells[j].points[0]) < 4.0)
        alone = false;
    if (alone) estimate = estimate * 3 / 4;
    if (chosen < 0 || estimate > chosen_estimate) {
      chosen = i;
      chosen_estimate = estimate;
    }
  }
  return chosen;
}

void prune_crowded_segments(LineStore& store) {
  for (int c = 0; c < store.layout.first_lines && c < store_segments(store); ++c) {
    if (occupied_cells(store, c) < kLinesPerSegment - 1) continue;
    auto cells = segment_cells(store, c);
    std::array<int, kLinesPerSegment> crossings{};
    for (int a = 0; a < kLinesPerSegment; ++a) {
      if (cells[a].points.size() < 2) continue;
      for (int b = a + 1; b < kLinesPerSegment; ++b) {
        if (cells[b].points.size() >= 2 && lines_cross(cells[a], cells[b])) {
          ++crossings[a];
          ++crossings[b];
        }
      }
    }
    int victim = -1, victim_count = 0;
    for (int a = 0; a < kLinesPerSegment; ++a) {
      int count = crossings[a];
      if (count <= 0) continue;
      if (victim < 0 || count > victim_count ||
          (count == victim_count && better_prune_victim(cells[a], cells[victim]))) {
        victim = a;
        victim_count = count;
      }
    }
    if (victim >= 0) clear_cell(cells[victim]);
    int evicted = choose_eviction(store, c);
    if (evicted >= 0) clear_cell(cells[evicted]);
  }
}
