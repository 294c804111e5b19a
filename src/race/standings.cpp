#include "race/standings.h"

#include <algorithm>

#include "race/laps.h"
#include "race/results.h"

namespace {

// More gates first, then the earlier latest crossing, then the lower slot.
bool ahead(const StandingEntry& a, const StandingEntry& b) {
  if (a.gates != b.gates) return a.gates > b.gates;
  if (a.tick != b.tick) return a.tick < b.tick;
  return a.slot < b.slot;
}

void sort_standings(GameState& game) {
  std::sort(game.standings.begin(), game.standings.begin() + game.standing_count, ahead);
}

// End of lap k as a gate pass, gate pass 0 for lap 0.
int lap_end_or_start(const GameState& game, int k) { return k <= 0 ? 0 : lap_end_gate(game, k); }

// The time a bike needed between gate passes a and b when it crossed both
// and every pass between; -1 otherwise.
int pair_time(const GameState& game, int slot, int a, int b) {
  for (int g = std::max(a, 0); g <= b; ++g)
    if (crossing_at(game, slot, g) < 0) return -1;
  return crossing_at(game, slot, b) - crossing_at(game, slot, a);
}

// Sets the finished flag of every bike that has taken the flag; it stays
// set until the bike's gates are rewound.
void mark_finished(GameState& game) {
  if (game.standing_count == 0) return;
  const int leader = game.standings[0].slot;
  const int leader_gates = game.progress[static_cast<size_t>(leader)].next_gate;
  const int flag_gate = lap_end_or_start(game, game.final_lap);
  if (game.final_lap >= lap_unknown || leader_gates <= flag_gate) return;
  const int flag_tick = crossing_at(game, leader, flag_gate);
  if (flag_tick < 0) return;
  for (int i = 0; i < game.standing_count; ++i) {
    const int slot = game.standings[static_cast<size_t>(i)].slot;
    LineRecorder& progress = game.progress[static_cast<size_t>(slot)];
    if (progress.finished) continue;
    const int lap_end = lap_end_or_start(game, laps_completed(game, slot));
    if (crossing_at(game, slot, lap_end) >= flag_tick) progress.finished = true;
  }
}

// Halfway and final lap of a timed race once its time runs out; races of
// laps only have them from the session start.
void update_race_length(GameState& game) {
  const int leader_laps = laps_completed(game, game.standings[0].slot);
  if (game.race_ticks > 0 && game.halfway_lap == lap_unknown && game.tick >= game.race_ticks / 2)
    game.halfway_lap = leader_laps + 1;
  if (game.tick < game.race_ticks) return;
  if (game.final_lap == lap_unknown) {
    game.final_lap = leader_laps + game.laps + 1;
    return;
  }
  // A bike that ended the lap before the extra laps while the clock still
  // ran means the clock ran out a lap later than first assumed.
  const int h = lap_end_or_start(game, game.final_lap - game.laps);
  for (int i = 0; i < game.standing_count; ++i) {
    const int c = crossing_at(game, game.standings[static_cast<size_t>(i)].slot, h);
    if (c > 0 && c < game.race_ticks) {
      game.final_lap += 1;
      return;
    }
  }
}

}  // namespace

int reference_time(const GameState& game, int a, int b) {
  const int first = game.first_lap_gates, lap = game.lap_gates;
  long long sum = 0;
  int count = 0;
  for (int i = 0; i < game.standing_count; ++i) {
    const int slot = game.standings[static_cast<size_t>(i)].slot;
    int value = -1;
    if (a < first || lap <= 0) {
      value = pair_time(game, slot, a, b);
    } else {
      const int gates = game.progress[static_cast<size_t>(slot)].next_gate;
      long long lap_sum = 0;
      int laps = 0;
      for (int a2 = first + (a - first) % lap, b2 = b + a2 - a; b2 < gates; a2 += lap, b2 += lap) {
        const int t = pair_time(game, slot, a2, b2);
        if (t >= 0) lap_sum += t, ++laps;
      }
      if (laps > 0) value = static_cast<int>(lap_sum / laps);
    }
    if (value >= 0) sum += value, ++count;
  }
  if (count == 0) return static_cast<int>(60 / game.step);
  return static_cast<int>(sum / count);
}

void apply_cutting_penalties(GameState& game) {
  const int second = static_cast<int>(1 / game.step);
  for (int slot = 0; slot < max_bikes; ++slot) {
    auto entry = std::find_if(game.standings.begin(), game.standings.begin() + game.standing_count,
                              [slot](const StandingEntry& e) { return e.slot == slot; });
    if (entry == game.standings.begin() + game.standing_count) continue;
    const std::vector<std::int32_t>& ticks =
        game.progress[static_cast<size_t>(slot)].crossing_ticks;
    int penalty = 0, latest = 0, missed = 0;
    for (int m = 0; m < static_cast<int>(ticks.size()); ++m) {
      const int c = ticks[static_cast<size_t>(m)];
      if (c < 0) {
        ++missed;
        continue;
      }
      if (missed > 0) {
        const int reference = reference_time(game, m - missed - 1, m) + second;
        if (c - latest < reference) penalty += reference - (c - latest);
      }
      latest = c;
      missed = 0;
    }
    // A cut that gained more than a lap costs laps, not an endless time.
    int laps_taken = 0;
    const BestLap best = best_lap(game, slot);
    if (best.lap > 1 && penalty > best.ticks) {
      while (penalty > best.ticks && entry->gates > game.first_lap_gates) {
        entry->gates -= game.lap_gates;
        penalty -= best.ticks;
        ++laps_taken;
      }
    }
    entry->tick += penalty;
    game.penalty_laps[static_cast<size_t>(slot)] = laps_taken;
    game.penalty_ticks[static_cast<size_t>(slot)] = penalty;
  }
  sort_standings(game);
}

int update_standings(GameState& game) {
  if (game.results_done) return game.standing_count ? game.standings[0].gates : 0;
  game.standing_count = 0;
  for (int slot = 0; slot < max_bikes; ++slot) {
    if (!game.bikes[static_cast<size_t>(slot)]) continue;
    const int gates = game.progress[static_cast<size_t>(slot)].next_gate;
    const int latest = gates > 0 ? std::max(crossing_at(game, slot, gates - 1), 0) : 0;
    game.standings[static_cast<size_t>(game.standing_count++)] = {slot, gates, latest};
  }
  if (game.standing_count == 0) return 0;
  sort_standings(game);
  update_race_length(game);
  mark_finished(game);

  for (int i = 0; i < game.standing_count; ++i)
    if (!is_finished(game, game.standings[static_cast<size_t>(i)].slot))
      return game.standings[0].gates;

  const int leader_gates = game.standings[0].gates;
  apply_cutting_penalties(game);
  if (is_finished(game, game.standings[0].slot)) write_results(game);
  game.results_done = true;
  return leader_gates;
}
