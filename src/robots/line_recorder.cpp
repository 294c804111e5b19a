#include "robots/line_recorder.h"

#include <algorithm>
#include <cmath>

#include "robots/line_submit.h"
#include "track/timing_gates.h"

namespace {

constexpr int kSampleEveryTicks = 32;                           // four samples a second
constexpr std::int32_t kStallGraceTicks = 2 * kTicksPerSecond;  // after the gate drop
constexpr double kStallSpeed = 5;                               // ft/s
constexpr double kOffLineDistance = 4;                          // ft
constexpr double kOverspeedFactor = 0.9375;
constexpr std::array<int, 5> kCrossingOffsets = {-3, -2, 0, 1, 2};

bool crossed(const LineRecorder& recorder, int g) { return crossing_tick(recorder, g) >= 0; }

// Crossing tick for the times of a stretch: a pass before the race start
// counts as tick 0.
std::int32_t stretch_tick(const LineRecorder& recorder, int g) {
  return g < 0 ? 0 : crossing_tick(recorder, g);
}

bool all_crossed(const LineRecorder& recorder, int from, int to) {
  for (int g = std::max(from, 0); g <= to; ++g)
    if (!crossed(recorder, g)) return false;
  return true;
}

void empty_buffer(LineRecorder& recorder, int b) {
  recorder.sample_buffers[b].clear();
  recorder.cancelled &= static_cast<std::uint8_t>(~(1u << b));
}

// The stretch's samples are worthless (a gate was skipped, or a robot's
// attempt was judged): drop both buffers and what was said about them.
void empty_buffers(LineRecorder& recorder) {
  empty_buffer(recorder, 0);
  empty_buffer(recorder, 1);
}

// Charges a failure to the line the robot took for segment k and forgets
// that entry.
void charge_segment(LineStore& store, LineRecorder& recorder, int k) {
  std::int32_t& used = recorder.used_lines[k % 4];
  charge_failure(store, store_index(store.layout, k), used);
  used = 0;
}

// The three line gate passes ending at g: g0 < g1 < g2 = g (-1 when the
// walk back runs below the race start).
struct LineGates {
  int g0, g1, g2;
};
LineGates last_line_gates(const LineLayout& layout, int g) {
  int g1 = previous_line_gate(layout, g);
  int g0 = g1 < 0 ? -1 : previous_line_gate(layout, g1);
  return {g0, g1, g};
}

void account_mishap(LineStore& store, LineRecorder& recorder, const RecordedBike& bike,
                    const RecordedRace& race) {
  if (recorder.mishap == 0 && race.tick - race.drop_tick > kStallGraceTicks &&
      length(bike.frame_velocity) < kStallSpeed)
    recorder.mishap = 1;
  if (recorder.mishap != 1) return;
  recorder.mishap = 2;
  // A robot that has taken the flag slows down and stops on purpose: that
  // says nothing about the line it was on.
  if (!bike.robot || recorder.finished || store_segments(store) == 0) return;
  const LineLayout& layout = store.layout;
  charge_segment(store, recorder, line_segment(layout, recorder.next_gate));
  // A crash just after a gate is the previous line's fault too: it left
  // the bike in no state to ride on.
  int previous = recorder.next_gate - 1;
  if (crossed(recorder, previous) &&
      race.tick - crossing_tick(recorder, previous) < kTicksPerSecond)
    charge_segment(store, recorder, line_segment(layout, previous));
  recorder.used_lines.fill(0);
}

// Which gate pass the bike has just crossed, or -1.
int find_crossing(const LineRecorder& recorder, const LineLayout& layout, const TimingGates& gates,
                  Vec3 front_wheel, int* offset) {
  bool gap = false;
  for (int i : kCrossingOffsets) {
    int g = recorder.next_gate + i;
    if (g < 0) continue;
    if (!crossed(recorder, g)) gap = true;
    int checkpoint = gate_pass_lap_entry(layout, g) % kNoSplitFlag;
    bool through = checkpoint >= 0 && checkpoint < int(gates.checkpoints.size()) &&
                   gate_crossed(gates.checkpoints[checkpoint], front_wheel);
    if (through && (gap || i >= 0)) {
      *offset = i;
      return g;
    }
    // A lap line cannot be skipped.
    if (is_lap_end(layout, g) && !crossed(recorder, g)) return -1;
  }
  return -1;
}

void submit_stretch(LineStore& store, LineRecorder& recorder, int g) {
  const LineLayout& layout = store.layout;
  int s = line_segment(layout, g);
  if (s >= 1) {
    LineGates lg = last_line_gates(layout, g);
    if (all_crossed(recorder, lg.g0, lg.g2)) {
      std::int32_t t0 = stretch_tick(recorder, lg.g0), t1 = stretch_tick(recorder, lg.g1),
                   t2 = stretch_tick(recorder, lg.g2);
      int b = (s - 1) % 2;
      submit_candidate(store, store_index(layout, s - 1), recorder.sample_buffers[b],
                       (recorder.cancelled >> b) & 1, t1 - t0, t2 - t0);
    }
  }
  empty_buffer(recorder, line_segment(layout, g + 1) % 2);
}

// True when the robot ended its stretch on its path at no more than its
// path's speed.
bool rode_the_line(const RecordedBike& bike) {
  if (bike.path.empty()) return false;
  const int last = int(bike.path.size()) - 1;
  const int p =
      std::isfinite(bike.progress) ? int(std::clamp(bike.progress, -1.0, double(last + 1))) : 0;
  const LinePoint& a = bike.path[std::clamp(p - 1, 0, last)];
  const LinePoint& b = bike.path[std::clamp(p, 0, last)];
  Vec3 pa{a.x, a.y, a.z}, pb{b.x, b.y, b.z};
  Vec3 offset = bike.frame_position - pa;
  Vec3 along = normalized(pb - pa);
  Vec3 off_line = offset - along * dot(offset, along);
  if (length(off_line) > kOffLineDistance) return false;
  double speed = length(bike.frame_velocity) * kOverspeedFactor;
  return speed <= std::fabs(a.speed) || speed <= std::fabs(b.speed);
}

void saturating_add(std::int32_t& sum, std::int32_t value) {
  sum = static_cast<std::int32_t>(
      std::clamp<std::int64_t>(std::int64_t(sum) + value, INT32_MIN, INT32_MAX));
}

void account_attempt(LineStore& store, LineRecorder& recorder, const RecordedBike& bike, int g) {
  const LineLayout& layout = store.layout;
  int s = line_segment(layout, g);
  if (s > 0) {
    if (rode_the_line(bike)) {
      LineGates lg = last_line_gates(layout, g);
      int skipped = -1;
      for (int l = lg.g0 + 1; l <= lg.g1 && skipped < 0; ++l)
        if (!crossed(recorder, l)) skipped = l;
      if (skipped >= 0) {
        charge_segment(store, recorder, line_segment(layout, skipped));
        recorder.used_lines.fill(0);
      } else if (all_crossed(recorder, lg.g0, lg.g2)) {
        std::int32_t id = recorder.used_lines[(s - 1) % 4];
        std::int32_t t0 = stretch_tick(recorder, lg.g0), t1 = stretch_tick(recorder, lg.g1),
                     t2 = stretch_tick(recorder, lg.g2);
        for (auto& cell : segment_cells(store, store_index(layout, s - 1))) {
          if (id == 0 || cell.line_id != id || cell.points.empty()) continue;
          if (cell.tests < INT32_MAX) ++cell.tests;
          cell.best_single = std::min(cell.best_single, t1 - t0);
          cell.best_double = std::min(cell.best_double, t2 - t0);
          saturating_add(cell.sum_single, t1 - t0);
          saturating_add(cell.sum_double, t2 - t0);
          break;
        }
      }
    } else {
      charge_segment(store, recorder, s);
      recorder.used_lines.fill(0);
    }
  }
  empty_buffers(recorder);
}

// After a lap: the bike finishes once the leader has crossed the final
// gate, or when it has completed the race distance itself.
void check_finish(LineRecorder& recorder, const LineLayout& layout, const RecordedBike& bike,
                  const RecordedRace& race, int leader_gates) {
  const int first = layout.first_count, lap = layout.normal_count;
  int into_laps = recorder.next_gate - first;
  if (into_laps < 0 || into_laps % lap != 0 || recorder.finished) return;
  // An unknown race length (a timed race still running) finishes nobody.
  std::int64_t laps = race.final_lap;
  if (laps <= 0) return;
  std::int64_t final_gate = first + std::int64_t(lap) * (laps - 1) - 1;
  std::int64_t laps_done = into_laps / lap + 1;
  if (final_gate >= leader_gates && laps_done < laps) return;
  recorder.finished = true;
  if (!bike.robot || bike.path.empty()) return;
  // Slow the rest of the path down to a quarter of its speed at its end.
  const int end = int(bike.path.size());
  const int p = std::isfinite(bike.progress) ? int(std::clamp(bike.progress, 0.0, double(end))) : 0;
  for (int j = p; j < end; ++j)
    bike.path[j].speed *= float(double(end - j) / (end - p) * 0.75 + 0.25);
}

}  // namespace

