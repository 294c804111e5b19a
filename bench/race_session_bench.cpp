// A whole session's game tick on venloop: with 1, 10 and 40 bikes on the
// grid (contacts, bike pairs, the world step, control steps and the line
// recorder), and a race of 40 robots as tavrin-sim runs it (everything
// above plus the auto pilots). Items per second are simulated ticks per
// wall second; the race reports the real-time factor (ticks per second /
// 128) as "realtime".

#include <benchmark/benchmark.h>

#include <cstdlib>

#include "data/data_dirs.h"
#include "race/robot_driver.h"
#include "race/session.h"
#include "robots/line_store.h"
#include "sim/rider_input.h"
#include "sim/world.h"
#include "track/track.h"

namespace {

// A session on venloop in a world of its own, with learning off; ended and
// freed when it goes out of scope.
struct VenloopSession {
  explicit VenloopSession(SessionRequest request) {
    setenv("XDG_DATA_HOME", "/tmp/tavrin-bench-home", 1);
    reset_data_dirs_for_tests();
    create_world(world);
    game.world = &world;
    request.track = "venloop";
    request.learn = false;
    started = start_session(game, request);
  }
  ~VenloopSession() {
    if (started) end_session(game);
    unload_track();
    free_line_store(line_store);
    destroy_world(world);
  }
  VenloopSession(const VenloopSession&) = delete;
  VenloopSession& operator=(const VenloopSession&) = delete;

  PhysicsWorld world;
  GameState game;
  bool started = false;
};

void BM_SessionTick(benchmark::State& state) {
  std::array<int, max_bikes> lineup{};
  lineup[0] = 1;
  SessionRequest request;
  request.lineup = &lineup;
  VenloopSession session(request);
  if (!session.started) {
    state.SkipWithError("venloop did not load (run from the build folder)");
    return;
  }
  GameState& game = session.game;
  const int bikes = static_cast<int>(state.range(0));
  for (int slot = 1; slot < bikes; ++slot) {
    Bike* bike = create_bike(session.world, "crf250(2009)", slot, std::to_string(slot));
    place_on_grid(*bike, slot);
    game.bikes[static_cast<size_t>(slot)] = bike;
    game.bike_kind[static_cast<size_t>(slot)] = bike_local;
  }
  RiderInput input;
  input.throttle = 0.5f;
  for (auto _ : state) {
    for (Bike* bike : game.bikes)
      if (bike) set_rider_input(*bike, input);
    game_tick(game);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SessionTick)->Arg(1)->Arg(10)->Arg(40)->Unit(benchmark::kMicrosecond);

// Ticks of race simulated before the timing starts, and ticks timed.
constexpr int race_ticks_timed = 2560;  // 20 s

// 40 expert robots racing one lap of venloop from the gate (slots 0..39
// all robots, learning off, as `tavrin-sim --robots 40 --skill expert
// --nolearn`). Argument 0 times the first 20 s: staging on the grid, the
// gate drop and the bunched start. Argument 1 first runs 60 s of race
// untimed and then times the next 20 s, with the field spread out along
// the course and the first crashes lying about. Every repetition starts
// the same session afresh, so every run times the same ticks.
void BM_RobotRaceTick(benchmark::State& state) {
  install_robot_driver();
  std::array<int, max_bikes> lineup{};
  lineup.fill(2);
  SessionRequest request;
  request.lineup = &lineup;
  request.laps = 1;
  request.robot_skill = 2;
  VenloopSession session(request);
  if (!session.started) {
    state.SkipWithError("venloop did not load (run from the build folder)");
    return;
  }
  const int skipped = state.range(0) == 0 ? 0 : 60 * 128;
  for (int t = 0; t < skipped; ++t) game_tick(session.game);
  for (auto _ : state) game_tick(session.game);
  state.SetItemsProcessed(state.iterations());
  state.counters["realtime"] = benchmark::Counter(static_cast<double>(state.iterations()) / 128,
                                                  benchmark::Counter::kIsRate);
}
BENCHMARK(BM_RobotRaceTick)
    ->Arg(0)
    ->Arg(1)
    ->Iterations(race_ticks_timed)
    ->Unit(benchmark::kMicrosecond);

}  // namespace
