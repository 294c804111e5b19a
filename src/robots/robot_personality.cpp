#include "robots/robot_personality.h"

#include <string>

#include "platform/log.h"
#include "robots/auto_pilot.h"

// "ash" always follows the proven whole-lap costs; "elm" trusts lines
// tested once while the race is close and turns careful with a big lead;
// "oak" reacts fastest; "tester" explores untried lines.
const std::array<RobotPersonality, kPersonalityCount> robot_personalities = {{
    {"empty", 0, 0, 0.0f, 0.0f, 0.0f},
    {"ash", 0, 0, 1.0f, 0.2f, 0.4f},
    {"elm", 2, 1, 10.0f, 0.2f, 0.4f},
    {"oak", 1, 0, 10.0f, 0.0f, 0.1f},
    {"tester", 3, 3, 1.0f, 0.2f, 0.4f},
}};

int find_personality(std::string_view name) {
  for (int i = 1; i < kPersonalityCount; ++i)
    if (name == robot_personalities[i].name) return i;
  return 0;
}

void set_personality(AutoPilot& pilot, std::string_view name) {
  int index = find_personality(name);
  if (index == 0) {
    std::string text(name);
    korb_log("auto pilot personality '%s' not found\n", text.c_str());
    index = 1;
  }
  pilot.personality = index;
}
