#pragma once
// GameState: the program-wide record of the running game. One instance
// lives for the whole run (the program's entry owns it); the frame and the
// main loop fill the first group, race control the session groups.
//
// Fields are grouped by lifetime: a group's comment says when it is reset.
// Race control adds its session fields (drop tick, standings, ...) to the
// session group, demos their playback and recording streams.

#include <array>

struct Bike;

constexpr int max_bikes = 40;                    // bike slots per session
constexpr double simulation_step = 1.0 / 128.0;  // seconds per tick

// How a bike slot is driven.
enum BikeKind : int {
  bike_local = 0,   // the local player's controls
  bike_states = 1,  // recorded or received states (demo playback, remote rider)
  bike_robot = 2,   // the auto pilot
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
};
