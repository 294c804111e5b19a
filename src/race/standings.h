#pragma once
// Standings, the race length of timed races, the finish and, once every
// bike has finished, the final order with the cutting penalties and the
// results file.

#include "race/game_state.h"

// `update_standings`: recomputes game.standings from the bikes' gate
// progress. Does nothing once results_done is set (the final order then
// stays frozen for the rest of the session). Called after every gate
// crossing, at the end of start_session and restart_attempt, and after a
// demo seek. Returns the leader's gates passed (0 without bikes).
int update_standings(GameState& game);

// Whole-tick reference time the field needed from gate pass a to gate
// pass b (see the cutting penalties); 60 s when no bike gives one.
int reference_time(const GameState& game, int a, int b);

// Computes each standing entry's cutting penalty (laps taken away, ticks
// added; also kept in penalty_laps / penalty_ticks) and sorts the entries
// again. Part of the race-over step of update_standings.
void apply_cutting_penalties(GameState& game);
