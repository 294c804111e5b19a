#include "sim/rider_input.h"

#include <algorithm>

#include "sim/drivetrain.h"

namespace {

float unless_crashed(const Bike& bike, float value) { return bike.crash_counter > 0 ? 0 : value; }

}  // namespace

void set_steer(Bike& bike, float value) { bike.steer = std::clamp(value, -1.0f, 1.0f); }

void set_dab(Bike& bike, float value) {
  bike.dab = unless_crashed(bike, std::clamp(value, 0.0f, 1.0f));
}

void set_back_up(Bike& bike, float value) {
  bike.back_up = unless_crashed(bike, std::clamp(value, 0.0f, 1.0f));
}

void set_lean(Bike& bike, float value) {
  bike.lean = unless_crashed(bike, std::clamp(value, -1.0f, 1.0f));
}

void set_rider_input(Bike& bike, const RiderInput& input) {
  set_throttle(bike, input.throttle);
  set_clutch(bike, input.clutch);
  set_front_brake(bike, input.front_brake);
  set_rear_brake(bike, input.rear_brake);
  set_steer(bike, input.steer);
  set_dab(bike, input.dab);
  set_back_up(bike, input.back_up);
  set_lean(bike, input.lean);
  shift(bike, input.shift);
}
