#pragma once
// The starting gate: one slat per start position, a statue of the loaded
// track whose collision shape holds the front wheel while the slat is up.
// A slat's pose is its statue's placed rotation followed by a tip about its
// own x axis of (angle fraction) x 3 pi / 16, so bikes meet the raised
// slat and ride over the dropped one.

#include "race/game_state.h"

// Raises every slat (angle fraction 1); at session start.
void raise_gate_slats(GameState& game);
// One tick of the drop: after the drop tick every slat still up falls by
// 8 x step (down in 1/8 s), except one a bike touched this very tick,
// which waits; 10 s after the drop, slats still up fall at once.
void drop_gate_slats(GameState& game);
