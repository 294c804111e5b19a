#include "base/random.h"

std::mt19937 game_random;

void seed_random(std::uint32_t seed) { game_random.seed(seed); }

std::uint32_t random_u32() { return static_cast<std::uint32_t>(game_random()); }

double random_unit() { return (random_u32() & 0x7fffffffu) * (1.0 / 2147483648.0); }

double random_unit_top() { return (random_u32() >> 1) * (1.0 / 2147483648.0); }

double random_centered() { return (random_u32() & 0xffffffu) * (1.0 / 16777216.0) - 0.5; }

double random_angle(double range) {
  return (random_u32() & 0xffffffu) * range * (1.0 / 16777216.0);
}
