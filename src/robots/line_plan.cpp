#include "robots/line_plan.h"

#include "platform/log.h"
#include "robots/line_geometry.h"

namespace {

constexpr int kCells = kLinesPerSegment;

// Connection matrix and costs of the cells of segment n against those of
// segment n + 1.
struct SegmentLinks {
  std::array<std::int32_t, kCells> cost{};
  std::array<std::array<bool, kCells>, kCells> connect{};
};

void link_segment(const LineStore& store, int n, int type, SegmentLinks& links) {
  auto from = segment_cells(store, store_index(store.layout, n));
  auto to = segment_cells(store, store_index(store.layout, n + 1));
  for (int i = 0; i < kCells; ++i) {
    links.cost[i] = line_cost(from[i], type);
    LineEnd end = line_end(from[i]);
    for (int j = 0; j < kCells; ++j) links.connect[i][j] = line_follows(end, to[j]);
  }
}

// The cell's id when it has earned a place in a plan.
std::int32_t planned_id(const LineCell& cell) { return cell.tests >= 5 ? cell.line_id : 0; }

// Writes the chain ending in `next` into plans[type] for segments
// last .. first + 1, following the back-pointers from start cell r.
void trace_chain(LineStore& store, const LinePlan& plan, int type, int r, int next) {
  auto& ids = store.plans[type];
  int cell = next;
  for (int n = plan.first + plan.count - 1; n > plan.first; --n) {
    int c = store_index(store.layout, n);
    if (cell != kNoCell) cell = plan_back(plan, n - plan.first - 1, r, cell);
    ids[c] = cell == kNoCell ? 0 : planned_id(segment_cells(store, c)[cell]);
  }
}

// Start cell of the cheapest closed chain (cost[r][r]), lowest on ties.
int cheapest_loop(const LinePlan& plan) {
  int best = 0;
  for (int r = 1; r < kCells; ++r)
    if (plan.cost[r][r] < plan.cost[best][best]) best = r;
  return best;
}

// Start cell of the cheapest chain followed by cell `next`, lowest on ties.
int cheapest_start(const LinePlan& plan, int next) {
  int best = 0;
  for (int r = 1; r < kCells; ++r)
    if (plan.cost[r][next] < plan.cost[best][next]) best = r;
  return best;
}

}  // namespace

std::uint8_t plan_back(const LinePlan& plan, int layer, int r, int j) {
  return plan.back[(std::size_t(layer) * kCells + r) * kCells + j];
}

void plan_segments(const LineStore& store, int first, int count, int type, LinePlan& plan) {
  plan.first = first;
  plan.count = count;
  plan.back.assign(std::size_t(count > 0 ? count : 0) * kCells * kCells, kNoCell);
  for (auto& row : plan.cost) row.fill(kNoChain);
  if (count < 1 || store_segments(store) == 0) return;

  SegmentLinks links;
  link_segment(store, first, type, links);
  for (int r = 0; r < kCells; ++r)
    for (int j = 0; j < kCells; ++j)
      if (links.connect[r][j]) plan.cost[r][j] = links.cost[r];

  std::array<std::array<std::int32_t, kCells>, kCells> next;
  for (int n = first + 1; n < first + count; ++n) {
    link_segment(store, n, type, links);
    std::uint8_t* back = &plan.back[std::size_t(n - first - 1) * kCells * kCells];
    for (auto& row : next) row.fill(kNoChain);
    // For every start r and next cell j the cheapest cell i of segment n;
    // i ascends with a strict comparison, so ties keep the lowest i.
    for (int r = 0; r < kCells; ++r) {
      auto& out = next[r];
      std::uint8_t* back_row = back + r * kCells;
      for (int i = 0; i < kCells; ++i) {
        std::int64_t sum = std::int64_t(links.cost[i]) + plan.cost[r][i];
        if (sum >= kNoChain) continue;
        for (int j = 0; j < kCells; ++j) {
          if (links.connect[i][j] && sum < out[j]) {
            out[j] = static_cast<std::int32_t>(sum);
            back_row[j] = static_cast<std::uint8_t>(i);
          }
        }
      }
    }
    plan.cost = next;
  }
}

void plan_lap_lines(LineStore& store) {
  if (store_segments(store) == 0) return;
  const int first_lines = store.layout.first_lines;
  const int normal_lines = store.layout.normal_lines;
  LinePlan plan;
  for (int type = 0; type < kPlanTypes; ++type) {
    plan_segments(store, first_lines, normal_lines, type, plan);
    int f = cheapest_loop(plan);
    std::int32_t normal_lap = plan.cost[f][f];
    trace_chain(store, plan, type, f, f);
    store.plans[type][first_lines] = planned_id(segment_cells(store, first_lines)[f]);

    plan_segments(store, 0, first_lines, type, plan);
    int w = cheapest_start(plan, f);
    std::int32_t first_lap = plan.cost[w][f];
    trace_chain(store, plan, type, w, f);
    store.plans[type][0] = planned_id(segment_cells(store, 0)[w]);

    if (debug_level >= 1) {
      korb_log("First lap: %f\n", first_lap * kTickSeconds);
      korb_log("Normal lap: %f\n", normal_lap * kTickSeconds);
    }
  }
}
