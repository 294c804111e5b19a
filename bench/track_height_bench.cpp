// Height queries of the track: height_at at random points, and the cell
// walks the contact tests make for a shape of a wheel's reach.

#include <cmath>
#include <random>
#include <vector>

#include <benchmark/benchmark.h>

#include "track/height_field.h"

namespace {

HeightField bench_field() {
  HeightField field;
  set_height_field_geometry(field, 9, 1.0f);  // 1025 x 1025, as a real track
  std::mt19937 rng(1);
  std::uniform_real_distribution<float> h(0, 30);
  field.heights.resize(static_cast<std::size_t>(field.size) * field.size);
  for (float& v : field.heights) v = h(rng);
  return field;
}

std::vector<Vec3> bench_points(const HeightField& field, int count) {
  std::mt19937 rng(2);
  std::uniform_real_distribution<double> u(0, field.extent);
  std::vector<Vec3> points(count);
  for (Vec3& p : points) p = {u(rng), 0, u(rng)};
  return points;
}

void BM_HeightAt(benchmark::State& state) {
  HeightField field = bench_field();
  std::vector<Vec3> points = bench_points(field, 4096);
  std::size_t k = 0;
  for (auto _ : state) {
    const Vec3& p = points[k++ & 4095];
    benchmark::DoNotOptimize(height_at(field, p.x, p.z));
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_HeightAt);

// The cells a shape of reach r centred at (x, z) touches, walked as the
// contact tests walk them, with both triangles of each cell fetched.
void BM_CellWalk(benchmark::State& state) {
  HeightField field = bench_field();
  std::vector<Vec3> points = bench_points(field, 4096);
  double reach = static_cast<double>(state.range(0)) / 100;  // feet
  std::size_t k = 0;
  for (auto _ : state) {
    const Vec3& p = points[k++ & 4095];
    int i0 = static_cast<int>(std::floor((p.x - reach) / field.spacing));
    int i1 = static_cast<int>(std::ceil((p.x + reach) / field.spacing));
    int j0 = static_cast<int>(std::floor((p.z - reach) / field.spacing));
    int j1 = static_cast<int>(std::ceil((p.z + reach) / field.spacing));
    double lowest = 1e30;
    for (int j = j0; j < j1; ++j) {
      for (int i = i0; i < i1; ++i) {
        CellTriangles cell = cell_triangles(field, i, j);
        lowest = std::min({lowest, cell.a.v[0].y, cell.b.v[1].y});
      }
    }
    benchmark::DoNotOptimize(lowest);
  }
  state.SetItemsProcessed(state.iterations());
}
// A tyre (reach about 1.3 ft) and a rider's sphere set (about 3 ft).
BENCHMARK(BM_CellWalk)->Arg(130)->Arg(300);

void BM_SmoothedHeight(benchmark::State& state) {
  HeightField field = bench_field();
  std::vector<Vec3> points = bench_points(field, 4096);
  std::size_t k = 0;
  for (auto _ : state) {
    const Vec3& p = points[k++ & 4095];
    benchmark::DoNotOptimize(smoothed_height(field, p.x, p.z, 10));
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SmoothedHeight);

}  // namespace
