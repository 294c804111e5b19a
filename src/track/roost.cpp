#include "track/roost.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "base/random.h"

namespace {

constexpr double kStep = 1.0 / 128;

Vec3 random_jitter() {
  // Three draws in a fixed order, so a replay gives the same particles.
  double x = random_centered();
  double y = random_centered();
  double z = random_centered();
  return {x, y, z};
}

// v turned by angle about unit axis (right-hand rule).
Vec3 rotate(Vec3 v, Vec3 axis, double angle) {
  double c = std::cos(angle), s = std::sin(angle);
  return v * c + cross(axis, v) * s + axis * (dot(axis, v) * (1 - c));
}

int particle_count(const RoostType& type, int budget) {
  double whole = std::floor(type.count);
  if (!(whole >= 0)) return 0;
  int n = static_cast<int>(std::min(whole, double(budget)));
  double fraction = type.count - whole;
  if (fraction > 0 && random_unit() < fraction) ++n;
  return std::min(n, budget);
}

int emit_splash(RoostParticlePool& pool, const RoostWheel& wheel, const RoostType& type, int n,
                long step) {
  Vec3 normal = wheel.normal;
  Vec3 w = wheel.body_velocity - normal * dot(normal, wheel.body_velocity);
  double speed = length(w);
  // A wheel moving straight along the normal has no direction to splash to.
  if (!(speed > 0)) return 0;
  Vec3 side = cross(normal, w / speed);
  double scale = speed * std::numbers::sqrt2 / 2;
  Vec3 d[2] = {(side + normal) * scale, (-side + normal) * scale};
  double amount = std::min(wheel.depth, 0.1) * type.dig;
  int spawned = 0;
  for (int i = 0; i < n; ++i) {
    Vec3 dir = d[(step ^ i) & 1];
    Vec3 start = wheel.point + dir * (i * kStep / n);
    Vec3 jitter = random_jitter();
    Vec3 velocity = (dir + jitter * type.randomize) * type.vscale;
    velocity = velocity * random_unit();
    if (spawn_roost(pool, start, velocity, amount, type) >= 0) ++spawned;
  }
  return spawned;
}

int emit_dirt(RoostParticlePool& pool, const RoostWheel& wheel, const RoostType& type, int n,
              double angle_limit) {
  if (!(length(wheel.point_velocity) >= type.slip_threshold)) return 0;
  double spread;
  if (dot(wheel.body_velocity, wheel.point_velocity) >= 0) {
    spread = std::numbers::pi / 64;
  } else {
    double spin = dot(wheel.angular_velocity, wheel.axle);
    double slow2 = double(type.slow_speed) * type.slow_speed;
    double fast2 = double(type.fast_speed) * type.fast_speed;
    double t = fast2 != slow2 ? (spin * spin - slow2) / (fast2 - slow2) : (spin * spin >= fast2);
    t = std::clamp(t, 0.0, 1.0);
    spread = type.slow_angle + (double(type.fast_angle) - type.slow_angle) * t;
  }
  spread = std::min(spread, angle_limit);
  double amount = std::min(wheel.depth, 0.1) * type.dig;
  int spawned = 0;
  for (int i = 0; i < n; ++i) {
    double theta = random_angle(spread);
    Vec3 arm = rotate(wheel.point - wheel.centre, wheel.axle, -theta);
    Vec3 at = wheel.centre + arm;
    Vec3 velocity = wheel.body_velocity + cross(wheel.angular_velocity, arm);
    Vec3 start = at + velocity * (i * kStep / n);
    velocity = (velocity + random_jitter() * type.randomize) * type.vscale;
    if (spawn_roost(pool, start, velocity, amount, type) >= 0) ++spawned;
  }
  return spawned;
}

}  // namespace

int roost_budget(int density) {
  density = std::clamp(density, 0, 1000);
  int budget = density / 100;
  int rest = density % 100;
  if (rest > 0 && random_unit() < rest / 100.0) ++budget;
  return budget;
}

int emit_roost(RoostParticlePool& pool, const RoostWheel& wheel, const SurfaceType& surface,
               int budget, double angle_limit, long step) {
  if (budget <= 0 || !(wheel.depth > 0)) return 0;
  int spawned = 0;
  for (const RoostType& type : surface.roost) {
    if (type.kind == kRoostUnused) break;
    int n = particle_count(type, budget);
    if (n <= 0) continue;
    if (type.kind == kRoostSplash)
      spawned += emit_splash(pool, wheel, type, n, step);
    else
      spawned += emit_dirt(pool, wheel, type, n, angle_limit);
  }
  return spawned;
}
