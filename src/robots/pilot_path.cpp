#include "robots/pilot_path.h"

#include <algorithm>
#include <cmath>

#include "platform/log.h"
#include "robots/line_geometry.h"
#include "robots/line_plan.h"

namespace {

double horizontal_distance(const Vec3& a, const LinePoint& p) {
  return std::hypot(p.x - a.x, p.z - a.z);
}

// The chain search's result is large (two 45 x 45 tables); one scratch
// record serves every robot, as they plan one after another.
LinePlan& plan_scratch() {
  static LinePlan plan;
  return plan;
}

}  // namespace

bool advance_path(AutoPilot& pilot, const PilotFrame& frame, std::int32_t tick) {
  auto& path = pilot.path;
  int n = static_cast<int>(path.size());
  if (pilot.path_pos < 0 || pilot.path_pos >= n) return false;
  const LinePoint& p = path[pilot.path_pos];
  double reach = pilot.recovery == 3 ? 30 : 60;
  double d = horizontal_distance(frame.position, p);
  if (d >= reach) return false;
  if (d > 4 && pilot.path_pos > 0) {
    const LinePoint& q = path[pilot.path_pos - 1];
    double sx = p.x - q.x, sz = p.z - q.z;
    if (sx * sx + sz * sz > 1 && sx * frame.forward.x + sz * frame.forward.z < 0) return false;
  }
  ++pilot.path_pos;
  pilot.last_progress = tick;
  if (pilot.path_pos >= n) {
    pilot.path_pos = 0;
    path.clear();
  }
  if (pilot.recovery > 0) --pilot.recovery;
  return true;
}

double path_progress(const AutoPilot& pilot, const PilotFrame& frame) {
  const auto& path = pilot.path;
  int n = static_cast<int>(path.size());
  if (n == 0) return 0;
  auto ahead = [&](int k) { return dot(point_position(path[k]) - frame.position, frame.forward); };
  int k = std::min(pilot.path_pos, n) - 1;
  while (k >= 0 && ahead(k) >= 0) --k;
  if (k + 1 < n) {
    double dk = ahead(k < 0 ? 0 : k);
    double dn = ahead(k + 1);
    if (k >= 0 && dk < 0 && dn >= 0) return k + 1 + std::clamp(-dk / (dn - dk), 0.0, 1.0);
  }
  return k + 1;
}

void splice_line(AutoPilot& pilot, const LineCell& cell, const PilotFrame& frame) {
  auto& path = pilot.path;
  if (cell.points.empty()) return;
  if (pilot.path_pos > 30) {
    int drop = std::min<int>(pilot.path_pos - 30, static_cast<int>(path.size()));
    path.erase(path.begin(), path.begin() + drop);
    pilot.path_pos = 30;
  }
  if (path.empty()) path.assign(5, cell.points.front());
  int m0 = static_cast<int>(path.size());
  int b = std::max(m0 - 5, pilot.path_pos);
  path.insert(path.end(), cell.points.begin(), cell.points.end());
  if (b >= m0 || path[b].speed < 0 || path[m0].speed < 0) return;

  int k = m0 - b;
  Vec3 s, t0;
  if (b == 0) {
    s = frame.position;
    t0 = frame.forward * (m0 * 7.5);
  } else {
    s = point_position(path[b]);
    t0 = (point_position(path[b]) - point_position(path[b - 1])) * k;
  }
  Vec3 p1 = point_position(path[m0]);
  Vec3 next = m0 + 1 < static_cast<int>(path.size()) ? point_position(path[m0 + 1]) : p1;
  Vec3 t1 = (next - p1) * k;
  Vec3 a = 3 * (p1 - s) - 2 * t0 - t1;
  Vec3 bb = 2 * (s - p1) + t0 + t1;
  float speed_b = path[b].speed, speed_1 = path[m0].speed;
  float lean_b = path[b].lean, lean_1 = path[m0].lean;
  for (int j = b + 1; j < m0; ++j) {
    double u = static_cast<double>(j - b) / k;
    Vec3 q = s + t0 * u + a * (u * u) + bb * (u * u * u);
    LinePoint& p = path[j];
    p.x = static_cast<float>(q.x);
    p.y = static_cast<float>(q.y);
    p.z = static_cast<float>(q.z);
    p.speed = std::min(p.speed, static_cast<float>(speed_b + (speed_1 - speed_b) * u));
    p.lean = static_cast<float>(lean_b + (lean_1 - lean_b) * u);
  }
}

