#pragma once
// The 39-byte quantised picture of one bike at one tick, carried by demo
// files and the network, and the blend of two such pictures.
//
// Layout (all multi-byte numbers least significant byte first; Q24, Q16
// and Q8 store a fraction f in 0..1 as floor(f * (2^n - 1))):
//   0  frame x, y, z: Q24 each, x and z over 0..E, y over H..H+E
//      (E = height field extent, H = its min_height, feet)
//   9  frame orientation: quaternion w, x, y, z, each Q16 of (c + 1) / 2
//  17  steering head angle: Q8 over -pi/4..pi/4
//  18  swingarm pivot angle: Q8 over -T..0 (T = model's swingarm travel)
//  19  fork slide position: Q8 over -F..0 (F = model's fork travel)
//  20  rider position minus frame position, x, y, z: Q16 each over -16..16 ft
//  26  rider orientation, as at 9
//  34  front and rear axle angles: Q8 each over -pi..pi
//  36  flags: riding: gear 0..6 in bits 0-2, foot down in bit 3, throttle
//      * 15 in bits 4-7; crashed: 7 in bits 0-2, crash counter in bits 4-7
//  37  engine speed: Q16 of rpm over 0..32768
// Every value is clamped to its range before it is stored. The decoder is
// apply_state (sim/apply_state.h).

#include <array>
#include <cstdint>

#include "sim/apply_state.h"

struct Bike;

using BikeState = std::array<std::uint8_t, bike_state_size>;

// Fills `out` from the bike's current bodies, joints, controls and engine.
// `extent` and `min_height` are those of the loaded height field.
void encode_state(const Bike& bike, double extent, double min_height, BikeState& out);

// Writes into `out` the state `t` (0..1, clamped) of the way from `a` to
// `b`: positions, rider offset and engine speed linearly, orientations by
// normalised linear blend on the shorter arc, wheel angles the short way
// round the wrap (a backward step of up to an eighth of a turn blends
// backwards, anything else forwards), throttle bits from `a` and the gear
// bits blended as a number. `out` may alias `a` or `b`.
void blend_states(BikeState& out, const BikeState& a, const BikeState& b, double t);
