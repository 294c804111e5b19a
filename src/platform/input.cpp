#include "platform/input.h"

#include <algorithm>
#include <string>

#include "platform/intern.h"
#include "platform/key_names.h"
#include "platform/log.h"

namespace {

std::string_view resolve_alias(const KorbInput& input, std::string_view name) {
  for (const auto& [alias, target] : input.aliases) {
    if (alias == name) return target;
  }
  return name;
}

std::string device_base_name(std::string_view wanted) {
  std::string name;
  for (char c : wanted) {
    if (c != ' ' && c != '.' && c != '\t' && c != '\n' && c != '\r') name += c;
  }
  // Names are read back with "%63s": leave room for a "#NN" suffix.
  if (name.size() > 59) name.resize(59);
  return name;
}

KorbDevice* device_of_code(const KorbInput& input, int code) {
  for (const auto& device : input.devices) {
    int button = code - device->base;
    if (button >= 0 && button < device->buttons && button <= kMaxDeviceButton) return device.get();
  }
  return nullptr;
}

// One pass of the name lookup over the special, system and fixed names.
template <typename Equal>
std::optional<int> find_named_key(const KorbInput& input, std::string_view name, Equal equal) {
  for (const auto& special : special_key_names()) {
    if (equal(special.name, name)) return special.code;
  }
  for (int scan = 0; scan <= kMaxScanCode; ++scan) {
    const std::string& system = input.system_key_names[scan];
    if (!system.empty() && equal(system, name)) return kKeyCodeBase + scan;
  }
  for (const auto& fixed : fixed_key_names()) {
    if (equal(fixed.name, name)) return kKeyCodeBase + fixed.scan;
  }
  return std::nullopt;
}

}  // namespace

KorbInput::~KorbInput() {
  for (auto& device : devices) {
    if (device->attached && device->ops.free) device->ops.free(*device);
  }
}

bool add_alias(KorbInput& input, std::string_view alias, std::string_view target) {
  for (const auto& [existing, old_target] : input.aliases) {
    if (existing == alias) {
      korb_log("Second alias for '%s' ('%s') ignored\n", std::string(alias).c_str(),
               std::string(target).c_str());
      return false;
    }
  }
  input.aliases.emplace_back(alias, target);
  return true;
}

void add_cursor_aliases(KorbInput& input) {
  add_alias(input, "cursor-x", "cursor.axis[0]");
  add_alias(input, "cursor-y", "cursor.axis[1]");
  add_alias(input, "cursor-left", "Mouse Left");
  add_alias(input, "cursor-middle", "Mouse Middle");
  add_alias(input, "cursor-right", "Mouse Right");
}

void add_device_aliases(KorbInput& input) {
  static constexpr std::pair<const char*, const char*> kAliases[] = {
      {"mouse-x", "Mouse.axis[0]"},          {"mouse-y", "Mouse.axis[1]"},
      {"mouse-left", "Mouse.key[0]"},        {"mouse-right", "Mouse.key[1]"},
      {"mouse-middle", "Mouse.key[2]"},      {"joystick-a-x", "Joystick1.axis[0]"},
      {"joystick-a-y", "Joystick1.axis[1]"}, {"joystick-a-1", "Joystick1.key[0]"},
      {"joystick-a-2", "Joystick1.key[1]"},  {"joystick-b-x", "Joystick2.axis[0]"},
      {"joystick-b-y", "Joystick2.axis[1]"}, {"joystick-b-1", "Joystick2.key[0]"},
      {"joystick-b-2", "Joystick2.key[1]"},
  };
  for (const auto& [alias, target] : kAliases) add_alias(input, alias, target);
}

