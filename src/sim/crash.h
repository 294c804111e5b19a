#pragma once
// The crash cycle: the rider torn off, tumbling tethered to the grips, lying
// still, reeled back onto the seat and re-attached; and the loose feet.
//
// crash_counter: 0 riding, 512 just crashed and held there while the rider
// moves at 2 ft/s or more, then counting down; below 512 he is reeled in,
// at 0 he is back on the bike.

#include "sim/bike.h"
#include "track/terrain.h"

// Crashes a riding bike: releases the rider mount, puts the loose feet at
// the foot pegs moving with the rider, and sets the crash counter to 512.
// Does nothing while already crashed.
void crash(Bike& bike);

// The crash tests of the control step's start (rider speed against the
// frame's at his seat above 31 ft/s; rider deceleration over four ticks, with
// gravity, above 1376 ft/s^2). Only while riding with a collision timer not
// negative. Crashes and returns true when one fires.
bool crash_tests(Bike& bike, int tick);

// One step of a crashed bike (counter above 0): tethers, counting down,
// reeling in, re-attaching at 0.
void crash_step(Bike& bike);

// Puts both loose feet at the foot pegs, moving with the rider body. Done
// by `crash`, and by whoever turns a state-driven bike's rider loose.
void place_loose_feet(Bike& bike);

// Every step: the foot-down amount falls by 4 per second; while crashed the
// loose feet fall, stop on the ground (when `terrain` is given) and stay at
// leg's length from the hips.
void feet_step(Bike& bike, const Terrain* terrain);
