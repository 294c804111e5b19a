#pragma once
// Plain 3-vector of doubles in world units (feet; y up).

#include <cmath>

struct Vec3 {
  double x = 0, y = 0, z = 0;
};

constexpr Vec3 operator+(Vec3 a, Vec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
constexpr Vec3 operator-(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
constexpr Vec3 operator-(Vec3 a) { return {-a.x, -a.y, -a.z}; }
constexpr Vec3 operator*(Vec3 a, double s) { return {a.x * s, a.y * s, a.z * s}; }
constexpr Vec3 operator*(double s, Vec3 a) { return a * s; }
constexpr Vec3 operator/(Vec3 a, double s) { return {a.x / s, a.y / s, a.z / s}; }
constexpr Vec3& operator+=(Vec3& a, Vec3 b) { return a = a + b; }
constexpr Vec3& operator-=(Vec3& a, Vec3 b) { return a = a - b; }
constexpr Vec3& operator*=(Vec3& a, double s) { return a = a * s; }

constexpr double dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
constexpr Vec3 cross(Vec3 a, Vec3 b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline double length(Vec3 a) { return std::sqrt(dot(a, a)); }

// Twice the signed area of the triangle p q r seen from above (x and z
// only): positive when r lies to one side of the line p-q, negative on the
// other, zero on it.
constexpr double orient_xz(Vec3 p, Vec3 q, Vec3 r) {
  return (q.x - p.x) * (r.z - p.z) - (q.z - p.z) * (r.x - p.x);
}

// Whether segments a-b and c-d cross seen from above: each one's ends lie
// strictly on opposite sides of the other's line (touching is no crossing).
constexpr bool segments_cross_xz(Vec3 a, Vec3 b, Vec3 c, Vec3 d) {
  return orient_xz(a, b, c) * orient_xz(a, b, d) < 0 && orient_xz(c, d, a) * orient_xz(c, d, b) < 0;
}

// Unit vector along a; a zero vector stays zero rather than becoming NaN.
inline Vec3 normalized(Vec3 a) {
  double len = length(a);
  return len > 0 ? a / len : Vec3{};
}
