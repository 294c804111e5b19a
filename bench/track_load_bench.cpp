// Load time of the generated venloop track, headless (no textures). Run
// from the build folder, where the generated data set is.

#include <cstdlib>

#include <benchmark/benchmark.h>

#include "track/track.h"

namespace {

void BM_LoadVenloop(benchmark::State& state) {
  Track track;
  for (auto _ : state) {
    if (!load_track(track, "venloop", "@venloop")) {
      state.SkipWithError("venloop did not load (is the data set generated?)");
      break;
    }
  }
  unload_track(track);
}
BENCHMARK(BM_LoadVenloop)->Unit(benchmark::kMillisecond);

}  // namespace
