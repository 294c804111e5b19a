#pragma once
// The chain search over consecutive segments and the whole-lap plans.

#include <array>
#include <cstdint>
#include <vector>

#include "robots/line_store.h"

// Cost of a chain that does not exist.
inline constexpr std::int32_t kNoChain = 100000000;
// Back-pointer value for "no cell".
inline constexpr std::uint8_t kNoCell = kLinesPerSegment;

// Result of plan_segments for the segments first .. first + count - 1.
struct LinePlan {
  int first = 0;
  int count = 0;
  // cost[r][j]: cheapest total cost (ticks) of a chain that starts with
  // cell r of segment `first`, runs through segment first + count - 1 and
  // is followed by cell j of the segment after it; kNoChain when none.
  std::array<std::array<std::int32_t, kLinesPerSegment>, kLinesPerSegment> cost{};
  // back[((n - first - 1) x 45 + r) x 45 + j] for n = first + 1 ..
  // first + count - 1: the cell of segment n on the cheapest chain from r
  // that is followed by cell j of segment n + 1; kNoCell when none.
  std::vector<std::uint8_t> back;
};

// `plan_segments`: dynamic programming over the chain of segments first ..
// first + count - 1 (segment numbers; store indices are taken by the
// store_index rule, so a chain wraps from the last normal-lap segment to
// the first one). Consecutive cells must pass lines_connect; each cell
// costs line_cost(cell, type); ties keep the lowest cell index; sums of
// kNoChain or more are no chain. Needs a store with segments and count >= 1.
void plan_segments(const LineStore& store, int first, int count, int type, LinePlan& plan);

// Back-pointer of layer n - first - 1 (see LinePlan::back).
std::uint8_t plan_back(const LinePlan& plan, int layer, int r, int j);

// `plan_lap_lines`: for each cost type 0, 1 and 2, the cheapest closed
// normal lap (the start cell f with the smallest cost[f][f]) and the
// cheapest first lap ending in f, written as line ids into store.plans;
// a cell enters a plan only with 5 or more successful tests (0
// otherwise). Logs "First lap: %f" and "Normal lap: %f" (seconds) when
// debug logging is on. Does nothing for a store without segments.
void plan_lap_lines(LineStore& store);
