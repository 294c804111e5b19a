#include "track/scenery.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>

#include "data/stream.h"
#include "platform/messages.h"

namespace {

using Matrix = std::array<double, 9>;

Matrix multiply(const Matrix& a, const Matrix& b) {
  Matrix m{};
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c)
      for (int k = 0; k < 3; ++k) m[r * 3 + c] += a[r * 3 + k] * b[k * 3 + c];
  return m;
}

// Turn by a about the vertical: a bike's forward -z goes to (-sin a, 0, -cos a).
Matrix yaw(double a) {
  double c = std::cos(a), s = std::sin(a);
  return {c, 0, s, 0, 1, 0, -s, 0, c};
}

// The smallest rotation that takes the up axis (0, 1, 0) to unit vector n.
Matrix tilt_to(Vec3 n) {
  Vec3 axis{n.z, 0, -n.x};  // up x n
  double sin_angle = length(axis), cos_angle = n.y;
  if (sin_angle < 1e-12) return {1, 0, 0, 0, 1, 0, 0, 0, 1};
  axis = axis / sin_angle;
  double t = 1 - cos_angle, x = axis.x, y = axis.y, z = axis.z;
  return {t * x * x + cos_angle,     t * x * y - sin_angle * z, t * x * z + sin_angle * y,
          t * x * y + sin_angle * z, t * y * y + cos_angle,     t * y * z - sin_angle * x,
          t * x * z - sin_angle * y, t * y * z + sin_angle * x, t * z * z + cos_angle};
}

std::string name_or_none(std::string_view name) {
  return name == "null" ? std::string() : std::string(name);
}

}  // namespace

void place_statue(Statue& statue, const HeightField& field) {
  double x = statue.position.x, z = statue.position.z;
  double ground = height_at(field, x, z);
  statue.position.y = ground + statue.y_offset;
  statue.rotation = {1, 0, 0, 0, 1, 0, 0, 0, 1};
  statue.facing_distance = 0;
  if (statue.a >= 3.25f) {
    statue.facing_distance = std::pow(2.0, double(statue.a));
    return;
  }
  statue.rotation = yaw(statue.a);
  if (statue.a > -2 * std::numbers::pi) {
    Vec3 normal =
        normalized({ground - height_at(field, x + 1, z), 1, ground - height_at(field, x, z + 1)});
    statue.rotation = multiply(tilt_to(normal), statue.rotation);
  }
}

Statue make_statue(const HeightField& field, Vec3 position_with_offset, float a,
                   std::string_view model, std::string_view texture, std::string_view shape) {
  Statue statue;
  statue.position = position_with_offset;
  statue.y_offset = static_cast<float>(position_with_offset.y);
  statue.a = a;
  statue.model_name = name_or_none(model);
  statue.texture_name = name_or_none(texture);
  statue.shape_name = name_or_none(shape);
  if (!statue.shape_name.empty()) {
    statue.shape = load_collision_shape(statue.shape_name);
    if (!collision_shape_found(statue.shape)) {
      char text[1000];
      std::snprintf(text, sizeof text, "Warning: missing shape file %.900s",
                    statue.shape_name.c_str());
      post_message(text);
    }
  }
  place_statue(statue, field);
  return statue;
}

void tip_statue(Statue& statue, double angle) {
  const double c = std::cos(angle), s = std::sin(angle);
  statue.rotation = multiply(statue.rotation, {1, 0, 0, 0, c, -s, 0, s, c});
}

void load_statues(std::vector<Statue>& statues, std::string_view path, const HeightField& field) {
  StreamPtr in{stream_open(std::string(path).c_str(), "rb")};
  if (!in) return;
  float x, y, z, a;
  char model[1024], texture[1024], shape[1024];
  // The leading blank lets each record start on a new line.
  while (stream_scanf(in.get(), " [ %f %f %f ] %f %1023s %1023s %1023s", &x, &y, &z, &a, model,
                      texture, shape) == 7) {
    statues.push_back(make_statue(field, {x, y, z}, a, model, texture, shape));
  }
}

int scenery_bucket(double u, double extent) {
  if (!(extent > 0)) return 0;
  double k = std::floor((u / extent - 1.0 / 8) * 4.0 / 3.0 * kSceneryGridSize);
  if (!(k > 0)) return 0;  // NaN too
  return static_cast<int>(std::min(k, double(kSceneryGridSize - 1)));
}

void build_scenery_grid(SceneryGrid& grid, const std::vector<Statue>& statues, double extent) {
  for (auto& bucket : grid.buckets) bucket.clear();
  for (int index = 0; index < static_cast<int>(statues.size()); ++index) {
    const Statue& s = statues[index];
    if (!collision_shape_found(s.shape)) continue;
    double r = s.shape->bounding_radius;
    int x0 = scenery_bucket(s.position.x - r, extent),
        x1 = scenery_bucket(s.position.x + r, extent);
    int z0 = scenery_bucket(s.position.z - r, extent),
        z1 = scenery_bucket(s.position.z + r, extent);
    for (int kz = z0; kz <= z1; ++kz)
      for (int kx = x0; kx <= x1; ++kx) grid.buckets[kz * kSceneryGridSize + kx].push_back(index);
  }
}
