#include "race/robot_driver.h"

#include <vector>

#include "race/session.h"
#include "robots/auto_pilot.h"
#include "robots/robot_roster.h"

void install_robot_driver() {
  // The roster in race control's terms; built once, lives until exit.
  static const std::vector<RosterEntry> roster = [] {
    std::vector<RosterEntry> r;
    for (const RobotRosterEntry& e : robot_roster)
      r.push_back({e.number, e.personality, e.model, roster_textures(e)});
    return r;
  }();
  session_hooks.roster = roster;
  session_hooks.robot_created = [](GameState&, int slot, const RosterEntry& entry, bool practice) {
    start_robot(slot, entry.personality, practice);
  };
  session_hooks.auto_pilot = [](GameState& game, int slot) { auto_pilot(game, slot); };
  session_hooks.robot_path = robot_path;
}
