// The ground's per-frame level-of-detail work on the generated venloop
// terrain, headless: marking the tree for an eye, building the fans, and
// the distance pass. Run from the build folder, where the data set is.

#include <benchmark/benchmark.h>

#include <limits>

#include "render/ground_lod.h"
#include "track/track.h"

namespace {

// Venloop loaded once for all cases; null when it will not load.
const Terrain* venloop_terrain() {
  static Track track;
  static bool loaded = load_track(track, "venloop", "@venloop");
  return loaded ? &track.terrain : nullptr;
}

// An eye riding a circle over the field at 6 ft, so every iteration marks
// a different neighbourhood.
Vec3 eye_on_circle(const HeightField& field, int step) {
  const double a = step * 0.01, r = field.extent * 0.35, c = field.extent * 0.5;
  const double x = c + r * std::cos(a), z = c + r * std::sin(a);
  return {x, height_at(field, x, z) + 6, z};
}

void BM_GroundMarkNodes(benchmark::State& state) {
  const Terrain* terrain = venloop_terrain();
  if (!terrain) return state.SkipWithError("venloop did not load (is the data set generated?)");
  GroundLod lod;
  ground_lod_init(lod, terrain->field, 0.0025f);
  int step = 0;
  for (auto _ : state) {
    ground_mark_nodes(lod, eye_on_circle(terrain->field, step++));
    benchmark::DoNotOptimize(lod.marks.data());
  }
}
BENCHMARK(BM_GroundMarkNodes)->Unit(benchmark::kMicrosecond);

// The whole per-frame LOD update: marking and the fans of the view.
void BM_GroundLodUpdate(benchmark::State& state) {
  const Terrain* terrain = venloop_terrain();
  if (!terrain) return state.SkipWithError("venloop did not load (is the data set generated?)");
  GroundLod lod;
  ground_lod_init(lod, terrain->field, 0.0025f);
  GroundFans fans;
  int step = 0;
  long triangles = 0;
  for (auto _ : state) {
    Vec3 eye = eye_on_circle(terrain->field, step);
    Vec3 ahead = eye_on_circle(terrain->field, step + 1);
    ++step;
    ground_mark_nodes(lod, eye);
    ground_build_fans(lod, eye, normalized(ahead - eye), fans);
    triangles += static_cast<long>(fans.vertices.size() / 2 - 2 * fans.fans.size());
  }
  state.counters["triangles"] =
      benchmark::Counter(static_cast<double>(triangles), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_GroundLodUpdate)->Unit(benchmark::kMicrosecond);

// One complete distance pass over the field (the track load's).
void BM_GroundComputeDistances(benchmark::State& state) {
  const Terrain* terrain = venloop_terrain();
  if (!terrain) return state.SkipWithError("venloop did not load (is the data set generated?)");
  GroundLod lod;
  ground_lod_init(lod, terrain->field, 0.0025f);
  for (auto _ : state) ground_compute_distances(lod, std::numeric_limits<long>::max());
}
BENCHMARK(BM_GroundComputeDistances)->Unit(benchmark::kMillisecond);

}  // namespace
