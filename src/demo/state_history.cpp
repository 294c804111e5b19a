#include "demo/state_history.h"

void clear_state_history(StateHistory& history) { history = StateHistory{}; }

void push_state(StateHistory& history, int tick, const BikeState& state) {
  history.newest = (history.newest + 1) % state_history_length;
  history.entries[history.newest] = {state, tick};
}

void state_at(const StateHistory& history, const Bike* bike, int tick, double extent,
              double min_height, BikeState& out) {
  auto back = [](int i) { return (i + state_history_length - 1) % state_history_length; };
  int i = history.newest, steps = 0;
  while (steps < state_history_length && history.entries[i].tick >= tick) {
    i = back(i);
    ++steps;
  }
  const StateHistoryEntry& p = history.entries[i];
  // Past the newest entry the newest state holds; the entry after the
  // newest in the ring is the oldest one, never the one to show.
  if (steps == 0 && p.tick >= 0) {
    out = p.state;
    return;
  }
  const StateHistoryEntry& n = history.entries[(i + 1) % state_history_length];
  // The oldest entry itself is asked for: it is exact, nothing to blend.
  if (n.tick == tick && (steps == state_history_length || p.tick < 0)) {
    out = n.state;
    return;
  }
  if (steps == state_history_length || p.tick < 0 || n.tick < 0) {
    if (bike)
      encode_state(*bike, extent, min_height, out);
    else
      out.fill(0);
    return;
  }
  if (tick < n.tick) {
    if (p.tick < n.tick && p.tick < tick)
      blend_states(out, p.state, n.state, static_cast<double>(tick - p.tick) / (n.tick - p.tick));
    else
      out = p.state;
    return;
  }
  out = n.state;
}
