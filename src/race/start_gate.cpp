#include "race/start_gate.h"

#include <algorithm>

#include "track/scenery.h"
#include "track/track.h"

namespace {

constexpr double kSlatTip = 0.5890486;  // 3 pi / 16, radians at angle fraction 1

Statue* slat_statue(const StartPosition& start) {
  const int object = start.gate_object;
  if (object < 0 || object >= static_cast<int>(game_track.statues.size())) return nullptr;
  return &game_track.statues[static_cast<size_t>(object)];
}

// Placed rotation, then the tip about the statue's own x axis.
void pose_slat(Statue& statue, float fraction) {
  place_statue(statue, game_track.terrain.field);
  tip_statue(statue, fraction * kSlatTip);
}

}  // namespace

void raise_gate_slats(GameState& game) {
  game.gate_slats.fill(1);
  const auto& starts = game_track.gates.starts;
  for (size_t i = 0; i < starts.size() && i < game.gate_slats.size(); ++i)
    if (Statue* statue = slat_statue(starts[i])) pose_slat(*statue, 1);
}

void drop_gate_slats(GameState& game) {
  if (game.tick <= game.drop_tick) return;
  // A slat waits while a bike leans on it, but only for the first 10 s:
  // after that it drops whatever touches it, or a rider who kept his
  // wheel on it would stay shut in for the whole race.
  const bool may_wait = game.tick * game.step <= game.drop_tick * game.step + 10;
  const auto& starts = game_track.gates.starts;
  for (size_t i = 0; i < starts.size() && i < game.gate_slats.size(); ++i) {
    float& v = game.gate_slats[i];
    if (v <= 0) continue;
    Statue* statue = slat_statue(starts[i]);
    if (may_wait && statue && statue->last_hit_tick == game.tick) continue;
    v = may_wait ? std::max(v - static_cast<float>(8 * game.step), 0.0f) : 0.0f;
    if (statue) pose_slat(*statue, v);
  }
}
