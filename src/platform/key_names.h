#pragma once
// The input code space and the pure rules for naming keys, device buttons
// and device axes. Nothing here needs a window or a device: the registry
// (platform/input.h) combines these rules with the devices it knows.
//
// Code space of input events:
//   0..255                 a typed character (always "pressed")
//   0x1000 + s, s 0..511   keyboard key with PC set-1 scan code s; bit 8 of s
//                          marks an extended key (Right Ctrl is 0x111D)
//   0x2000..0x2002         the window's mouse buttons left, middle, right
//   0xDEAD                 the window's close request
//   base + b, b 0..255     button b of an input device; base = id << 16

#include <optional>
#include <span>
#include <string>
#include <string_view>

inline constexpr int kKeyCodeBase = 0x1000;
inline constexpr int kMaxScanCode = 511;
inline constexpr int kMouseLeftCode = 0x2000;
inline constexpr int kMouseMiddleCode = 0x2001;
inline constexpr int kMouseRightCode = 0x2002;
inline constexpr int kCloseCode = 0xDEAD;
inline constexpr int kTabCharacter = 9;
// Device identifiers live in bits 16-30; a device's buttons are base + b.
inline constexpr int kDeviceShift = 16;
inline constexpr int kMaxDeviceButton = 255;

// A name bound to a code that is not a scan code.
struct SpecialKeyName {
  const char* name;
  int code;
};

// A fixed key name and its scan code (0..511, bit 8 = extended).
struct FixedKeyName {
  const char* name;
  int scan;
};

// "Close", "Mouse Left", "Mouse Middle", "Mouse Right".
std::span<const SpecialKeyName> special_key_names();

// The 98 fixed names that keep default bindings working whatever the
// system calls its keys. Scan codes are the true PC set-1 codes.
std::span<const FixedKeyName> fixed_key_names();

// Loose comparison of key names: letters compare without case, and '_'
// and any white space count as one space character each.
bool loose_key_equal(std::string_view a, std::string_view b);

// "0x%x" with nothing after the digits: a scan code 0..511, else nothing.
std::optional<int> parse_hex_scan_code(std::string_view name);

// A device part of a name: the device name and a button or axis index.
struct DeviceRef {
  std::string device;
  int index = 0;
};

// "Dev.key[N]" or "Dev button N" (device names have no spaces and no
// '.', at most 63 characters). Negative indices are refused; range checks
// against the device are the caller's.
std::optional<DeviceRef> parse_device_button(std::string_view name);

// "Dev.axis[N]" or "Dev axis N", same rules.
std::optional<DeviceRef> parse_device_axis(std::string_view name);

// "%.1000s button %d": how a device button is shown and stored.
std::string device_button_name(std::string_view device, int button);

// "%.200s axis %d": the names devices give their axes.
std::string device_axis_name(std::string_view device, int axis);

// "0x%x" of a scan code, the name of a key without any other name.
std::string hex_scan_code_name(int scan);
