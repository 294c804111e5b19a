#include "app/main_loop.h"

#include <GL/gl.h>
#include <ode/ode.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <limits>
#include <optional>

#include "app/bike_settings.h"
#include "app/net_play.h"
#include "app/screenshot.h"
#include "app/world_view.h"
#include "platform/clock.h"
#include "platform/key_names.h"
#include "platform/log.h"
#include "platform/messages.h"
#include "race/session.h"
#include "render/gl_features.h"
#include "sim/rider_input.h"
#include "track/track.h"

namespace {

constexpr int kDrawableTries = 161;       // about 10 s of waiting
constexpr double kDrawableWait = 0.0625;  // seconds between tries

// The command keys the loop reacts to, besides the riding controls.
std::array<KeyBinding*, 8> command_keys(Settings& s) {
  return {&s.screenshot_key, &s.console_key, &s.prev_key, &s.next_key,
          &s.skip_key,       &s.rewind_key,  &s.step_key, &s.pause_key};
}

bool pressed_key(const KorbEvent& event, const KeyBinding& binding) {
  return event.pressed && binding.key_code != kNoKey && event.code == binding.key_code;
}

bool viewed_is_local(const GameState& game) {
  return game.bike_kind[game.viewed_bike] == bike_local;
}

// One input event of a step (the order of the checks matters: a capture
// takes keys before the menus, the menus before the riding keys).
void handle_event(Program& p, GameLoop& loop, const KorbEvent& event) {
  GameState& game = p.game;
  Settings& s = user_settings;
  bool online = !p.options.connect.empty();

  control_key_event(loop.controls, event);
  if (event.code == loop.menu_keys[menu_key_cursor_left]) loop.mouse_button_held = event.pressed;
  if (event.code == kCloseCode && event.pressed) {
    game.quit_requested = true;
    return;
  }
  if (capture_event(korb_input(loop.window), loop.capture, event, loop.menu_keys[menu_key_esc]))
    return;
  if (event.pressed && event.code == loop.menu_keys[menu_key_esc]) {
    game.menu = game.menu < 0 ? 0 : -1;
    return;
  }
  if (game.menu >= 0) {
    if (!game.track_name) game.camera_mode = camera_title;
    return;
  }
  if (game.camera_mode != camera_editor && pressed_key(event, s.console_key)) {
    game.menu = 15;
    return;
  }
  if (game.camera_mode == camera_title) return;

  if (pressed_key(event, s.pause_key) && !online) game.paused = !game.paused;
  if (event.code == kTabCharacter)
    game.camera_mode = next_camera_mode(game.camera_mode, p.options.editor);
  if (pressed_key(event, s.screenshot_key) && game.camera_mode != camera_editor)
    loop.screenshot_wanted = true;
}

// One simulation step: events up to `deadline`, then the controls.
void run_step(Program& p, GameLoop& loop, double deadline) {
  GameState& game = p.game;
  bool take_all = deadline == std::numeric_limits<double>::infinity();
  while (auto event = take_all ? korb_next_event(loop.window)
                               : korb_next_event_before(loop.window, deadline)) {
    handle_event(p, loop, *event);
    if (game.quit_requested) return;
  }
  capture_check_axes(loop.capture);
  loop.slots = sum_control_slots(loop.controls);

  bool server_requested = !p.options.connect.empty();
  // Menus halt the offline game.
  if (game.menu >= 0 && viewed_is_local(game) && !server_requested) return;
  if (game.camera_mode == camera_editor) {
    if (!server_requested) return;
    game.paused = false;
  }
  if (game.menu < 0 && game.camera_mode != camera_title) {
    Bike* viewed = game.bikes[game.viewed_bike];
    if (viewed_is_local(game)) {
      if (viewed) {
        RiderInputOptions options{user_settings.reverse_steering.current == 1,
                                  user_settings.sticky_dab.current == 1};
        loop.rider_input =
            rider_input_from_slots(loop.slots, options, viewed->clutch, loop.sticky_dab, game.step);
      }
    } else if (game.camera_mode == camera_chase) {
      chase_camera_step(loop.chase, loop.slots, game.step);
    } else if (game.camera_mode == camera_free) {
      std::optional<FollowTarget> target;
      if (viewed && viewed->bodies[body_frame]) {
        const dReal* position = dBodyGetPosition(viewed->bodies[body_frame]);
        const dReal* velocity = dBodyGetLinearVel(viewed->bodies[body_frame]);
        target = FollowTarget{{position[0], position[1], position[2]},
                              {velocity[0], velocity[1], velocity[2]}};
      }
      free_camera_step(
          loop.free_camera, loop.slots, target ? &*target : nullptr, game.paused, game.step,
          [](double x, double z) { return height_at(game_track.terrain.field, x, z); });
    }
    if (server_requested) game.paused = false;
  }
  if (!net_play_step(game)) return;
  if (!game.world || !game.track_name || game.paused || game.camera_mode == camera_editor) return;
  Bike* local = game.bikes[game.viewed_bike];
  if (local && game.bike_kind[game.viewed_bike] == bike_local && game.menu < 0)
    set_rider_input(*local, loop.rider_input);
  game_tick(game);
  record_tick_audio(loop.audio);
  // --warp races back to back: once a race is over the lineup moves on by
  // --rotate-lineup slots and the next one starts.
  if (p.options.warp && game.results_done && !game.solo) {
    std::array<int, max_bikes>& gates = game.lineup;
    const int shift = ((p.options.rotate_lineup % max_bikes) + max_bikes) % max_bikes;
    std::rotate(gates.begin(), gates.end() - shift, gates.end());
    for (int i = 0; i < max_bikes; ++i)
      user_settings.gates[static_cast<size_t>(i)].current = gates[static_cast<size_t>(i)] % 5;
    if (!start_session(game, session_request(p, false))) game.quit_requested = true;
  }
}

// A binary PPM of the frame on standard output, top row first.
void write_video_frame(int width, int height) {
  std::vector<unsigned char> pixels(static_cast<std::size_t>(width) * height * 3);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
  std::printf("P6\n%d %d\n255\n", width, height);
  for (int row = height - 1; row >= 0; --row)
    std::fwrite(&pixels[static_cast<std::size_t>(row) * width * 3], 3, width, stdout);
  std::fflush(stdout);
}

// Draws one frame when the window can be drawn. False when the buffers can
// no longer be swapped.
bool draw_frame(Program& p, GameLoop& loop) {
  GameState& game = p.game;
  auto size = korb_begin_frame(loop.window);
  if (!size) return true;  // minimised or hidden: keep simulating
  loop.drawable = *size;
  game.window_width = size->width;
  game.window_height = size->height;
  if (game.video_mode == 1) {
    user_settings.xres = size->width;
    user_settings.yres = size->height;
  }
  glViewport(0, 0, size->width, size->height);
  loop.camera = draw_world_frame(p, loop, *size);
  if (!loop.camera) glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  // The HUD and menus draw over this once they exist.
  if (p.options.record_video && !game.paused && game.camera_mode != camera_title)
    write_video_frame(size->width, size->height);
  if (loop.screenshot_wanted) {
    loop.screenshot_wanted = false;
    take_screenshot(loop.screenshot_number, size->width, size->height);
  }
  if (p.options.glfinish) glFinish();
  if (!korb_end_frame(loop.window)) return false;
  // Engines are heard from the camera of the frame just shown: quieter
  // while a menu is open, silent while paused.
  float volume = game.paused ? 0 : static_cast<float>(user_settings.volume.value / 10);
  if (game.menu >= 0) volume *= 0.5f;
  play_frame_sound(loop.audio, game, loop.camera, volume);
  return true;
}

}  // namespace

