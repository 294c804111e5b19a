#pragma once
// Lap arithmetic over a bike's gate crossings, as the HUD, the standings and
// the results read it. F = first_lap_gates, N = lap_gates, g = next_gate:
// the end of lap k is gate pass F - 1 + N * (k - 1). All times in ticks.

#include <string>

#include "race/game_state.h"

// Laps completed with `gates` gate passes behind: (g - F) / N + 1 once the
// first lap is done, else 0 (also without timing gates).
int laps_for_gates(const GameState& game, int gates);
// Laps completed by the bike in `slot`.
int laps_completed(const GameState& game, int slot);
// Gate pass that ends lap k (k >= 1); -1 for k = 0 (the start).
int lap_end_gate(const GameState& game, int k);
// Tick the bike in `slot` crossed gate pass g; -1 when skipped or not yet
// reached. A gate pass below 0 counts as crossed at tick 0.
int crossing_at(const GameState& game, int slot, int g);
// Ticks of lap k (lap 1 from the drop); 0 when a crossing is missing or k
// is beyond the laps completed.
int lap_ticks(const GameState& game, int slot, int k);
// Best lap among laps 2 .. laps completed (the first lap from the gate
// never counts), the earliest on ties.
struct BestLap {
  int lap = 0;    // 0 when fewer than two laps were ridden
  int ticks = 0;  // its time
};
BestLap best_lap(const GameState& game, int slot);
// Whether the bike in `slot` has taken the flag (see update_standings).
bool is_finished(const GameState& game, int slot);
// "%d minutes + %d laps", "%d minutes" or "%d laps" for the session's race.
std::string race_description(const GameState& game);
