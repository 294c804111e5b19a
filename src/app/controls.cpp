#include "app/controls.h"

#include <algorithm>

#include "platform/input.h"

namespace {

struct ControlDefinition {
  KeyBinding Settings::*binding;
  int slot;
  float scale;
};

constexpr ControlDefinition kControlDefinitions[kControlEntries] = {
    {&Settings::left_key, slot_steer, +1},
    {&Settings::right_key, slot_steer, -1},
    {&Settings::throttle_key, slot_throttle, +1},
    {&Settings::front_brake_key, slot_front_brake, +1},
    {&Settings::rear_brake_key, slot_rear_brake, +1},
    {&Settings::upshift_key, slot_shift, +1},
    {&Settings::downshift_key, slot_shift, -1},
    {&Settings::clutch_key, slot_clutch, +1},
    {&Settings::dab_key, slot_dab, +1},
    {&Settings::back_up_key, slot_back_up, +1},
    {&Settings::lean_forward_key, slot_lean, -1},
    {&Settings::lean_backward_key, slot_lean, +1},
};

}  // namespace

ControlTable make_control_table(Settings& settings) {
  ControlTable table;
  for (int i = 0; i < kControlEntries; ++i) {
    const ControlDefinition& d = kControlDefinitions[i];
    table[i] = {&(settings.*d.binding), d.slot, d.scale, 0};
  }
  return table;
}

void control_key_event(ControlTable& table, const KorbEvent& event) {
  for (ControlEntry& entry : table) {
    if (entry.binding->key_code != kNoKey && entry.binding->key_code == event.code)
      entry.value = event.pressed ? 1.0f : 0.0f;
  }
}

ControlSlots sum_control_slots(ControlTable& table) {
  ControlSlots slots{};
  for (ControlEntry& entry : table) {
    const KeyBinding& b = *entry.binding;
    if (b.axis) entry.value = axis_binding_value(read_axis(b.axis), b.range_low, b.range_high);
    slots[entry.slot] += entry.scale * entry.value;
  }
  return slots;
}

RiderInput rider_input_from_slots(const ControlSlots& slots, const RiderInputOptions& options,
                                  float current_clutch, StickyDab& sticky, double step) {
  RiderInput in;
  in.steer = options.reverse_steering ? -slots[slot_steer] : slots[slot_steer];
  in.front_brake = slots[slot_front_brake];
  in.rear_brake = slots[slot_rear_brake];
  in.throttle = slots[slot_throttle];
  bool dab_down = slots[slot_dab] >= 0.5f;
  if (options.sticky_dab) {
    if (dab_down && !sticky.down) sticky.output = sticky.output > 0 ? 0.0f : 1.0f;
    in.dab = sticky.output;
  } else {
    in.dab = slots[slot_dab];
  }
  sticky.down = dab_down;
  in.back_up = slots[slot_back_up];
  in.lean = slots[slot_lean];
  float wanted = std::clamp(1.0f - slots[slot_clutch] / 0.875f, 0.0f, 1.0f);
  if (wanted > current_clutch)
    wanted = std::min(wanted, current_clutch + 4.0f * static_cast<float>(step));
  in.clutch = wanted;
  in.shift = slots[slot_shift] > 0.5f ? 1 : slots[slot_shift] < -0.5f ? -1 : 0;
  return in;
}
