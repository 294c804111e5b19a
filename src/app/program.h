#pragma once
// The state of one run of the game that is not a user setting: built by
// start-up, used by the main loop, torn down by shutdown. One instance,
// owned by the entry function for the whole run.

#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/render_settings.h"
#include "data/listings.h"
#include "race/game_state.h"
#include "sim/world.h"

struct Program {
  GameState game;
  PhysicsWorld world;  // every session's bikes; made at start-up, destroyed at shutdown
  CommandLineOptions options;  // this run's command line (loop-local state)
  RenderSettings render;       // renderer working values
  // Installed tracks, sorted by display name ignoring case; parallel to the
  // choices of the Track setting.
  std::vector<TrackListing> tracks;
};
