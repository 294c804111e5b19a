#include "render/camera.h"

#include <cmath>
#include <numbers>

namespace {

ViewOrientation from_axes(Vec3 right, Vec3 up, Vec3 back) {
  return {right.x, up.x, back.x, right.y, up.y, back.y, right.z, up.z, back.z};
}

}  // namespace

FrustumTangents frustum_tangents(int width, int height, double fov_degrees) {
  double a = fov_degrees * std::numbers::pi / 360;
  FrustumTangents t;
  if (height > 0 && width * 3 > height * 4) {
    t.y = std::tan(a) * 0.75;
    t.x = t.y * width / height;
  } else {
    t.x = std::tan(a);
    t.y = width > 0 ? t.x * height / width : t.x * 0.75;
  }
  return t;
}

double depth_to_distance(double depth) {
  return (-1250 / (4999.75 * depth - 5000) - 0.25) * 0.00020001;
}

ViewOrientation look_at(Vec3 from, Vec3 target) {
  Vec3 back = normalized(from - target);
  if (length(back) == 0) back = {0, 0, 1};
  Vec3 right = cross(Vec3{0, 1, 0}, back);
  right = length(right) > 1e-12 ? normalized(right) : Vec3{1, 0, 0};
  return from_axes(right, cross(back, right), back);
}

ViewOrientation yaw_pitch_orientation(double yaw, double pitch) {
  Vec3 back{-std::cos(pitch) * std::sin(yaw), -std::sin(pitch), -std::cos(pitch) * std::cos(yaw)};
  Vec3 right{-std::cos(yaw), 0, std::sin(yaw)};
  return from_axes(right, cross(back, right), back);
}

Vec3 orientation_axis(const ViewOrientation& m, int i) { return {m[i], m[3 + i], m[6 + i]}; }

std::array<double, 16> view_matrix(Vec3 eye, const ViewOrientation& orientation) {
  std::array<double, 16> m{};
  for (int col = 0; col < 3; ++col) {
    Vec3 axis = orientation_axis(orientation, col);
    // Row `col` of the transposed rotation is axis `col`.
    m[0 + 4 * 0 + col] = axis.x;
    m[0 + 4 * 1 + col] = axis.y;
    m[0 + 4 * 2 + col] = axis.z;
    m[12 + col] = -dot(axis, eye);
  }
  m[15] = 1;
  return m;
}
