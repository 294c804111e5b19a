// tavrin-sim: runs a session headless on the null platform, prints the
// standings and lap times, writes results.txt like the game and reports
// how much faster than real time the simulation ran.

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "data/data_dirs.h"
#include "demo/demo.h"
#include "race/laps.h"
#include "race/robot_driver.h"
#include "race/session.h"
#include "race/standings.h"
#include "rider_script.h"
#include "robots/line_store.h"
#include "robots/lines_file.h"
#include "sim/rider_input.h"
#include "sim/world.h"
#include "sim_options.h"
#include "track/track.h"

namespace {

int fail(const std::string& message) {
  std::fprintf(stderr, "tavrin-sim: %s\n", message.c_str());
  return 1;
}

std::string clock_text(const GameState& game, int ticks) {
  char text[32];
  const double seconds = ticks * game.step;
  std::snprintf(text, sizeof text, "%d:%06.3f", static_cast<int>(seconds / 60),
                seconds - 60 * static_cast<int>(seconds / 60));
  return text;
}

void print_trace(const GameState& game) {
  for (int slot = 0; slot < max_bikes; ++slot) {
    const Bike* bike = game.bikes[static_cast<size_t>(slot)];
    if (!bike) continue;
    const dReal* p = dBodyGetPosition(bike->bodies[body_frame]);
    const dReal* v = dBodyGetLinearVel(bike->bodies[body_frame]);
    const double mph = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]) / 1.4666667;
    std::printf(
        "trace tick=%d slot=%d x=%.3f y=%.3f z=%.3f mph=%.2f rpm=%.0f gear=%d lean=%.3f "
        "crashed=%d laps=%d\n",
        game.tick, slot, p[0], p[1], p[2], mph, bike->engine_speed * 9.549296, bike->gear + 1,
        bike->lean, bike->crash_counter > 0 ? 1 : 0, laps_completed(game, slot));
  }
}

void print_standings(const GameState& game) {
  std::printf("standings after %d ticks (%s, %s)%s\n", game.tick,
              game.track_name ? game.track_name : "", race_description(game).c_str(),
              game.results_done ? ", race over" : "");
  for (int i = 0; i < game.standing_count; ++i) {
    const StandingEntry& e = game.standings[static_cast<size_t>(i)];
    const Bike* bike = game.bikes[static_cast<size_t>(e.slot)];
    const BestLap best = best_lap(game, e.slot);
    std::string model(bike->model.name);
    std::printf("%2d. slot %2d no. %-3s %-16s gates %3d laps %2d%s", i + 1, e.slot,
                bike->number_text, model.c_str(), e.gates, laps_for_gates(game, e.gates),
                is_finished(game, e.slot) ? " finished" : "");
    if (is_finished(game, e.slot))
      std::printf(" time %s", clock_text(game, e.tick - game.drop_tick).c_str());
    if (best.lap) std::printf(" best lap %d %s", best.lap, clock_text(game, best.ticks).c_str());
    std::printf("\n");
    const int laps = laps_completed(game, e.slot);
    for (int k = 1; k <= laps; ++k)
      std::printf("      lap %2d %s\n", k, clock_text(game, lap_ticks(game, e.slot, k)).c_str());
  }
  if (game.solo && game.best_lap_ticks > 0)
    std::printf("solo best lap %s, last lap %s\n", clock_text(game, game.best_lap_ticks).c_str(),
                clock_text(game, game.last_lap_ticks).c_str());
}

// Demo recording and playback through the demo library.
void demo_start(GameState& game) {
  game_demo.session.solo = game.solo;
  game_demo.session.drop_tick = game.drop_tick;
  start_recording(game, game_demo);
}
void demo_stop(GameState&) {
  stop_recording(game_demo);
  close_playback(game_demo);
}
void demo_tick(GameState& game) {
  if (game_demo.recording) record_tick(game, game_demo);
  if (game_demo.playback) play_tick(game, game_demo);
}

