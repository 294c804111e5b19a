#pragma once
// The auto pilot: rides a robot's bike through the same controls a human
// uses. It keeps a path of line points ahead of the bike, extends it one
// stored line at a time (pilot_path.h), and follows it with the steering
// and speed laws (pilot_laws.h), handling the gate start, jumps, other
// bikes and getting unstuck.
//
// Race control calls auto_pilot once per tick for every robot slot, before
// the physics step; record_bike_lines runs for the same bike after the
// step, with the robot's path and robot_progress.

#include <array>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "race/game_state.h"
#include "robots/line_store.h"

struct Bike;
struct Terrain;

// A robot's driving state. Cleared (reset_auto_pilot) when the session's
// bikes are made; personality 0 means the slot is not a robot.
struct AutoPilot {
  std::int32_t personality = 0;  // index into robot_personalities
  // Points still to ride, with up to 30 behind the bike. Owned.
  std::vector<LinePoint> path;
  std::int32_t path_pos = 0;      // point the robot heads past (runs ahead of the bike)
  std::int32_t next_segment = 0;  // segment number of the next line to append
  std::int32_t last_progress = 0;  // tick at which path_pos last advanced
  std::int32_t recovery = 0;       // 0 driving; 3 when stuck, less 1 per advance
  // Start reaction moment in seconds since the session start; 0 = not
  // drawn; negative while the staging throttle blips run (minus the end of
  // the blip).
  float reaction = 0;
  float last_throttle = 0;               // throttle after rate limiting, last tick
  std::int32_t speed_limited_tick = 0;  // last tick the friction limit cut the target speed
  // Where the bike is along the path (point index plus fraction), as the
  // last drive or recovery step found it; the line recorder slows the rest
  // of the path from here once the race is finished.
  double progress = 0;
};

// One auto pilot per lineup slot; session lifetime (reset by the session
// start for every slot, set up for robots by set_personality).
extern std::array<AutoPilot, max_bikes> auto_pilots;

// Back to a fresh record: personality 0, empty path (room for 16 points),
// every counter 0.
void reset_auto_pilot(AutoPilot& pilot);

// What one tick of the auto pilot reads of the session besides its own
// slot. The race control wrapper below fills it from the game state.
struct PilotSession {
  std::int32_t tick = 0;       // session tick being run
  std::int32_t drop_tick = 0;  // tick the starting gate drops
  double step = simulation_step;
  LineStore* store = nullptr;        // the line store (may have no segments)
  const Terrain* terrain = nullptr;  // null: flat ground, friction 1
  std::span<Bike* const> bikes;      // every slot, null when empty
  std::span<LineRecorder> progress;  // the recorder of every slot
  // The race standings, leader first (only the first two are read).
  std::span<const StandingEntry> standings;
};

// `auto_pilot`: one tick of driving the bike of `slot` with auto_pilots
// [slot]. Writes the bike's controls (set_rider_input), its rider-aid
// flags and, at the start, its gear; in recovery it may push the bike's
// bodies. Uses the program's random generator (reaction times). Nothing
// happens for a slot whose personality is 0 or which has no bike.
void auto_pilot(const PilotSession& session, int slot);

// The same for race control: the session fields, standings and recorders
// of `game`, the line store and the loaded track's terrain.
void auto_pilot(GameState& game, int slot);

// A robot was built into `slot`: a fresh auto pilot with the roster
// entry's personality, or "tester" for every robot in practice mode.
void start_robot(int slot, std::string_view personality, bool practice);

// The path of the robot in `slot` and its progress along it (written to
// *progress when not null), for record_bike_lines. Empty for slots
// outside 0..39.
std::span<LinePoint> robot_path(GameState& game, int slot, double* progress);
