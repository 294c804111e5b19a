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

// What the input layer makes of the raw controls before they reach a bike.

// "Sticky Sit/Dab": each press of the dab control (its value rising to 0.5
// or more from below) toggles dab between 0 and 1. Returns the new dab.
float sticky_dab(float dab, float previous_press, float press);

// Clutch engagement from the lever (0 released .. 1 pulled): clamp(1 -
// lever x 8/7, 0, 1); while that is above the bike's engagement the clutch
// comes in by 4 steps' worth (4/128) per tick instead, so dropping the lever
// lets it in gradually.
float clutch_from_lever(const Bike& bike, float lever);

// The shift control as a shift input: +1 above 0.5, -1 below -0.5, else 0.
int shift_from_control(float value);
