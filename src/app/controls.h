#pragma once
// The in-game control table and the nine control slots.
//
// Each of the twelve riding controls (plus an end marker in the constant
// table) references one binding of the settings, a slot and a scale, and
// carries its current value. Every simulation step clears the slots and
// adds scale x value of every entry into its slot, so Left and Right share
// the steer slot with opposite signs and Upshift / Downshift the shift slot.

#include <array>

#include "app/settings.h"
#include "platform/event_queue.h"
#include "sim/bike.h"

// Slot numbers.
enum ControlSlot : int {
  slot_steer = 0,
  slot_throttle = 1,
  slot_front_brake = 2,
  slot_rear_brake = 3,
  slot_shift = 4,
  slot_clutch = 5,
  slot_dab = 6,
  slot_back_up = 7,
  slot_lean = 8,
};

inline constexpr int kControlSlots = 9;
inline constexpr int kControlEntries = 12;  // without the end marker

using ControlSlots = std::array<float, kControlSlots>;

struct ControlEntry {
  KeyBinding* binding = nullptr;  // a binding record of the settings
  int slot = 0;
  float scale = 1;
  float value = 0;  // 1.0 while its key is down; axis entries are read each step
};

using ControlTable = std::array<ControlEntry, kControlEntries>;

// A fresh copy of the table over the given settings' bindings, values 0.
ControlTable make_control_table(Settings& settings);

// A key event: every entry bound to the code takes 1.0 (pressed) or 0.0.
void control_key_event(ControlTable& table, const KorbEvent& event);

// The slots of one step: axis entries read their axis first, then every
// entry adds scale x value into its slot.
ControlSlots sum_control_slots(ControlTable& table);

// How the slots become the local bike's input.
struct RiderInputOptions {
  bool reverse_steering = true;  // "Reversed Steering"
  bool sticky_dab = false;       // "Sticky Sit/Dab"
};

// State kept from step to step for the sticky sit/dab toggle.
struct StickyDab {
  bool down = false;  // slot 6 was at 0.5 or more last step
  float output = 0;   // the toggled value, 0 or 1
};

// The local bike's input from the slots. current_clutch is the bike's
// clutch engagement now: the clutch lets in at most 4 per second (so a
// released clutch lever does not slam the drive in), and goes out at once.
// step in seconds.
RiderInput rider_input_from_slots(const ControlSlots& slots, const RiderInputOptions& options,
                                  float current_clutch, StickyDab& sticky, double step);