void reset_line_recorder(LineRecorder& recorder) {
  recorder.next_gate = 0;
  recorder.crossing_ticks.clear();
  for (auto& buffer : recorder.sample_buffers) {
    buffer.clear();
    buffer.reserve(16);
  }
  recorder.cancelled = 0;
  recorder.mishap = 0;
  recorder.used_lines.fill(0);
  recorder.finished = false;
}

std::int32_t crossing_tick(const LineRecorder& recorder, int g) {
  if (g < 0 || g >= int(recorder.crossing_ticks.size())) return -1;
  return recorder.crossing_ticks[g];
}

LinePoint sample_line_point(const RecordedBike& bike) {
  float speed = float(length(bike.frame_velocity));
  return {float(bike.frame_position.x), float(bike.frame_position.y), float(bike.frame_position.z),
          bike.wheel_on_ground ? speed : -speed, float(bike.lean)};
}

void record_lines(LineStore& store, LineRecorder& recorder, const RecordedBike& bike,
                  const RecordedRace& race) {
  const LineLayout& layout = store.layout;
  const bool has_store = store_segments(store) > 0;
  if (has_store && race.tick % kSampleEveryTicks == 0 && !bike.robot)
    recorder.sample_buffers[line_segment(layout, recorder.next_gate) % 2].push_back(
        sample_line_point(bike));

  account_mishap(store, recorder, bike, race);

  if (!race.gates || !has_store || recorder.finished) return;
  int offset = 0;
  int g = find_crossing(recorder, layout, *race.gates, bike.front_wheel_position, &offset);
  if (g < 0) return;

  if (recorder.mishap != 0)
    recorder.cancelled |=
        static_cast<std::uint8_t>(1u << (line_segment(layout, recorder.next_gate) % 2));
  recorder.next_gate = g;
  if (int(recorder.crossing_ticks.size()) <= g) recorder.crossing_ticks.resize(g + 1, -1);
  recorder.crossing_ticks[g] = race.tick;

  if (is_line_gate(layout, g)) {
    if (bike.robot)
      account_attempt(store, recorder, bike, g);
    else if (offset == 0)
      submit_stretch(store, recorder, g);
    else
      empty_buffers(recorder);
  }
  recorder.next_gate = g + 1;
  int leader_gates =
      race.refresh_standings ? race.refresh_standings(race.context) : recorder.next_gate;
  check_finish(recorder, layout, bike, race, leader_gates);
  recorder.mishap = 0;
}