void prepare_video_modes(GameLoop& loop) {
  loop.video_modes = build_video_modes(korb_display_modes(), user_settings.video_mode);
}

WindowStart open_game_window(Program& p, GameLoop& loop) {
  GameState& game = p.game;
  Settings& s = user_settings;
  int depth = p.options.depth & kDepthMask;
  if (game.video_mode < 0 || game.video_mode >= static_cast<int>(loop.video_modes.size()))
    game.video_mode = 0;
  if (game.video_mode == 1) {
    loop.window = korb_open_window("Tavrin", s.xres, s.yres, depth, 0, 16, 0, 0);
  } else {
    const VideoModeSize& mode = loop.video_modes[game.video_mode];
    loop.window =
        korb_open_window("Tavrin", mode.width, mode.height, depth | kFullscreenFlag, 0, 16, 0, 0);
  }
  if (!loop.window) return WindowStart::failed;

  int tries = 0;
  while (!korb_begin_frame(loop.window)) {
    if (tries++ == kDrawableTries) return WindowStart::not_drawable;
    korb_sleep(kDrawableWait);
  }
  detect_gl_features(s.ground_mipmaps.current == 1, s.use_fbo.current == 1,
                     s.use_shader.current == 1);
  glClearColor(kClearColour[0], kClearColour[1], kClearColour[2], kClearColour[3]);
  glClear(GL_COLOR_BUFFER_BIT);
  glEnable(GL_CULL_FACE);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  if (p.options.fugly) glShadeModel(GL_FLAT);
  if (!korb_end_frame(loop.window)) return WindowStart::not_drawable;

  KorbInput& input = korb_input(loop.window);
  loop.controls = make_control_table(s);
  for (ControlEntry& entry : loop.controls) open_binding(input, *entry.binding);
  for (KeyBinding* binding : command_keys(s)) open_binding(input, *binding);
  for (std::size_t i = 0; i < kMenuKeyNames.size(); ++i)
    loop.menu_keys[i] = find_key(input, kMenuKeyNames[i]).value_or(kNoKey);

  // No session yet: every slot empty and driven by states; the menu is open
  // unless a server is being joined.
  game.bikes.fill(nullptr);
  game.bike_kind.fill(bike_states);
  game.menu = p.options.connect.empty() ? 0 : -1;
  loop.pacing.lock_fps = p.options.lock_fps;
  loop.pacing.warp = p.options.warp;
  loop.pacing.last_frame_clock = korb_time();
  loop.clock = {};
  return WindowStart::ready;
}

