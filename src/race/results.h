#pragma once
// The results file "results.txt" in the home directory: a race line, a
// table of the finishers in the final order, and each finisher's gate
// crossing times. Lines end in "\r\n".

#include <ctime>
#include <string>

#include "race/game_state.h"

// The text of the results file for the session's final order, with
// `date` (seconds since 1970) in the race line. Bikes that have not
// finished are left out.
std::string format_results(const GameState& game, std::time_t date);

// `write_results`: writes format_results(game, now) to "@results.txt"
// through a temporary name renamed into place, so the previous file stays
// whole when writing fails. A file that cannot be written is skipped
// (false), without a message.
bool write_results(const GameState& game);
