// Cost of the terrain contact tests: one tyre against the height field
// (the per-call figure of `tyre_terrain_test`), its per-triangle core, and
// one shape sphere. Wheels ride a bumpy field in a spread of poses (leaned,
// steered, sunk, airborne) so that every case of the test is in the mix.

#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <vector>

#include <ode/ode.h>

#include "sim/bike.h"
#include "sim/sphere_terrain.h"
#include "sim/tyre_terrain.h"
#include "track/height_field.h"

namespace {

HeightField bumpy_field() {
  HeightField field;
  set_height_field_geometry(field, 6, 2);  // 129 x 129 samples, 2 ft apart
  field.heights.resize(static_cast<size_t>(field.size) * field.size);
  for (int j = 0; j < field.size; ++j)
    for (int i = 0; i < field.size; ++i)
      field.heights[i + field.size * j] = static_cast<float>(
          1.5 * std::sin(i * 0.45) * std::cos(j * 0.3) + 0.2 * ((i * 7 + j * 3) % 5));
  return field;
}

std::vector<Torus> wheel_poses(const HeightField& field, int count) {
  std::mt19937 rng(7);
  std::uniform_real_distribution<double> pos(20, 230), unit(0, 1), sym(-1, 1);
  std::vector<Torus> poses;
  for (int n = 0; n < count; ++n) {
    double x = pos(rng), z = pos(rng);
    double lean = 0.7 * sym(rng), yaw = 3.14159 * sym(rng);
    Vec3 axle{std::cos(yaw) * std::cos(lean), std::sin(lean), std::sin(yaw) * std::cos(lean)};
    // From a little airborne to sunk by a tyre's depth.
    double y = height_at(field, x, z) + 0.833333 + 0.333333 - 0.5 * unit(rng);
    poses.push_back({{x, y, z}, axle, 0.833333, 0.333333});
  }
  return poses;
}

void BM_TyreTerrain(benchmark::State& state) {
  HeightField field = bumpy_field();
  std::vector<Torus> poses = wheel_poses(field, 1024);
  size_t n = 0, hits = 0;
  for (auto _ : state) {
    TerrainHit hit = torus_terrain(field, poses[n++ & 1023]);
    hits += hit.found;
    benchmark::DoNotOptimize(hit);
  }
  state.counters["contact share"] = static_cast<double>(hits) / static_cast<double>(n);
}
BENCHMARK(BM_TyreTerrain);

// The same through a wheel body, as the contact step calls it.
void BM_TyreTerrainOfWheelBody(benchmark::State& state) {
  dInitODE2(0);
  dWorldID world = dWorldCreate();
  dBodyID body = dBodyCreate(world);
  HeightField field = bumpy_field();
  std::vector<Torus> poses = wheel_poses(field, 1024);
  WheelContact wheel;
  wheel.body = body;
  wheel.core_radius = 0.833333f;
  wheel.tube_radius = 0.333333f;
  size_t n = 0;
  for (auto _ : state) {
    const Torus& t = poses[n++ & 1023];
    dBodySetPosition(body, t.centre.x, t.centre.y, t.centre.z);
    TerrainHit hit = tyre_terrain_test(field, wheel);
    benchmark::DoNotOptimize(hit);
  }
  dWorldDestroy(world);
  dCloseODE();
}
BENCHMARK(BM_TyreTerrainOfWheelBody);

void BM_TorusTriangle(benchmark::State& state) {
  HeightField field = bumpy_field();
  std::vector<Torus> poses = wheel_poses(field, 1024);
  std::vector<TerrainTriangle> triangles;
  for (const Torus& t : poses) {
    int i = static_cast<int>(t.centre.x / field.spacing),
        j = static_cast<int>(t.centre.z / field.spacing);
    triangles.push_back(cell_triangles(field, i, j).a);
  }
  size_t n = 0;
  for (auto _ : state) {
    size_t k = n++ & 1023;
    const TerrainTriangle& tri = triangles[k];
    TerrainHit hit = torus_triangle(poses[k], tri.v[0], tri.v[1], tri.v[2]);
    benchmark::DoNotOptimize(hit);
  }
}
BENCHMARK(BM_TorusTriangle);

void BM_SphereTerrain(benchmark::State& state) {
  HeightField field = bumpy_field();
  std::vector<Torus> poses = wheel_poses(field, 1024);
  size_t n = 0;
  for (auto _ : state) {
    const Torus& t = poses[n++ & 1023];
    TerrainHit hit = sphere_terrain_test(field, t.centre - Vec3{0, 0.6, 0}, 0.5);
    benchmark::DoNotOptimize(hit);
  }
}
BENCHMARK(BM_SphereTerrain);

}  // namespace
