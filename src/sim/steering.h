#pragma once
// Steering: the torque on the steering head from the steer input and the
// stability aids (roll damping, leveling, roll limit, slow-speed and landing
// damping, direct steering, the countersteering controller, the arcade
// path), and the small body operations the aids, crashes and robots share.

#include "base/vec3.h"
#include "sim/bike.h"

// Roll of a body, radians: acos(up . h) - pi/2, with h the horizontal unit
// vector at right angles to the body's forward (-z) axis; leaning toward its
// +x side is negative. 0 when the body points straight up or down.
double roll_angle(dBodyID body);

// Pushes the body horizontally toward the velocity `target` (ft/s) with up
// to `force` lb: nothing within 1/4 ft/s, full force from 1.5 ft/s off.
void velocity_hold(dBodyID body, Vec3 target, double force);

// Adds `torque` (ft lb) about the steering axis to the front wheel and its
// reaction to the frame.
void steering_torque_apply(Bike& bike, double torque);

// Direction of the front wheel's travel relative to the fork's straight
// ahead, radians; 0 below 1 ft/s.
double front_wheel_heading(const Bike& bike);

// The steering head controller: -2/3..2/3, turning the head toward the
// angle `target` (rad).
double steer_controller(const Bike& bike, double target);

// The lean (rad) the aids allow at speed^2 `v2` (ft^2/s^2): 0 at rest,
// rising as 1 - (1 - v2/D^2)^power to the roll limit angle at 15 ft/s,
// then on to 2 pi at the max dab speed D.
double allowed_lean(const Bike& bike, double v2, int power);

// The steering of one control step: the arcade path with arcade physics,
// else (not crashed) the normal path with every aid. Returns the torque
// applied to the steering head, ft lb (0 when none).
double steering_step(Bike& bike);
