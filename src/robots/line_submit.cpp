#include "robots/line_submit.h"

#include <cmath>

#include "platform/log.h"

namespace {

bool finite_point(const LinePoint& p) {
  return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z) && std::isfinite(p.speed) &&
         std::isfinite(p.lean);
}

bool same_line(std::span<const LinePoint> a, std::span<const LinePoint> b) {
  if (a.size() != b.size()) return false;
  for (std::size_t k = 0; k < a.size(); ++k) {
    if (std::fabs(double(a[k].speed) - b[k].speed) > 0.0625) return false;
    double dx = double(a[k].x) - b[k].x, dy = double(a[k].y) - b[k].y, dz = double(a[k].z) - b[k].z;
    if (dx * dx + dy * dy + dz * dz > 0.00390625) return false;
  }
  return true;
}

// Mean of a sum over the tests in seconds, 0 without tests (integer
// quotient first, as the estimate uses it).
double mean_seconds(std::int32_t sum, std::int32_t tests) {
  return tests > 0 ? (sum / tests) * kTickSeconds : 0.0;
}

}  // namespace

CandidateOutcome submit_candidate(LineStore& store, int c, std::span<const LinePoint> points,
                                  bool cancelled, std::int32_t single_ticks,
                                  std::int32_t double_ticks) {
  const bool log = debug_level >= 1;
  bool usable = !points.empty() && !cancelled;
  for (const auto& p : points) usable = usable && finite_point(p);
  if (!usable) {
    if (log) korb_log("auto pilot: %d canceled\n", c);
    return CandidateOutcome::cancelled;
  }

  auto cells = segment_cells(store, c);
  for (const auto& cell : cells) {
    if (same_line(cell.points, points)) {
      if (log) korb_log("auto pilot: %d rejected (duplicate)\n", c);
      return CandidateOutcome::duplicate;
    }
  }

  int target = -1;
  for (int i = 0; i < kLinesPerSegment && target < 0; ++i)
    if (cells[i].points.empty()) target = i;
  if (target < 0) target = choose_eviction(store, c);
  // A full segment always has an eviction choice; this is only a guard.
  if (target < 0) return CandidateOutcome::too_slow;

  LineCell& cell = cells[target];
  if (line_estimate(cell) < std::int64_t(double_ticks) * 5 / 4) {
    if (log) korb_log("auto pilot: %d rejected (too slow)\n", c);
    return CandidateOutcome::too_slow;
  }
  if (log) {
    korb_log("auto pilot: evicting %d (times: %.2f %.2f tested (%d %d): %.2f %.2f repl: %f %f)\n",
             c, cell.rec_single * kTickSeconds, cell.rec_double * kTickSeconds, cell.tests,
             cell.failures, mean_seconds(cell.sum_single, cell.tests),
             mean_seconds(cell.sum_double, cell.tests), single_ticks * kTickSeconds,
             double_ticks * kTickSeconds);
  }
  std::int32_t last_picked = cell.last_picked;
  cell = LineCell{};
  cell.points.assign(points.begin(), points.end());
  cell.rec_single = single_ticks;
  cell.rec_double = double_ticks;
  cell.last_picked = last_picked;
  cell.line_id = new_line_id(store);
  return CandidateOutcome::stored;
}
