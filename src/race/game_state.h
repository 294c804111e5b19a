#pragma once
// GameState: the program-wide record of the running game. One instance
// lives for the whole run (the program's entry owns it); the frame and the
// main loop fill the first group, race control the session groups.
//
// Fields are grouped by lifetime: a group's comment says when it is reset.
// Race control adds its session fields (drop tick, standings, ...) to the
// session group, demos their playback and recording streams.

#include <array>

#include "base/vec3.h"
#include "robots/line_recorder.h"

struct Bike;
struct PhysicsWorld;

constexpr int max_bikes = 40;                    // bike slots per session
constexpr double simulation_step = 1.0 / 128.0;  // seconds per tick

// How a bike slot is driven.
enum BikeKind : int {
  bike_local = 0,   // the local player's controls
  bike_states = 1,  // recorded or received states (demo playback, remote rider)
  bike_robot = 2,   // the auto pilot
};

// Sentinel of halfway_lap and final_lap while they are not known yet.
constexpr int lap_unknown = 1000000;

// One line of the standings: the slot, its gates passed and the tick of its
// latest crossing (0 before any; after the cutting penalties, the penalised
// finishing tick).
struct StandingEntry {
  int slot = 0;
  int gates = 0;
  int tick = 0;
};

// Camera modes (which view is drawn and where the controls go).
enum CameraMode : int {
  camera_first_person = 0,
  camera_editor = 2,  // the editor's top view (--editor only)
  camera_chase = 3,
  camera_free = 4,
  camera_title = 5,  // title screen, no world
};

struct GameState {
  // --- Program run: set at start-up, kept until exit. ---

  // Simulation step in seconds, 1/128 (0.0078125). All tick arithmetic
  // uses it, so it is a field rather than a literal at every use.
  double step = simulation_step;
  // Sum of all frame advances since start, seconds; drives message expiry
  // and menu animation.
  double total_time = 0;
  // Frames counted by their advance: bucket k < 7 holds frames shorter
  // than step * 2^k (and not shorter than bucket k-1's limit), bucket 7
  // the rest.
  std::array<int, 8> frame_histogram{};
  double min_frame = 1e9;  // shortest frame advance seen, seconds
  double max_frame = 0;    // longest frame advance seen, seconds
  // Index into the video mode list: 0 "Default Fullscreen", 1 "Windowed",
  // then one entry per display mode.
  int video_mode = 1;
  // Drawable size in pixels, refreshed every drawn frame.
  int window_width = 0;
  int window_height = 0;
  int camera_mode = camera_title;  // a CameraMode
  // Open menu page, -1 when riding with no menu; 15 is the chat entry.
  int menu = 0;
  bool paused = false;          // simulation halted by the Pause key
  bool quit_requested = false;  // set by the menus; ends the main loop
  // Entrant code per slot for the next session (0 empty, 1 local player,
  // 2 next robot, ...; race control interprets them).
  std::array<int, max_bikes> lineup{};

  // The physics world every bike lives in; made at start-up, destroyed at
  // exit. Null until then (no session can start).
  PhysicsWorld* world = nullptr;

  // --- Track: replaced by each track load. ---

  // Directory name of the loaded track (interned); null when none is
  // loaded.
  const char* track_name = nullptr;

  // --- Session: reset by every session start. ---

  // Bike in each slot, or null. Created by the session start, freed when
  // the session ends or the program exits; slot 0 is the player's offline.
  std::array<Bike*, max_bikes> bikes{};
  std::array<int, max_bikes> bike_kind{};  // a BikeKind per slot
  int tick = 0;                            // steps taken in this session
  int viewed_bike = 0;                     // slot shown by the camera
  // Arguments of the latest session start: timed part in ticks (0 for a
  // race of laps only), laps to ride, whether a demo is recorded, and the
  // robots' skill (0 novice, 1 amateur, 2 expert).
  int race_duration_ticks = 0;
  int race_laps = 0;
  bool record_demo = false;
  int robot_skill = 0;

  // Race control. All times in ticks.
  int drop_tick = 0;              // tick at which the starting gate drops
  int staging_ticks = 0;          // 5 s: the robots' staging time before the drop
  int race_ticks = 0;             // timed part of the race (0: laps only)
  int laps = 0;                   // laps after the timed part; 1000 for endless sessions
  int halfway_lap = lap_unknown;  // lap number of half distance
  int final_lap = lap_unknown;    // lap whose end finishes the race
  bool solo = false;              // no lineup: one rider, no gate start
  int first_lap_gates = 0;        // F: gate passes of the first lap
  int lap_gates = 0;              // N: gate passes of every later lap
  bool has_gates = false;         // the track has timing gates
  bool results_done = false;      // final order computed and written
  std::array<StandingEntry, max_bikes> standings{};
  int standing_count = 0;
  int false_start_hold = 0;  // ticks the local bike is still held
  Vec3 start_position;       // the local bike's place on the grid
  // Starting gate slats: angle fraction, 1 = up, falling to 0 after the
  // drop. One per start position.
  std::array<float, max_bikes> gate_slats{};
  std::array<int, 80> identities{};  // shuffled robot roster order
  int robots_created = 0;            // roster entries taken so far
  int last_lap_ticks = 0;            // solo: the local rider's latest lap
  int best_lap_ticks = 0;            // solo: and the best one
  // Solo: laps completed by slots 0 and 1 before this tick's crossings.
  std::array<int, 2> solo_laps_before{};
  // Gate progress of each slot's bike (next_gate, crossing ticks, finished)
  // and its line samples; reset when a bike is placed at the start.
  std::array<LineRecorder, max_bikes> progress{};
  // Cutting penalty of each slot's bike from the race-over computation:
  // laps taken away and remaining ticks added (the HUD shows them).
  std::array<int, max_bikes> penalty_laps{};
  std::array<int, max_bikes> penalty_ticks{};
};
