#pragma once
// The program's one random generator: a standard MT19937, seeded with the
// tick counter at every session start. Race start, robots, roost and
// collisions all draw from it, so a session replays identically from the
// same seed and inputs.

#include <cstdint>
#include <random>

extern std::mt19937 game_random;

void seed_random(std::uint32_t seed);

// The next raw 32-bit output.
std::uint32_t random_u32();

// Uniform in [0, 1): the low 31 bits times 2^-31.
double random_unit();

// Uniform in [0, 1) from the top 31 bits: (r >> 1) times 2^-31.
double random_unit_top();

// Uniform in [-1/2, 1/2): the low 24 bits times 2^-24, minus 1/2.
double random_centered();

// Uniform angle in [0, range): the low 24 bits times range times 2^-24.
double random_angle(double range);
