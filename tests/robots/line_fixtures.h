#pragma once
// Hand-made lines and stores for the line store tests.

#include <vector>

#include "robots/line_store.h"

namespace line_fixtures {

// A line of `count` points along +x from x0, spaced `spacing` ft, that
// rides in lane z_from for its first points and ends (its last three
// points and more) in lane z_to; constant speed.
inline std::vector<LinePoint> lane_line(float x0, float z_from, float z_to, float speed,
                                        int count = 10, float spacing = 9) {
  std::vector<LinePoint> points;
  for (int k = 0; k < count; ++k) {
    float z = z_from;
    if (k >= 3) z = k >= 6 ? z_to : z_from + (z_to - z_from) * float(k - 2) / 4;
    points.push_back({x0 + spacing * k, 0, z, speed, 0});
  }
  return points;
}

// A store of `first` first-lap and `normal` normal-lap line gates.
inline LineStore store_with_segments(int first, int normal) {
  std::vector<int> first_lap, normal_lap;
  for (int k = 0; k < first; ++k) first_lap.push_back(k);
  for (int k = 0; k < normal; ++k) normal_lap.push_back(first + k);
  LineStore store;
  create_line_store(store, first_lap, normal_lap);
  return store;
}

// Puts a line into cell i of store index c with the given statistics.
inline LineCell& put_line(LineStore& store, int c, int i, std::vector<LinePoint> points,
                          int tests = 0, int failures = 0, int sum_single = 0, int sum_double = 0,
                          int rec_double = kNoTime) {
  LineCell& cell = segment_cells(store, c)[i];
  cell.points = std::move(points);
  cell.tests = tests;
  cell.failures = failures;
  cell.sum_single = sum_single;
  cell.sum_double = sum_double;
  cell.rec_double = rec_double;
  cell.line_id = new_line_id(store);
  return cell;
}

}  // namespace line_fixtures
