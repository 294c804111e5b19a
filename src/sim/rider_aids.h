#pragma once
// What the rider does with his body and feet in a control step: sits on
// the seat springs, backs the bike up, holds it still when stopped, puts a
// foot down (which rights a leaning bike and can turn a stopped one).

#include "sim/control_step.h"

// The max dab speed in force, ft/s: the setting, or at least 75 while the
// collision timer is -512 or below.
double dab_speed(const Bike& bike);

// Back-up (input above 0, below 5 ft/s) or, with dab when stopped, the
// stopped hold: may raise dab and both brakes for this step.
void backup_or_hold(Bike& bike, const ControlContext& context);

// The two soft springs between the rider and his seat point (fore-aft with
// lean and dab, vertical with dab) and the rider mount's suspension.
void rider_springs(Bike& bike);

// Foot down: raises the foot-down amount, rights the bike, and turns a bike
// standing on its foot toward the guide point.
void foot_down(Bike& bike, const ControlContext& context);