SessionRequest session_request(const Program& p, bool solo) {
  static std::array<int, max_bikes> lineup;
  const Settings& s = user_settings;
  for (int i = 0; i < max_bikes; ++i)
    lineup[static_cast<size_t>(i)] = s.gates[static_cast<size_t>(i)].current;
  SessionRequest request;
  request.lineup = solo ? nullptr : &lineup;
  request.track =
      p.tracks.empty() ? "venloop" : p.tracks[static_cast<size_t>(s.track.current)].name;
  request.race_ticks = static_cast<int>(s.minutes.value * 60 / p.game.step);
  request.laps = static_cast<int>(s.laps.value);
  request.robot_skill = s.skill.current;
  request.learn = !p.options.no_learn;
  request.practice = p.options.practice;
  request.rider.model = s.bike.text();
  request.rider.number = s.number.value;
  request.rider.setup = bike_setup_from(s);
  request.rider.aids = rider_aids_from(s);
  return request;
}

void run_main_loop(Program& p, GameLoop& loop) {
  GameState& game = p.game;
  const PacingClock clock{korb_time, korb_sleep};
  while (!game.quit_requested) {
    bool viewed_empty = !game.bikes[game.viewed_bike];
    game.camera_mode = fixed_camera_mode(game.camera_mode, game.track_name != nullptr,
                                         viewed_is_local(game), viewed_empty);
    if (!draw_frame(p, loop)) break;

    PacedFrame frame = pace_frame(loop.pacing, game, clock);
    frame.advance *= net_play_pace(game);
    loop.clock.target_time += frame.advance;
    game.total_time += frame.advance;
    run_due_steps(loop.clock, game.step, frame.now,
                  [&](double deadline) { run_step(p, loop, deadline); });
    expire_messages(game.total_time);
  }
}

void close_game_window(GameLoop& loop) {
  end_binding_capture(loop.capture);
  Settings& s = user_settings;
  for (KeyBinding* binding : command_keys(s)) close_binding(*binding);
  for (ControlEntry& entry : loop.controls) {
    if (entry.binding) close_binding(*entry.binding);
  }
  korb_close_window(loop.window);
  loop.window = nullptr;
}
