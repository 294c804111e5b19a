#pragma once
// The input registry: the event queue, the input devices with their axes
// and buttons, the aliases and the system key names, and the lookups that
// turn names into codes and axis handles and back.
//
// It is plain data with no window behind it: the SDL driver owns the one
// registry of the game and fills it (system key names, joysticks, the
// mouse, events); tests build their own with fake devices.
//
// Lifetime: devices are registered once and stay in the registry until it
// is destroyed. A device that goes away (an unplugged joystick) is only
// marked detached: its axis handles stay valid and read 0, and when a
// device of the same name comes back it takes the same record, so bindings
// made to it work again.

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/event_queue.h"

struct KorbDevice;

// The operations of one kind of device. Any may be null.
struct KorbDeviceOps {
  // First axis handle opened; false when the device cannot be read.
  bool (*open)(KorbDevice& device);
  // Last axis handle closed.
  void (*close)(KorbDevice& device);
  // Absolute axes: -32767..32767. Relative axes: the motion summed since
  // the previous read of that axis.
  int (*read_axis)(KorbDevice& device, int axis);
  // Turns state changes into events (devices without their own events).
  void (*poll)(KorbDevice& device, EventQueue& events);
  // The registry is going away: release what `data` holds.
  void (*free)(KorbDevice& device);
};

struct KorbDevice {
  std::string name;  // unique in the registry, no spaces and no '.'
  int base = 0;      // identifier << 16; button b has the code base + b
  int axes = 0;
  int buttons = 0;
  int open_count = 0;                   // axis handles open on it
  bool attached = true;                 // false while unplugged: axes read 0
  bool watched = false;                 // a key binding names one of its buttons
  std::vector<std::string> axis_names;  // "<name> axis <i>", one per axis
  KorbDeviceOps ops{};
  void* data = nullptr;  // owned by the ops (released by ops.free)
};

// An open axis of a device. Created by open_axis, destroyed by close_axis.
struct KorbAxis {
  KorbDevice* device = nullptr;
  int index = 0;
};

struct KorbInput {
  EventQueue events;
  // unique_ptr so KorbAxis::device stays valid while the list grows.
  std::vector<std::unique_ptr<KorbDevice>> devices;
  std::vector<std::pair<std::string, std::string>> aliases;  // alias, target
  // Name of each scan code as the system's keyboard layer calls it; empty
  // when the system has no name (or no keyboard layer, as in tests).
  std::array<std::string, 512> system_key_names{};
  int next_device_id = 1;

  KorbInput() = default;
  KorbInput(const KorbInput&) = delete;
  KorbInput& operator=(const KorbInput&) = delete;
  ~KorbInput();  // frees every device
};

// Registers the alias. False, with "Second alias for '%s' ('%s') ignored\n"
// logged, when the alias already has a target.
bool add_alias(KorbInput& input, std::string_view alias, std::string_view target);

// The cursor aliases, always present, and those of the mouse and the first
// two joysticks, present when the joystick layer is in use.
void add_cursor_aliases(KorbInput& input);
void add_device_aliases(KorbInput& input);

// Registers a device under `wanted_name` with spaces and '.' removed,
// adding "#2", "#3", ... when the name is taken by an attached device. A
// detached device of exactly that name is taken over (same base, same
// handles). Axis names are filled in. The registry owns the result.
KorbDevice& add_device(KorbInput& input, std::string_view wanted_name, int axes, int buttons,
                       const KorbDeviceOps& ops, void* data);

// Marks the device unplugged: closes it (when open), drops its data
// through ops.free; handles stay valid and read 0.
void detach_device(KorbInput& input, KorbDevice& device);

KorbDevice* find_device(KorbInput& input, std::string_view name);

// The code of a key, button or special name (after its alias), or nothing.
// In order: exact special, system, fixed names; the same loosely; "0x%x";
// a device button ("Dev.key[N]", "Dev button N"), which also starts
// watching that device's buttons.
std::optional<int> find_key(KorbInput& input, std::string_view name);

// The interned name of a code, or null: special names, then the system
// name of a scan code, its fixed name, or "0x%x"; device buttons as
// "Dev button N".
const char* key_name(const KorbInput& input, int code);

// Opens a device axis by name ("Dev.axis[N]", "Dev axis N", or an alias of
// one). Null when the name, the device or the index is unknown, or the
// device cannot be opened. Close with close_axis.
KorbAxis* open_axis(KorbInput& input, std::string_view name);

// The axis reading; 0 for a null handle or a detached device.
int read_axis(KorbAxis* axis);

// Closes the handle (null is fine); the device closes with its last one.
void close_axis(KorbAxis* axis);

// Every axis name of every attached device, for binding capture.
std::vector<std::string> axis_names(const KorbInput& input);

// Lets every device with a poll operation queue its state changes.
void poll_devices(KorbInput& input);
