#pragma once
// Single-precision 3-vector for the values the bike simulation keeps as
// 32-bit floats (model constants, contact records). ODE's own state stays in
// double precision; convert at the boundary.

#include <cmath>

#include "base/vec3.h"

struct Vec3f {
  float x = 0, y = 0, z = 0;
};

constexpr Vec3f operator+(Vec3f a, Vec3f b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
constexpr Vec3f operator-(Vec3f a, Vec3f b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
constexpr Vec3f operator-(Vec3f a) { return {-a.x, -a.y, -a.z}; }
constexpr Vec3f operator*(Vec3f a, float s) { return {a.x * s, a.y * s, a.z * s}; }
constexpr Vec3f operator*(float s, Vec3f a) { return a * s; }
constexpr float dot(Vec3f a, Vec3f b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
constexpr Vec3f cross(Vec3f a, Vec3f b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline float length(Vec3f a) { return std::sqrt(dot(a, a)); }

constexpr Vec3 to_vec3(Vec3f a) { return {a.x, a.y, a.z}; }
constexpr Vec3f to_vec3f(Vec3 a) {
  return {static_cast<float>(a.x), static_cast<float>(a.y), static_cast<float>(a.z)};
}
