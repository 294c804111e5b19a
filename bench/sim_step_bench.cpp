// One game tick of the simulation (terrain contacts, world step, suspension
// and drivetrain) with 1, 10 and 40 bikes standing on a flat field, beside
// the bare dWorldStep of the same assemblies without contacts or control.

#include <benchmark/benchmark.h>

#include "sim/riding_scene.h"  // from tests/

namespace {

// A grid of bikes 16 ft apart, held upright, settled on their tyres.
void fill(RidingScene& scene, int bikes, bool with_jig) {
  for (int i = 0; i < bikes; ++i)
    scene.add_bike("crf250(2009)", 64 + 16 * (i % 10), 64 + 16 * (i / 10), with_jig);
}

void BM_Tick(benchmark::State& state) {
  RidingScene scene;
  fill(scene, static_cast<int>(state.range(0)), true);
  scene.run(256);
  for (auto _ : state) scene.step();
  state.counters["bikes"] = static_cast<double>(state.range(0));
}

void BM_BareWorldStep(benchmark::State& state) {
  RidingScene scene;
  fill(scene, static_cast<int>(state.range(0)), false);
  for (auto _ : state) {
    dWorldStep(scene.world.world, step_length);
    dJointGroupEmpty(scene.world.contacts);
  }
  state.counters["bikes"] = static_cast<double>(state.range(0));
}

BENCHMARK(BM_Tick)->Arg(1)->Arg(10)->Arg(40);
BENCHMARK(BM_BareWorldStep)->Arg(1)->Arg(10)->Arg(40);

}  // namespace
