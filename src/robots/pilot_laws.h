#pragma once
// The auto pilot's control laws that need no bike: pedals for a target
// speed, the clutch launch, the lean for a turn radius and the throttle
// rate limit. Speeds in ft/s, angles in radians, times in seconds.

struct PedalCommand {
  float throttle = 0;
  float clutch = 1;
  float front_brake = 0;
  float rear_brake = 0;
};

// `speed_control` with the rear wheel on the ground and the rider up: full
// throttle below V - 1; from there throttle falls off over 1 ft/s of
// excess, and from 1 ft/s above V the brakes come on, fully 1 ft/s later.
// Clutch engaged above first gear (gear index > 0); in first gear it
// slips in over the 1000 rpm below the downshift speed.
PedalCommand ground_speed_law(double v, double target, int gear, double engine_rpm,
                              double downshift_rpm);

// `launch` at x seconds after the reaction moment: the clutch comes out
// over 0.25 s at full throttle while the foot lifts; automatic shifting
// takes over once it is three quarters out.
struct LaunchCommand {
  float throttle = 1;
  float clutch = 0;
  float dab = 1;
  bool auto_shift = false;  // false: held in the start gear
};
LaunchCommand launch_law(double x);

// The lean (signed) that rides a circle of radius r (signed, positive
// toward the side vector) at speed v under the load factor G.
double desired_lean(double v, double r, double load);

// Radius (signed, feet) of the circle through the bike's position, tangent
// to its travel, that reaches the target at side offset x and distance y
// ahead, when the bike already turns on a circle of signed radius rho:
// the target is pushed away from that circle by twice its distance so the
// robot does not settle beside the line. Behind the bike: 10 toward the
// target's side.
double radius_to_target(double x, double y, double rho);

// The throttle rate limit: within 1/8 s of a friction cut the throttle may
// only rise by 1/32 per tick; otherwise it may only fall by 1/32 per tick.
// Returns the limited throttle, clamped to [0, 1].
double limit_throttle(double throttle, double last, bool recently_limited);

// Largest lean while riding to a point in recovery: 0.5 at 20 ft/s and
// above, down to 1/6 at 10 ft/s and below.
double recovery_max_lean(double v);
