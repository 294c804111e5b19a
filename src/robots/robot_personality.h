#pragma once
// Robot personalities: which line statistics a robot trusts when it picks
// lines, depending on how far it leads, and how quickly it reacts to the
// starting gate.

#include <array>
#include <string_view>

struct AutoPilot;

struct RobotPersonality {
  const char* name;
  // Plan cost types (line_cost): the close type while the robot leads by
  // at most lead_threshold seconds (or does not lead), the far type beyond.
  // A type outside 0..2 is the exploring cost that tries untried lines.
  int close_plan;
  int far_plan;
  float lead_threshold;  // seconds
  // Reaction to the gate drop, drawn uniformly between these (seconds).
  float reaction_min;
  float reaction_max;
};

// Entry 0 is "no robot"; 1 "ash", 2 "elm", 3 "oak", 4 "tester".
inline constexpr int kPersonalityCount = 5;
extern const std::array<RobotPersonality, kPersonalityCount> robot_personalities;

// Index of the personality called `name` among entries 1 to 4, or 0 when
// there is none.
int find_personality(std::string_view name);

// `set_personality`: gives the pilot the named personality. A name not in
// the table logs "auto pilot personality '%s' not found" and selects
// entry 1.
void set_personality(AutoPilot& pilot, std::string_view name);
