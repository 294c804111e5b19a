#pragma once
// Placing a bike that is not simulated locally (a demo bike, a remote
// rider) from one recorded or received state.

#include <cstddef>
#include <cstdint>
#include <span>

#include "sim/bike.h"

// Bytes of one state: version 5 (demos and network), version 4 (old demos:
// bytes 0-19 as version 5, a rider slide fraction, then bytes 34-38).
constexpr std::size_t bike_state_size = 39;
constexpr std::size_t bike_state_size_v4 = 26;

// What the decoder needs of the world beside the bike.
struct StateContext {
  int version = 5;        // 4 or 5
  int ticks = 1;          // ticks since the previous state of this bike
  int game_tick = 0;      // the game's tick counter
  double extent = 0;      // the height field's extent, ft
  double min_height = 0;  // the height field's min_height, ft
};

// Places all seven bodies from the state, follows its crash flag (detaching
// or re-attaching the rider), takes gear, throttle, foot-down and engine
// speed from it, and sets every body's velocities from the change since the
// previous state (when ticks > 0 and the game tick is above 0). A state
// shorter than its version's size, or of another version, is ignored and
// false returned. The crash pose and the loose feet are the crash code's
// (capture them when this turns crash_counter from 0 to positive, and run
// the feet step after it).
bool apply_state(Bike& bike, std::span<const std::uint8_t> state, const StateContext& context);
