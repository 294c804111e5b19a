#include "track/height_field.h"

#include <algorithm>
#include <cmath>

void clear_height_field(HeightField& field) { field = HeightField{}; }

void set_height_field_geometry(HeightField& field, int shift, float spacing) {
  field.shift = shift;
  field.size = (1 << (shift + 1)) + 1;
  field.spacing = spacing;
  field.tile_size = 2 * spacing;
  field.extent = spacing * static_cast<float>(field.size - 1);
}

static Vec3 vertex(const HeightField& field, int i, int j) {
  return {i * static_cast<double>(field.spacing), sample(field, i, j),
          j * static_cast<double>(field.spacing)};
}

CellTriangles cell_triangles(const HeightField& field, int i, int j) {
  Vec3 p00 = vertex(field, i, j), p01 = vertex(field, i, j + 1);
  Vec3 p10 = vertex(field, i + 1, j), p11 = vertex(field, i + 1, j + 1);
  if (((i + j) & 1) == 0) return {{{p00, p01, p11}}, {{p11, p10, p00}}};
  return {{{p00, p01, p10}}, {{p11, p10, p01}}};
}

// Cell index of a world coordinate, saturated so that a query far outside
// (or a NaN) cannot overflow the integer; clamping in `sample` does the rest.
static int cell_index(double u) {
  if (!(u > -1e9)) return -1000000000;
  if (u > 1e9) return 1000000000;
  return static_cast<int>(std::floor(u));
}

double height_at(const HeightField& field, double x, double z) {
  if (field.heights.empty() || !(field.spacing > 0)) return 0;
  double u = x / field.spacing, w = z / field.spacing;
  int i = cell_index(u), j = cell_index(w);
  double fx = u - i, fz = w - j;
  auto h = [&](int di, int dj) { return static_cast<double>(sample(field, i + di, j + dj)); };
  if ((i + j) & 1) {
    if (fx + fz <= 1) return h(0, 0) + fx * (h(1, 0) - h(0, 0)) + fz * (h(0, 1) - h(0, 0));
    return h(1, 1) + (1 - fx) * (h(0, 1) - h(1, 1)) + (1 - fz) * (h(1, 0) - h(1, 1));
  }
  if (fz <= fx) return h(1, 0) + (1 - fx) * (h(0, 0) - h(1, 0)) + fz * (h(1, 1) - h(1, 0));
  return h(0, 1) + fx * (h(1, 1) - h(0, 1)) + (1 - fz) * (h(0, 0) - h(0, 1));
}

double smoothed_height(const HeightField& field, double x, double z, double r) {
  if (field.heights.empty() || !(field.spacing > 0)) return 0;
  double s = field.spacing;
  int i0 = cell_index((x - r) / s), i1 = cell_index(std::ceil((x + r) / s));
  int j0 = cell_index((z - r) / s), j1 = cell_index(std::ceil((z + r) / s));
  double sum = 0, weights = 0;
  for (int j = j0; j <= j1; ++j) {
    for (int i = i0; i <= i1; ++i) {
      double dx = i * s - x, dz = j * s - z;
      double d = std::sqrt(dx * dx + dz * dz);
      double w = d < r ? 1 : d < r + s ? (r + s - d) / s : 0;
      if (w == 0) continue;
      sum += w * sample(field, i, j);
      weights += w;
    }
  }
  if (weights == 0) return sample(field, i0, j0);
  return sum / weights;
}
