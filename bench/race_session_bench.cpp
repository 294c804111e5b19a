// A whole session's game tick on venloop with 1, 10 and 40 bikes on the
// grid: contacts, bike pairs, the world step, control steps and the line
// recorder. Items per second are simulated ticks per wall second; divide by
// 128 for the real-time factor.

#include <benchmark/benchmark.h>

#include <cstdlib>

#include "data/data_dirs.h"
#include "race/session.h"
#include "robots/line_store.h"
#include "sim/rider_input.h"
#include "sim/world.h"
#include "track/track.h"

namespace {

void BM_SessionTick(benchmark::State& state) {
  setenv("XDG_DATA_HOME", "/tmp/tavrin-bench-home", 1);
  reset_data_dirs_for_tests();
  PhysicsWorld world;
  create_world(world);
  GameState game;
  game.world = &world;
  std::array<int, max_bikes> lineup{};
  lineup[0] = 1;
  SessionRequest request;
  request.track = "venloop";
  request.lineup = &lineup;
  request.learn = false;
  if (!start_session(game, request)) {
    state.SkipWithError("venloop did not load (run from the build folder)");
    return;
  }
  const int bikes = static_cast<int>(state.range(0));
  for (int slot = 1; slot < bikes; ++slot) {
    Bike* bike = create_bike(world, "crf250(2009)", slot, std::to_string(slot));
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
  end_session(game);
  unload_track();
  free_line_store(line_store);
  destroy_world(world);
}
BENCHMARK(BM_SessionTick)->Arg(1)->Arg(10)->Arg(40)->Unit(benchmark::kMicrosecond);

}  // namespace
