#include "app/entry.h"

#include <cstdio>
#include <memory>
#include <span>

#include "app/command_line.h"
#include "app/config.h"
#include "app/game_audio.h"
#include "app/main_loop.h"
#include "app/net_play.h"
#include "app/program.h"
#include "app/settings.h"
#include "data/data_dirs.h"
#include "platform/error_box.h"
#include "platform/log.h"
#include "platform/memory.h"
#include "platform/messages.h"
#include "race/robot_driver.h"
#include "race/session.h"
#include "render/ground.h"
#include "render/render_hooks.h"
#include "render/texture.h"
#include "track/track.h"

namespace {

// Settings first, then the command line over them for this run. False when
// the run must end here, with *status the exit status.
bool read_settings_and_options(Program& p, int argc, char** argv, int* status) {
  Settings& s = user_settings;
  apply_stability(s, static_cast<int>(s.stability.value));
  build_variant_lists(s);
  read_config(s);
  p.game.video_mode = s.video_mode.current;

  p.render = derive_render_settings(s);
  std::span<const char* const> args(argc > 1 ? argv + 1 : argv, argc > 1 ? argc - 1 : 0);
  switch (parse_options(args, p.options, s, p.render)) {
    case ParseOutcome::fail:
      *status = 1;
      return false;
    case ParseOutcome::open_home:
      *status = open_home_directory();
      return false;
    case ParseOutcome::run:
      break;
  }
  debug_level = p.options.debug_level;
  // Joining a server races on the server's track.
  if (!p.options.connect.empty()) p.options.track.clear();
  return true;
}

// The installed tracks become the Track setting's choices. False when
// there is none.
bool list_installed_tracks(Program& p) {
  p.tracks = list_tracks();
  track_list = p.tracks;  // the track loader takes titles from here
  if (debug_level >= 1)
    for (const TrackListing& track : p.tracks)
      korb_log("%s -> %s\n", track.name.c_str(), track.display.c_str());
  if (p.tracks.empty()) return false;

  ChoiceSetting& choice = user_settings.track;
  choice.choices.clear();
  for (const TrackListing& track : p.tracks) choice.choices.push_back(track.display);
  choice.current = 0;
  // Only selects; loading happens when a session starts.
  const std::string& wanted = p.options.track.empty() ? "venloop" : p.options.track;
  for (size_t i = 0; i < p.tracks.size(); ++i)
    if (p.tracks[i].name == wanted) choice.current = static_cast<int>(i);
  return true;
}

// Once the GL context exists: the renderer's working values, and the
// track load's texture and ground steps.
void start_renderer(const Program& p) {
  texture_detail = p.render.model_texture_levels_dropped;
  ground_settings.detail = p.render.ground_detail_threshold;
  ground_settings.finest_ring = p.render.ground_texture_levels_dropped;
  ground_settings.texture_size = p.render.ground_texture_size;
  ground_settings.vertex_arrays = !p.options.no_vertex_arrays;
  install_render_hooks();
}

// Start-up step 22: the first session, when the command line named a track
// (a race of the configured lineup, laps and minutes on it); otherwise the
// title screen stays up. A track that will not load ends the program.
bool start_first_session(Program& p) {
  create_world(p.world);
  p.game.world = &p.world;
  install_robot_driver();
  // Online, the server starts the sessions.
  if (start_net_play(p.options) || p.options.track.empty()) return true;
  if (!start_session(p.game, session_request(p, false))) {
    korb_error_box("Problem starting Tavrin", "Can't load track\n");
    return false;
  }
  p.game.menu = -1;
  p.game.camera_mode = camera_chase;
  return true;
}

// Shutdown, in reverse order of start-up. Reached after the main loop
// ends and when the window never became drawable. Fatal exits never come
// here: a half-built run must not overwrite the player's settings.
void shut_down(Program& p, GameLoop& loop) {
  stop_net_play();
  if (p.game.world) {
    end_session(p.game);
    unload_track();
    destroy_world(p.world);
    p.game.world = nullptr;
  }
  stop_game_audio(loop.audio);
  // Textures go while their GL context is still there.
  ground_free();
  free_all_textures();
  remove_render_hooks();
  close_game_window(loop);
  write_config(user_settings);
}

}  // namespace

int tavrin_main(int argc, char** argv) {
  install_out_of_memory_handler();
  clear_messages();
  // Large and for the whole run: on the heap, not the stack.
  auto program = std::make_unique<Program>();
  auto game_loop = std::make_unique<GameLoop>();
  Program& p = *program;
  GameLoop& loop = *game_loop;

  // Standard output needs no binary mode here: POSIX streams never
  // translate line ends, so video frames go out byte for byte.

  // Also starts the log in the home directory.
  if (!check_game_data()) {
    korb_error_box("Problem starting Tavrin", "Can't find game data\n");
    return 0;
  }

  // The display modes first: the configuration may name one.
  prepare_video_modes(loop);
  int status = 0;
  if (!read_settings_and_options(p, argc, argv, &status)) return status;

  if (!list_installed_tracks(p)) {
    std::fputs("No tracks found\n", stderr);
    return 1;
  }

  switch (open_game_window(p, loop)) {
    case WindowStart::failed:  // the platform has logged why
      return 1;
    case WindowStart::not_drawable:
      shut_down(p, loop);
      return 0;
    case WindowStart::ready:
      break;
  }
  start_renderer(p);
  start_game_audio(loop.audio, loop.window, p.options);
  if (!start_first_session(p)) {
    shut_down(p, loop);
    return 1;
  }
  run_main_loop(p, loop);
  shut_down(p, loop);
  return 0;
}
