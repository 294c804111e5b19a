#include "platform/key_names.h"

#include <array>
#include <cctype>
#include <cstdio>

namespace {

constexpr std::array<SpecialKeyName, 4> kSpecialNames{{
    {"Close", kCloseCode},
    {"Mouse Left", kMouseLeftCode},
    {"Mouse Middle", kMouseMiddleCode},
    {"Mouse Right", kMouseRightCode},
}};

// True set-1 codes: N is 0x31 and M is 0x32, so the default bindings "n"
// and "m" reach the keys printed N and M even without system key names.
constexpr std::array<FixedKeyName, 98> kFixedNames{{
    {"Esc", 0x01},        {"0", 0x0B},           {"1", 0x02},         {"2", 0x03},
    {"3", 0x04},          {"4", 0x05},           {"5", 0x06},         {"6", 0x07},
    {"7", 0x08},          {"8", 0x09},           {"9", 0x0A},         {"A", 0x1E},
    {"B", 0x30},          {"C", 0x2E},           {"D", 0x20},         {"E", 0x12},
    {"F", 0x21},          {"G", 0x22},           {"H", 0x23},         {"I", 0x17},
    {"J", 0x24},          {"K", 0x25},           {"L", 0x26},         {"M", 0x32},
    {"N", 0x31},          {"O", 0x18},           {"P", 0x19},         {"Q", 0x10},
    {"R", 0x13},          {"S", 0x1F},           {"T", 0x14},         {"U", 0x16},
    {"V", 0x2F},          {"W", 0x11},           {"X", 0x2D},         {"Y", 0x15},
    {"Z", 0x2C},          {"-", 0x0C},           {"=", 0x0D},         {"[", 0x1A},
    {"]", 0x1B},          {";", 0x27},           {"'", 0x28},         {"`", 0x29},
    {"\\", 0x2B},         {",", 0x33},           {".", 0x34},         {"/", 0x35},
    {"Backspace", 0x0E},  {"Tab", 0x0F},         {"Enter", 0x1C},     {"Left Ctrl", 0x1D},
    {"Left Shift", 0x2A}, {"Right Shift", 0x36}, {"Space", 0x39},     {" ", 0x39},
    {"Caps Lock", 0x3A},  {"Right Ctrl", 0x11D}, {"Insert", 0x152},   {"Delete", 0x153},
    {"Home", 0x147},      {"End", 0x14F},        {"Page Up", 0x149},  {"Page Down", 0x151},
    {"Up", 0x148},        {"Down", 0x150},       {"Left", 0x14B},     {"Right", 0x14D},
    {"F1", 0x3B},         {"F2", 0x3C},          {"F3", 0x3D},        {"F4", 0x3E},
    {"F5", 0x3F},         {"F6", 0x40},          {"F7", 0x41},        {"F8", 0x42},
    {"F9", 0x43},         {"F10", 0x44},         {"F11", 0x57},       {"F12", 0x58},
    {"Pause", 0x45},      {"Num Lock", 0x145},   {"Keypad /", 0x135}, {"Keypad *", 0x37},
    {"Keypad -", 0x4A},   {"Keypad 7", 0x47},    {"Keypad 8", 0x48},  {"Keypad 9", 0x49},
    {"Keypad +", 0x4E},   {"Keypad 4", 0x4B},    {"Keypad 5", 0x4C},  {"Keypad 6", 0x4D},
    {"Keypad 1", 0x4F},   {"Keypad 2", 0x50},    {"Keypad 3", 0x51},  {"Keypad Enter", 0x11C},
    {"Keypad 0", 0x52},   {"Keypad .", 0x53},
}};

char loose_char(char c) {
  if (c == '_' || std::isspace(static_cast<unsigned char>(c))) return ' ';
  return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

// sscanf wants a terminated string and a name may come from anywhere;
// 200 characters is far beyond any valid device reference.
std::optional<std::string> bounded_copy(std::string_view name) {
  if (name.size() > 200) return std::nullopt;
  return std::string(name);
}

// Tries "%63[^.].<word>[%d]" then "%63s <word2> %d", requiring the whole
// name to be used so that trailing junk never names a device.
std::optional<DeviceRef> parse_device_part(std::string_view name, const char* bracket_format,
                                           const char* spaced_format) {
  auto text = bounded_copy(name);
  if (!text) return std::nullopt;
  char device[64];
  int index = 0;
  int used = -1;
  if (std::sscanf(text->c_str(), bracket_format, device, &index, &used) == 2 && used >= 0 &&
      static_cast<std::size_t>(used) == text->size() && index >= 0) {
    return DeviceRef{device, index};
  }
  used = -1;
  if (std::sscanf(text->c_str(), spaced_format, device, &index, &used) == 2 && used >= 0 &&
      static_cast<std::size_t>(used) == text->size() && index >= 0) {
    return DeviceRef{device, index};
  }
  return std::nullopt;
}

}  // namespace

std::span<const SpecialKeyName> special_key_names() { return kSpecialNames; }

std::span<const FixedKeyName> fixed_key_names() { return kFixedNames; }

bool loose_key_equal(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (loose_char(a[i]) != loose_char(b[i])) return false;
  }
  return true;
}

std::optional<int> parse_hex_scan_code(std::string_view name) {
  if (name.size() < 3 || name.substr(0, 2) != "0x") return std::nullopt;
  int value = 0;
  for (char c : name.substr(2)) {
    int digit;
    if (c >= '0' && c <= '9') {
      digit = c - '0';
    } else if (c >= 'a' && c <= 'f') {
      digit = c - 'a' + 10;
    } else if (c >= 'A' && c <= 'F') {
      digit = c - 'A' + 10;
    } else {
      return std::nullopt;
    }
    value = value * 16 + digit;
    if (value > kMaxScanCode) return std::nullopt;
  }
  return value;
}

std::optional<DeviceRef> parse_device_button(std::string_view name) {
  return parse_device_part(name, "%63[^.].key[%d]%n", "%63s button %d%n");
}

std::optional<DeviceRef> parse_device_axis(std::string_view name) {
  return parse_device_part(name, "%63[^.].axis[%d]%n", "%63s axis %d%n");
}

std::string device_button_name(std::string_view device, int button) {
  char text[1100];
  std::snprintf(text, sizeof text, "%.1000s button %d", std::string(device).c_str(), button);
  return text;
}

std::string device_axis_name(std::string_view device, int axis) {
  char text[300];
  std::snprintf(text, sizeof text, "%.200s axis %d", std::string(device).c_str(), axis);
  return text;
}

std::string hex_scan_code_name(int scan) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%x", scan);
  return text;
}