bool read_file(const std::string& path, std::string& text) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  text.assign(std::istreambuf_iterator<char>(in), {});
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  SimOptions options;
  std::string error;
  if (!parse_sim_options(argc, argv, options, error)) {
    std::fprintf(stderr, "tavrin-sim: %s\n%s", error.c_str(), sim_usage());
    return 1;
  }
  if (options.help) {
    std::fputs(sim_usage(), stdout);
    return 0;
  }
  RiderScript script;
  if (!options.rider.empty()) {
    std::string text;
    if (!read_file(options.rider, text))
      return fail("cannot read rider script '" + options.rider + "'");
    if (!parse_rider_script(text, script, error))
      return fail("rider script '" + options.rider + "' line " + error);
  }
  if (!check_game_data()) return fail("game data not found (run tavrin-mkdata)");

  SessionRequest request;
  request.track = options.track;
  request.laps = options.laps;
  request.race_ticks = static_cast<int>(options.minutes * 60 * 128);
  request.robot_skill = options.skill;
  request.learn = !options.nolearn;
  request.practice = options.practice;
  request.record_demo = !options.record.empty();
  request.play_demo = !options.play.empty();
  if (request.play_demo) {
    if (!open_playback(GameState{}, game_demo, options.play.c_str()))
      return fail("cannot play demo '" + options.play + "'");
    request.track = game_demo.header.track;
    request.laps = game_demo.header.laps;
    request.race_ticks = game_demo.header.race_ticks;
    close_playback(game_demo);
  }
  std::array<int, max_bikes> lineup{};
  const bool solo = !options.rider.empty() && options.robots == 0 && !request.play_demo;
  const int first_robot = options.rider.empty() ? 0 : 1;
  if (!options.rider.empty()) lineup[0] = 1;
  for (int i = 0; i < options.robots; ++i) lineup[static_cast<size_t>(first_robot + i)] = 2;
  install_robot_driver();
  session_hooks.demo_start = demo_start;
  session_hooks.demo_stop = demo_stop;
  session_hooks.demo_tick = demo_tick;

  PhysicsWorld world;
  create_world(world);
  GameState game;
  game.world = &world;
  const int races = std::max(options.learn, 1);
  int total_ticks = 0;
  double wall = 0;
  int status = 0;
  for (int race = 0; race < races && status == 0; ++race) {
    request.lineup = solo ? nullptr : &lineup;
    if (!start_session(game, request)) {
      status = fail("cannot load track '" + request.track + "'");
      break;
    }
    if (!game.has_gates)
      std::printf("track '%s' has no timing gates: no laps are counted\n", game.track_name);
    if (request.play_demo) {
      open_playback(game, game_demo, options.play.c_str());
      build_demo_bikes(game, game_demo, world, false);
      update_standings(game);
    }
    const int start_tick = game.tick;
    // Without --ticks, a race that cannot end (everyone crashed, no
    // gates) stops after two hours of simulated time.
    const int limit = options.ticks > 0 ? options.ticks : 2 * 3600 * 128;
    const auto begin = std::chrono::steady_clock::now();
    int run = 0;
    for (; run < limit; ++run) {
      if (options.ticks == 0 && game.results_done) break;
      if (game_demo.playback_ended && request.play_demo) break;
      if (!options.rider.empty() && game.bikes[0] && game.bike_kind[0] == bike_local)
        set_rider_input(*game.bikes[0], script_input(script, (game.tick - start_tick) * game.step));
      game_tick(game);
      if (options.trace > 0 && game.tick % options.trace == 0) print_trace(game);
    }
    wall += std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    total_ticks += run;
    if (options.ticks == 0 && !game.results_done && !request.play_demo)
      std::printf("stopped after %d ticks: the race did not end\n", run);
    print_standings(game);
    if (options.learn > 0 && !options.nolearn) {
      save_lines(line_store, game.track_name);
      std::rotate(lineup.begin(), lineup.end() - 1, lineup.end());
    }
  }
  if (status == 0 && !options.nolearn)
    save_lines(line_store, game.track_name ? game.track_name : "");
  if (game_demo.recording) {
    stop_recording(game_demo);
    const char* home = home_directory();
    std::error_code ec;
    if (home)
      std::filesystem::copy_file(std::string(home) + "demos/default.qzdemo", options.record,
                                 std::filesystem::copy_options::overwrite_existing, ec);
    if (!home || ec) status = fail("cannot write demo '" + options.record + "'");
  }
  end_session(game);
  destroy_world(world);
  if (status != 0) return status;
  std::printf("real-time factor %.2f (%d ticks in %.3f s)\n",
              wall > 0 ? total_ticks * game.step / wall : 0.0, total_ticks, wall);
  return 0;
}
