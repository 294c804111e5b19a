#pragma once
// Sessions: start_session chooses the entrants, loads the track and the
// bikes, places them on the grid and draws the gate drop; game_tick
// advances everything by one simulation step in the game's fixed order;
// restart_attempt puts a solo rider back before the timed lap.
//
// Race control links the simulation, the robots and the demos; the pieces
// that live above it or that other parts fill in later (robot roster and
// driver, demo frames, roost, status screens) are reached through
// `session_hooks`, each of which may stay null: its step is then skipped.

#include <array>
#include <span>
#include <string>
#include <string_view>

#include "race/game_state.h"
#include "sim/bike.h"
#include "sim/rider_setup.h"

// One entry of the robot roster (80 entries, numbers "20" to "99").
struct RosterEntry {
  std::string_view number;       // the bike's displayed name
  std::string_view personality;  // auto pilot personality name
  std::string_view model;        // bike model name (aliases allowed)
  BikeTextureChoice textures;    // empty names: the model's own graphics
};

struct SessionHooks {
  // The robot roster; empty: robot entrants get no bike (logged).
  std::span<const RosterEntry> roster;
  // A robot was built into `slot` from roster entry `entry`; sets its
  // personality (`practice`: "tester" for every robot).
  void (*robot_created)(GameState& game, int slot, const RosterEntry& entry,
                        bool practice) = nullptr;
  // The auto pilot of the robot in `slot`, before its control step.
  void (*auto_pilot)(GameState& game, int slot) = nullptr;
  // A robot's current path and its progress along it, for the line
  // recorder's finish slow-down; null: no path.
  std::span<LinePoint> (*robot_path)(GameState& game, int slot, double* progress) = nullptr;
  // Status screens ("Resetting...", "Loading bikes..."); null headless.
  void (*show_status)(const char* text) = nullptr;
  // Demo recording and playback for the tick just run (after tick += 1).
  void (*demo_tick)(GameState& game) = nullptr;
  // Stops demo recording and playback (session start, restart_attempt).
  void (*demo_stop)(GameState& game) = nullptr;
  // Starts recording after the bikes are placed (record_demo).
  void (*demo_start)(GameState& game) = nullptr;
  // Solo: the local rider completed a lap (ghost and lap demos).
  void (*solo_lap)(GameState& game) = nullptr;
  // Roost: emission for the bike in `slot` (before the world step), and
  // the particles' advance (after the control steps).
  void (*emit_roost)(GameState& game, int slot) = nullptr;
  void (*advance_roost)(GameState& game) = nullptr;
  // The points series is told of every session start and race end.
  void (*series_notify)(GameState& game, bool race_over) = nullptr;
};
extern SessionHooks session_hooks;

// The local rider as the configuration describes him.
struct LocalRider {
  std::string model = "crf250(2009)";  // bike model name (aliases allowed)
  std::string number = "999";
  BikeTextureChoice textures;
  BikeSetup setup;
  RiderAidSetup aids;  // applied when the local bike is the viewed one
};

// Arguments of start_session.
struct SessionRequest {
  // Entrant codes of the 40 slots; null for a solo session.
  const std::array<int, max_bikes>* lineup = nullptr;
  std::string track = "venloop";  // track folder name
  bool play_demo = false;
  bool record_demo = false;
  int race_ticks = 0;  // timed part, ticks
  int laps = 5;
  int robot_skill = 0;    // 0 novice, 1 amateur, 2 expert
  bool learn = true;      // robot lines are saved (no --nolearn)
  bool practice = false;  // --practice: robots get the "tester" personality
  LocalRider rider;
};


// `start_session`: ends the previous session and starts a new one on the
// requested track. game.world must be set. False when the track cannot be
// loaded (the previous bikes are gone then).
bool start_session(GameState& game, const SessionRequest& request);

// Frees every bike of the session (end of session, program exit).
void end_session(GameState& game);

// `game_tick`: one simulation step of the whole session. Does nothing
// before game.world is set.
void game_tick(GameState& game);

// `restart_attempt` (solo): back to two gates before the end of the first
// lap, rolling into a timed lap.
void restart_attempt(GameState& game);

// Places a bike on the ground at (x, z) facing `heading` (radians about
// the vertical; 0 faces -z): reset, turned, set at the height-field sample
// under the point and raised by 0.25 ft while it touches the ground.
void place_bike(Bike& bike, double x, double z, double heading);

// Grid position p: row p / G behind start position p mod G of the G start
// positions, or, on a track without any, a line through the middle of the
// field 5 ft apart.
void place_on_grid(Bike& bike, int p);