KorbDevice& add_device(KorbInput& input, std::string_view wanted_name, int axes, int buttons,
                       const KorbDeviceOps& ops, void* data) {
  const std::string base_name = device_base_name(wanted_name);
  KorbDevice* device = nullptr;
  std::string name = base_name;
  for (int suffix = 2;; ++suffix) {
    KorbDevice* same = find_device(input, name);
    if (!same) break;
    if (!same->attached) {
      device = same;
      break;
    }
    name = base_name + "#" + std::to_string(suffix);
  }
  if (!device) {
    input.devices.push_back(std::make_unique<KorbDevice>());
    device = input.devices.back().get();
    device->name = name;
    device->base = input.next_device_id++ << kDeviceShift;
  }
  device->axes = axes;
  device->buttons = buttons;
  device->attached = true;
  device->ops = ops;
  device->data = data;
  device->axis_names.clear();
  for (int i = 0; i < axes; ++i) device->axis_names.push_back(device_axis_name(device->name, i));
  // Handles kept across the unplug now read the new device: open it again.
  if (device->open_count > 0 && device->ops.open && !device->ops.open(*device)) {
    korb_log("Can't open \"%s\" again\n", device->name.c_str());
  }
  return *device;
}

void detach_device(KorbInput&, KorbDevice& device) {
  if (!device.attached) return;
  if (device.open_count > 0 && device.ops.close) device.ops.close(device);
  if (device.ops.free) device.ops.free(device);
  device.data = nullptr;
  device.attached = false;
}

KorbDevice* find_device(KorbInput& input, std::string_view name) {
  for (auto& device : input.devices) {
    if (device->name == name) return device.get();
  }
  return nullptr;
}

std::optional<int> find_key(KorbInput& input, std::string_view name) {
  name = resolve_alias(input, name);
  if (auto code = find_named_key(input, name,
                                 [](std::string_view a, std::string_view b) { return a == b; }))
    return code;
  if (auto code = find_named_key(input, name, loose_key_equal)) return code;
  if (auto scan = parse_hex_scan_code(name)) return kKeyCodeBase + *scan;
  if (auto ref = parse_device_button(name)) {
    KorbDevice* device = find_device(input, ref->device);
    if (device && ref->index <= kMaxDeviceButton && ref->index < device->buttons) {
      device->watched = true;
      return device->base + ref->index;
    }
  }
  return std::nullopt;
}

const char* key_name(const KorbInput& input, int code) {
  for (const auto& special : special_key_names()) {
    if (special.code == code) return intern_string(special.name);
  }
  if (code >= kKeyCodeBase && code <= kKeyCodeBase + kMaxScanCode) {
    int scan = code - kKeyCodeBase;
    if (!input.system_key_names[scan].empty()) return intern_string(input.system_key_names[scan]);
    for (const auto& fixed : fixed_key_names()) {
      if (fixed.scan == scan) return intern_string(fixed.name);
    }
    return intern_string(hex_scan_code_name(scan));
  }
  if (const KorbDevice* device = device_of_code(input, code)) {
    return intern_string(device_button_name(device->name, code - device->base));
  }
  return nullptr;
}

KorbAxis* open_axis(KorbInput& input, std::string_view name) {
  name = resolve_alias(input, name);
  auto ref = parse_device_axis(name);
  if (!ref) return nullptr;
  KorbDevice* device = find_device(input, ref->device);
  if (!device || ref->index >= device->axes) return nullptr;
  if (device->open_count == 0 && device->attached && device->ops.open &&
      !device->ops.open(*device)) {
    return nullptr;
  }
  ++device->open_count;
  return new KorbAxis{device, ref->index};
}

int read_axis(KorbAxis* axis) {
  if (!axis || !axis->device->attached || !axis->device->ops.read_axis) return 0;
  return axis->device->ops.read_axis(*axis->device, axis->index);
}

void close_axis(KorbAxis* axis) {
  if (!axis) return;
  KorbDevice& device = *axis->device;
  if (--device.open_count == 0 && device.attached && device.ops.close) device.ops.close(device);
  delete axis;
}

std::vector<std::string> axis_names(const KorbInput& input) {
  std::vector<std::string> names;
  for (const auto& device : input.devices) {
    if (!device->attached) continue;
    names.insert(names.end(), device->axis_names.begin(), device->axis_names.end());
  }
  return names;
}

void poll_devices(KorbInput& input) {
  for (auto& device : input.devices) {
    if (device->attached && device->ops.poll) device->ops.poll(*device, input.events);
  }
}
