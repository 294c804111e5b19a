#pragma once
// The received states of one bike slot, from which a state for any tick is
// taken (remote riders are shown about one second behind, smoothly).
//
// Lifetime: one history per bike slot, owned by whoever receives states
// (the network client); cleared when a session starts.

#include <array>

#include "demo/bike_state.h"

constexpr int state_history_length = 128;

struct StateHistoryEntry {
  BikeState state{};
  int tick = -1;  // tick the state belongs to; -1 for an empty entry
};

struct StateHistory {
  std::array<StateHistoryEntry, state_history_length> entries{};
  int newest = 0;  // index of the newest entry
};

// Empties every entry.
void clear_state_history(StateHistory& history);

// Appends a state as the newest entry (states arrive in tick order).
void push_state(StateHistory& history, int tick, const BikeState& state);

// The state of the slot's bike at `tick`: blended between the two entries
// around it; the newest entry when the tick is past it, the oldest when it
// is exactly the oldest entry's tick. When the history
// holds nothing older than the tick (or the entries around it are empty),
// the bike's current state is encoded (with `extent`/`min_height`, see
// encode_state), or 39 zero bytes when `bike` is null.
void state_at(const StateHistory& history, const Bike* bike, int tick, double extent,
              double min_height, BikeState& out);
