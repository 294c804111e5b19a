#include "race/laps.h"

#include <cmath>
#include <cstdio>

int laps_for_gates(const GameState& game, int gates) {
  if (!game.has_gates || game.lap_gates <= 0 || gates < game.first_lap_gates) return 0;
  return (gates - game.first_lap_gates) / game.lap_gates + 1;
}

int laps_completed(const GameState& game, int slot) {
  return laps_for_gates(game, game.progress[static_cast<size_t>(slot)].next_gate);
}

int lap_end_gate(const GameState& game, int k) {
  return k <= 0 ? -1 : game.first_lap_gates - 1 + game.lap_gates * (k - 1);
}

int crossing_at(const GameState& game, int slot, int g) {
  if (g < 0) return 0;
  return crossing_tick(game.progress[static_cast<size_t>(slot)], g);
}

int lap_ticks(const GameState& game, int slot, int k) {
  if (k < 1 || k > laps_completed(game, slot)) return 0;
  int end = crossing_at(game, slot, lap_end_gate(game, k));
  int start = k == 1 ? game.drop_tick : crossing_at(game, slot, lap_end_gate(game, k - 1));
  if (end < 0 || start < 0) return 0;
  return end - start;
}

BestLap best_lap(const GameState& game, int slot) {
  BestLap best;
  int laps = laps_completed(game, slot);
  for (int k = 2; k <= laps; ++k) {
    int t = lap_ticks(game, slot, k);
    if (t > 0 && (best.lap == 0 || t < best.ticks)) best = {k, t};
  }
  return best;
}

bool is_finished(const GameState& game, int slot) {
  return game.progress[static_cast<size_t>(slot)].finished;
}

std::string race_description(const GameState& game) {
  char text[64];
  int minutes = static_cast<int>(std::lround(game.race_ticks * game.step / 60));
  if (game.race_ticks > 0 && game.laps > 0)
    std::snprintf(text, sizeof text, "%d minutes + %d laps", minutes, game.laps);
  else if (game.race_ticks > 0)
    std::snprintf(text, sizeof text, "%d minutes", minutes);
  else
    std::snprintf(text, sizeof text, "%d laps", game.laps);
  return text;
}