double line_match(const AutoPilot& pilot, const LineCell& cell, const PilotFrame& frame) {
  const auto& path = pilot.path;
  if (cell.points.empty()) return 0;
  if (path.size() < 3) {
    double d = length(point_position(cell.points.front()) - frame.position);
    double m = std::clamp((100 - d) / 96, 0.0, 1.0);
    return 10 * m * m * m;
  }
  if (cell.points.size() < 2) return 0;
  std::size_t n = path.size();
  CircleCentre e = circle_centre_xz(path[n - 3], path[n - 2], path[n - 1]);
  double r_end = distance_xz(e, path[n - 1]);
  double v_end = std::fabs(path[n - 1].speed);
  double d0 = distance_xz(e, cell.points[0]);
  double d1 = distance_xz(e, cell.points[1]);
  double slow = std::clamp((15 - (v_end - std::fabs(cell.points[0].speed))) / 5, 0.0, 1.0);
  double on = std::clamp((5 - std::fabs(r_end - d0)) * 2 / 7, 0.0, 1.0) *
              std::clamp((3 - std::fabs(d1 - d0)) / 2, 0.0, 1.0);
  return slow * on * on * on;
}

int pick_next_line(AutoPilot& pilot, LineRecorder& recorder, LineStore& store,
                   const PilotFrame& frame, const PickContext& context) {
  int s = pilot.next_segment;
  int c = store_index(store.layout, s);
  if (occupied_cells(store, c) == 0) return -1;

  LinePlan& plan = plan_scratch();
  plan_segments(store, s, 8, context.plan_type, plan);
  std::array<double, kLinesPerSegment> score{};
  std::array<std::int64_t, kLinesPerSegment> cheapest{};
  std::int64_t best = kNoChain;
  for (int r = 0; r < kLinesPerSegment; ++r) {
    cheapest[r] = *std::min_element(plan.cost[r].begin(), plan.cost[r].end());
    best = std::min(best, cheapest[r]);
  }
  for (int r = 0; r < kLinesPerSegment; ++r)
    score[r] = cheapest[r] > 0 ? static_cast<double>(best) / cheapest[r] : 1.0;

  auto cells = segment_cells(store, c);
  if (context.plan_type >= 0 && context.plan_type < kPlanTypes) {
    double f = std::clamp((context.seconds - 40) * 0.05, 0.0, 1.0);
    std::int32_t planned = store.plans[context.plan_type][c];
    for (int r = 0; r < kLinesPerSegment; ++r)
      if (planned != 0 && cells[r].line_id == planned) score[r] += (1 - score[r]) * f;
  }
  if (s == 0)
    for (double& sc : score) sc = sc * 0.2 + 0.8;

  int pick = 0;
  double pick_total = 0;
  // Empty cells cannot be ridden, so they never compete: otherwise their
  // plan score alone could win and leave the robot without a line.
  for (int r = 0; r < kLinesPerSegment; ++r) {
    if (cells[r].points.empty()) continue;
    double match = line_match(pilot, cells[r], frame);
    // A mark from a later tick was left by an earlier session (ticks start
    // again at 0): it counts as long ago rather than blocking the plan.
    std::int32_t since = context.tick - cells[r].last_picked;
    double wait = cells[r].last_picked > context.tick
                      ? 1.0
                      : std::clamp(since * kTickSeconds / 3, 0.0, 1.0);
    double total = score[r] * wait + match;
    if (debug_level >= 1)
      korb_log("auto pilot: picking %d score = %f match = %f last_picked = %f\n", r, score[r],
               match, since * kTickSeconds);
    if (total > pick_total) {
      pick = r;
      pick_total = total;
    }
  }

  LineCell& picked = cells[pick];
  if (picked.points.empty()) return -1;
  picked.last_picked = context.tick;
  const LinePoint& end = picked.points.back();
  for (LineCell& other : cells) {
    if (other.points.empty()) continue;
    const LinePoint& e = other.points.back();
    double dx = e.x - end.x, dy = e.y - end.y, dz = e.z - end.z;
    if (dx * dx + dy * dy + dz * dz < 9) other.last_picked = context.tick;
  }
  recorder.used_lines[s % 4] = picked.line_id;
  pilot.next_segment = s + 1;
  splice_line(pilot, picked, frame);
  if (s == 0) {
    int n = static_cast<int>(pilot.path.size());
    int i = 1;
    const LinePoint& p0 = pilot.path[0];
    while (i < n) {
      const LinePoint& p = pilot.path[i];
      double dx = p.x - p0.x, dy = p.y - p0.y, dz = p.z - p0.z;
      if (dx * dx + dy * dy + dz * dz > 100) break;
      ++i;
    }
    pilot.path_pos = i;
    pilot.last_progress = 30 * kTicksPerSecond;
  }
  return pick;
}
