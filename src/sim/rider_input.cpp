#include "sim/rider_input.h"

#include <algorithm>
#include <cmath>

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

float sticky_dab(float dab, float previous_press, float press) {
  bool pressed = previous_press < 0.5f && press >= 0.5f;
  if (!pressed) return dab;
  return dab > 0 ? 0.0f : 1.0f;
}

float clutch_from_lever(const Bike& bike, float lever) {
  float wanted = std::clamp(1 - lever * 8.0f / 7.0f, 0.0f, 1.0f);
  if (std::isnan(lever)) wanted = bike.clutch;
  if (wanted > bike.clutch) wanted = bike.clutch + 4.0f / 128;
  return std::clamp(wanted, 0.0f, 1.0f);
}

int shift_from_control(float value) { return value > 0.5f ? 1 : value < -0.5f ? -1 : 0; }
