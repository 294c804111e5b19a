#pragma once
// The per-tick work of one bike after the world step: collision timer,
// crash tests and crash handling, back-up and dab-when-stopped, rider seat
// springs, suspension, steering and its aids, drivetrain, steering damping,
// joint force correction, foot down and the loose feet, in that fixed order.

#include <functional>

#include "base/vec3.h"
#include "sim/bike.h"
#include "track/terrain.h"

// What the control step needs from the session around the bike. Everything
// but `tick` may be left empty; a missing piece switches off only what
// depends on it (no terrain: no foot-down ground test and the loose feet
// ignore the ground; no hooks: no stopped turn).
struct ControlContext {
  int tick = 0;       // the game's tick counter
  int drop_tick = 0;  // tick at which the starting gate drops (back-up pulses wait for it)
  const Terrain* terrain = nullptr;
  // Asked only when a bike stands still on its foot: true when the stopped
  // turn may point it along the course. Race control answers: the track has
  // timing gates, the bike has crossed one and is not finished, and the
  // finish test does not finish it now (which it marks itself).
  std::function<bool(Bike&)> may_turn_when_stopped;
  // The point the stopped turn aims the bike at (a robot's path point, the
  // fastest recorded line, or the next checkpoint), world feet.
  std::function<Vec3(const Bike&)> guide_point;
};

// One tick of a bike. With `simulated` false (a bike driven by received or
// recorded states) only the force and torque of all seven bodies are set to
// zero. Call after the world step, once per bike per tick.
void control_step(Bike& bike, const ControlContext& context, bool simulated = true);
