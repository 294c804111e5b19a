#pragma once
// Handing a rider's controls to a bike: the player's input layer, a robot
// or a scripted rider fills a RiderInput and applies it once per tick.

#include "sim/bike.h"

// Setters of the rider's own controls, each clamped (steer and lean to
// -1..1, dab and back-up to 0..1); dab, back-up and lean read 0 while the
// rider is crashed.
void set_steer(Bike& bike, float value);
void set_dab(Bike& bike, float value);
void set_back_up(Bike& bike, float value);
void set_lean(Bike& bike, float value);

// Applies every field through its setter, the shift input included (which
// changes gear only on a new press).
void set_rider_input(Bike& bike, const RiderInput& input);
