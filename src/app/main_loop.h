#pragma once
// The game window and the main loop.
//
// Order in the entry function:
//   prepare_video_modes        before the configuration is read
//   open_game_window           window, GL state, controls (start-up 12-18)
//   run_main_loop              until a quit is requested
//   close_game_window          inputs and window (shutdown 6-7)
//
// Each pass of the loop draws one frame, paces it, and runs the due 1/128 s
// steps, each fed the input events stamped up to its moment (see
// app/frame_pacing.h).

#include <array>
#include <optional>
#include <vector>

#include "app/cameras.h"
#include "app/controls.h"
#include "app/frame_pacing.h"
#include "app/game_audio.h"
#include "app/program.h"
#include "app/video_modes.h"
#include "platform/binding.h"
#include "platform/window.h"
#include "race/session.h"

// Names of the fixed menu keys, looked up once the window is open.
inline constexpr std::array<const char*, 12> kMenuKeyNames = {
    "up",  "down",  "left",        "right",        "enter",   "keypad enter",
    "esc", "pause", "cursor-left", "cursor-right", "page up", "page down"};

enum MenuKey : int { menu_key_esc = 6, menu_key_cursor_left = 8 };

// Loop-local state of the run: lives from prepare_video_modes to exit.
struct GameLoop {
  KorbWindow* window = nullptr;
  std::vector<VideoModeSize> video_modes;  // parallel to the Video Mode choices
  FramePacing pacing;
  SimClock clock;
  ControlTable controls{};
  ControlSlots slots{};  // of the latest step
  // Input for the local viewed bike, made by each riding step.
  RiderInput rider_input;
  StickyDab sticky_dab;
  ChaseCamera chase;
  FreeCamera free_camera;
  BindingCapture capture;  // started by the controls menu
  // Codes of kMenuKeyNames, kNoKey when a name is not known.
  std::array<int, kMenuKeyNames.size()> menu_keys{};
  bool mouse_button_held = false;
  int screenshot_number = -1;      // -1 until the first screenshot of the run
  bool screenshot_wanted = false;  // taken from the next drawn frame
  DrawableSize drawable;           // of the latest drawn frame
  // The camera of the latest drawn frame; nothing while no world is drawn
  // (title, editor). The listener of the engine sounds.
  std::optional<CameraView> camera;
  GameAudio audio;  // the engine sounds and the audio output
};

// Start-up step 3: the display modes become the Video Mode choices.
void prepare_video_modes(GameLoop& loop);

enum class WindowStart {
  ready,         // run the loop
  not_drawable,  // the window never became drawable: shut down (status 0)
  failed,        // the window could not be opened: exit status 1
};

// Opens the window titled "Tavrin" for the chosen video mode, waits until
// it can be drawn (up to about 10 s), sets the initial GL state and clear
// colour, opens the control bindings and the command keys and looks up
// the menu keys, then starts the clock.
WindowStart open_game_window(Program& p, GameLoop& loop);

// Runs frames until game.quit_requested (set by the window's close request
// among others) or until the buffers can no longer be swapped.
void run_main_loop(Program& p, GameLoop& loop);

// The session the configuration asks for on the chosen track: the Gate
// lineup (null for `solo`), laps, minutes and robot skill, the rider's bike
// and number, and the command line's --nolearn and --practice.
SessionRequest session_request(const Program& p, bool solo);

// Closes the bindings' axes and the window. Safe when nothing was opened.
void close_game_window(GameLoop& loop);

// The game's one clear colour, drawn behind everything.
inline constexpr float kClearColour[4] = {0.196078f, 0.6f, 0.8f, 0.0f};
