#pragma once
// The command line: options that override the configuration for one run,
// test and debugging aids, a demo file to play and a server to join.
// Parsed after the configuration file has been read and the renderer's
// working values derived from it, so an option always wins.

#include <span>
#include <string>

#include "app/render_settings.h"
#include "app/settings.h"
#include "base/vec3.h"

// What the command line asked for that is not a setting. Defaults are the
// values without the option.
struct CommandLineOptions {
  bool fugly = false;                // --fugly: flat shading
  bool no_sound = false;             // --nosound: no audio output
  bool no_vertex_arrays = false;     // --novertexarrays
  bool no_learn = false;             // --nolearn: robot lines are not saved
  int debug_level = 0;               // --debug 1, --super-debug 2
  bool practice = false;             // --practice: robots ride as testers
  bool warp = false;                 // --warp: 100 steps per frame, races restart
  float lock_fps = 0;                // --lock-fps: frames per simulated second, 0 off
  float fake_lag = 0;                // --fake-lag: receive delay, seconds 0..1
  int fake_loss = 0;                 // --fake-loss: received packets dropped, percent 0..100
  std::string record_audio_path;     // --record-audio: empty when off
  bool record_video = false;         // --record-video: PPM frames on standard output
  int rotate_lineup = 0;             // --rotate-lineup: slots moved after each race
  bool editor = false;               // --editor
  bool hidden_pause = false;         // --hidden-pause: "Paused" not drawn
  bool show_hud = true;              // false with --hidden-hud
  int depth = 16;                    // --depth: colour bits for the window
  int draw_render_stats = 0;         // --draw-render-stats
  bool accurate_skip = false;        // --accurate-skip
  std::string track;                 // --track: folder name; empty for none
  std::string connect;               // --connect: server address; empty for none
  std::string password;              // --password
  Vec3 chase_center{0, 2.52, 0.52};  // --chase-center, feet in the bike frame
  bool glfinish = false;             // --glfinish
  bool print_orientation = false;    // --print-orientation
  std::string demo_file;             // the one file name argument; empty for none
};

enum class ParseOutcome {
  run,        // start the game
  open_home,  // --open-home was reached: show the home folder, exit 0
  fail,       // a message is on standard error; exit 1
};

// Applies the arguments after the program name, in order. Bad options and
// values write their message to standard error and stop at once; `options`,
// `settings` and `render` then hold what was applied before.
ParseOutcome parse_options(std::span<const char* const> args, CommandLineOptions& options,
                           Settings& settings, RenderSettings& render);
