#include "platform/options.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>

#include "platform/log.h"

namespace {

// The value text following "[name:" (up to the end of the options), or
// nothing when the option is absent.
bool find_value(std::string_view options_text, const char* name, std::string_view& value) {
  char key[80];
  std::snprintf(key, sizeof key, "[%.60s:", name);
  size_t at = options_text.find(key);
  if (at == std::string_view::npos) return false;
  value = options_text.substr(at + std::string_view(key).size());
  return true;
}

std::string_view options_text() {
  static std::once_flag once;
  static std::string text;
  std::call_once(once, [] {
    if (const char* value = std::getenv("KORB_OPTIONS")) text = value;
  });
  return text;
}

}  // namespace

bool option_flag_in(std::string_view options_text, const char* name, bool default_value) {
  std::string_view value;
  if (!find_value(options_text, name, value)) return default_value;
  if (value.starts_with("yes]") || value.starts_with("on]")) return true;
  if (value.starts_with("no]") || value.starts_with("off]")) return false;
  korb_log("unrecognized setting for %s\n", name);
  return default_value;
}

int option_int_in(std::string_view options_text, const char* name, int default_value) {
  std::string_view value;
  if (!find_value(options_text, name, value)) return default_value;
  size_t i = 0;
  bool negative = false;
  if (i < value.size() && (value[i] == '+' || value[i] == '-')) negative = value[i++] == '-';
  if (i >= value.size() || value[i] < '0' || value[i] > '9') {
    korb_log("unrecognized setting for %s\n", name);
    return default_value;
  }
  // Accumulate with saturation: an absurd number must not overflow.
  long long number = 0;
  for (; i < value.size() && value[i] >= '0' && value[i] <= '9'; ++i)
    number = std::min<long long>(number * 10 + (value[i] - '0'), 1LL << 32);
  if (negative) number = -number;
  return static_cast<int>(std::clamp<long long>(number, INT_MIN, INT_MAX));
}

bool korb_option_flag(const char* name, bool default_value) {
  return option_flag_in(options_text(), name, default_value);
}

int korb_option_int(const char* name, int default_value) {
  return option_int_in(options_text(), name, default_value);
}
