// One game tick of the simulation (environment and bike-bike contacts, world
// step, every bike's control step) with 1, 10 and 40 bikes riding on a flat
// field or standing on venloop, beside the bare dWorldStep of the same
// assemblies without contacts or control. Run from the build folder, where the generated data
// set (venloop, the bikes' collision shapes) is.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <utility>

#include "sim/riding_scene.h"  // from tests/

namespace {

// A grid of bikes 16 ft apart with the default aids, settled on their tyres.
void fill(RidingScene& scene, int bikes) {
  for (int i = 0; i < bikes; ++i)
    scene.add_bike("crf250(2009)", 64 + 16 * (i % 10), 256 + 16 * (i / 10));
}

// The grid riding off at a part throttle, timed once it is rolling.
void BM_Tick(benchmark::State& state) {
  RidingScene scene(flat_terrain(9, 4));
  fill(scene, static_cast<int>(state.range(0)));
  for (Bike* bike : scene.bikes) {
    apply_bike_setup(*bike, {.auto_shift = true});
    set_clutch(*bike, 1);
    set_throttle(*bike, 0.3f);
  }
  scene.run(256);
  for (auto _ : state) scene.step();
  state.counters["bikes"] = static_cast<double>(state.range(0));
}

// The same grid in the middle of venloop, each bike set down on the ground
// under its wheels.
void BM_TickVenloop(benchmark::State& state) {
  Terrain terrain;
  if (!load_terrain(terrain, "@venloop")) {
    state.SkipWithError("venloop did not load (is the data set generated?)");
    return;
  }
  double middle = terrain.field.extent / 2;
  RidingScene scene(std::move(terrain));
  for (int i = 0; i < state.range(0); ++i) {
    double x = middle + 16 * (i % 10), z = middle + 16 * (i / 10);
    Bike& bike = scene.add_bike("crf250(2009)", x, z);
    const HeightField& field = scene.terrain.field;
    double ground = std::max(height_at(field, x, z + 1.11), height_at(field, x, z + 6));
    move_bike(bike, {0, ground, 0});
  }
  scene.run(256);
  for (auto _ : state) scene.step();
  state.counters["bikes"] = static_cast<double>(state.range(0));
}

void BM_BareWorldStep(benchmark::State& state) {
  RidingScene scene;
  fill(scene, static_cast<int>(state.range(0)));
  for (auto _ : state) {
    dWorldStep(scene.world.world, step_length);
    dJointGroupEmpty(scene.world.contacts);
  }
  state.counters["bikes"] = static_cast<double>(state.range(0));
}

BENCHMARK(BM_Tick)->Arg(1)->Arg(10)->Arg(40);
BENCHMARK(BM_TickVenloop)->Arg(1)->Arg(10)->Arg(40);
BENCHMARK(BM_BareWorldStep)->Arg(1)->Arg(10)->Arg(40);

}  // namespace
