#include "rider_script.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <sstream>

namespace {

bool parse_number(const std::string& text, double* value) {
  if (text.empty()) return false;
  char* end = nullptr;
  errno = 0;
  const double v = std::strtod(text.c_str(), &end);
  if (*end != '\0' || errno == ERANGE || !std::isfinite(v)) return false;
  *value = v;
  return true;
}

// Sets one named field; false for an unknown name.
bool set_field(RiderInput& input, std::string_view name, double value) {
  const float v = static_cast<float>(value);
  if (name == "throttle")
    input.throttle = v;
  else if (name == "clutch")
    input.clutch = v;
  else if (name == "front_brake")
    input.front_brake = v;
  else if (name == "rear_brake")
    input.rear_brake = v;
  else if (name == "steer")
    input.steer = v;
  else if (name == "dab")
    input.dab = v;
  else if (name == "back_up")
    input.back_up = v;
  else if (name == "lean")
    input.lean = v;
  else if (name == "shift")
    input.shift = value > 0 ? 1 : value < 0 ? -1 : 0;
  else
    return false;
  return true;
}

}  // namespace

bool parse_rider_script(std::string_view text, RiderScript& script, std::string& error) {
  std::istringstream lines{std::string(text)};
  std::string line;
  RiderInput input;
  double last = 0;
  for (int number = 1; std::getline(lines, line); ++number) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::istringstream words(line);
    std::string word;
    if (!(words >> word) || word[0] == '#') continue;
    auto fail = [&](const std::string& what) {
      error = std::to_string(number) + ": " + what;
      return false;
    };
    double seconds = 0;
    if (!parse_number(word, &seconds) || seconds < 0)
      return fail("'" + word + "' is not a time in seconds");
    if (seconds < last) return fail("time goes back");
    last = seconds;
    bool any = false;
    while (words >> word) {
      const size_t eq = word.find('=');
      double value = 0;
      if (eq == std::string::npos || !parse_number(word.substr(eq + 1), &value))
        return fail("'" + word + "' is not name=value");
      if (!set_field(input, std::string_view(word).substr(0, eq), value))
        return fail("unknown control '" + word.substr(0, eq) + "'");
      any = true;
    }
    if (!any) return fail("no control after the time");
    script.steps.push_back({seconds, input});
    input.shift = 0;  // a shift is a press, not a held value
  }
  return true;
}

RiderInput script_input(const RiderScript& script, double seconds) {
  RiderInput input;
  for (const ScriptStep& step : script.steps) {
    if (step.seconds > seconds) break;
    input = step.input;
  }
  return input;
}
