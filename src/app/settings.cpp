#include "app/settings.h"

#include "platform/intern.h"

const std::vector<std::string> lineup_choices = {"Empty", "Human", "Robot", "Robot (2 stroke)",
                                                 "Robot (4 stroke)"};

const std::vector<std::string> bike_choices = {
    "crf250(2009)", "kx250f(2009)", "rmz250(2009)",    "yz250f(2009)", "crf250(2008)",
    "kx250f(2008)", "rmz250(2008)", "yz250f(2008)",    "crf250(2007)", "kx250f(2007)",
    "rmz250(2007)", "yz250f(2007)", "yz250f_se(2006)", "cr125",        "kx125",
    "rm125",        "yz125",        "rs50cr",          "rs50kx",       "rs50rm",
    "rs50yz"};

// A local race server works with no set-up; players type their own host.
const char* const default_server_name = "localhost";

Settings user_settings;

bool ChoiceSetting::select(const std::string& wanted) {
  for (size_t i = 0; i < choices.size(); ++i)
    if (choices[i] == wanted) {
      current = static_cast<int>(i);
      return true;
    }
  return false;
}

namespace {
KeyBinding key_binding(const char* label, const char* key) {
  KeyBinding binding;
  binding.label = label;
  binding.key_name = intern_string(key);
  return binding;
}
}  // namespace

Settings::Settings()
    : throttle_key(key_binding("Throttle", "x")),
      front_brake_key(key_binding("Front Brake", "c")),
      rear_brake_key(key_binding("Rear Brake", "v")),
      left_key(key_binding("Left", "left")),
      right_key(key_binding("Right", "right")),
      clutch_key(key_binding("Clutch", "z")),
      upshift_key(key_binding("Upshift", "up")),
      downshift_key(key_binding("Downshift", "down")),
      dab_key(key_binding("Sit/Dab", "right ctrl")),
      back_up_key(key_binding("Back up", "b")),
      lean_forward_key(key_binding("Lean Forward", "n")),
      lean_backward_key(key_binding("Lean Backward", "m")),
      pause_key(key_binding("Pause", "pause")),
      step_key(key_binding("Step", ".")),
      rewind_key(key_binding("Rewind", "\\")),
      skip_key(key_binding("Skip", "/")),
      prev_key(key_binding("Previous Bike", "[")),
      next_key(key_binding("Next Bike", "]")),
      console_key(key_binding("Chat", "t")),
      screenshot_key(key_binding("Screenshot", "s")) {
  for (int i = 0; i < lineup_slots; ++i)
    gates[static_cast<size_t>(i)] = {"Gate " + std::to_string(i + 1), lineup_choices, 0};
  for (TextSetting& entry : server_history) entry = {"Server", 126, ""};
}
