#pragma once
// A race without riding: bikes that exist only as slots with a number and
// a model name, moved through the gates by the test, and a temporary home
// directory for the results file.

#include <array>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "data/data_dirs.h"
#include "data/point_data_dirs.h"
#include "data/temp_tree.h"
#include "race/game_state.h"
#include "race/session.h"
#include "race/standings.h"
#include "robots/line_store.h"
#include "sim/bike.h"
#include "sim/world.h"
#include "track/track.h"

class RaceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(tree.path("xdg/Tavrin"));
    std::filesystem::create_directories(tree.path("install"));
    point_data_dirs(tree.path("xdg"), tree.path("install"));
    game.track_name = "venloop";
    game.has_gates = true;
  }
  void TearDown() override { reset_data_dirs_for_tests(); }

  // A race of `laps` laps (no timed part) over F first-lap and N lap gates.
  void laps_race(int first, int lap, int laps) {
    game.first_lap_gates = first;
    game.lap_gates = lap;
    game.laps = laps;
    game.final_lap = laps;
    game.halfway_lap = (laps + 1) / 2;
  }

  // Puts a bike into `slot`.
  Bike& enter(int slot, const char* number = "1", std::string_view model = "crf250(2009)") {
    Bike& bike = bikes[static_cast<size_t>(slot)];
    bike.model.name = model;
    std::snprintf(bike.number_text, sizeof bike.number_text, "%s", number);
    game.bikes[static_cast<size_t>(slot)] = &bike;
    return bike;
  }

  // The bike in `slot` crosses gate pass g at `tick` (-1: skips it), as
  // the line recorder notes it; the game tick becomes `tick`.
  void cross(int slot, int g, int tick) {
    LineRecorder& r = game.progress[static_cast<size_t>(slot)];
    if (static_cast<int>(r.crossing_ticks.size()) <= g) r.crossing_ticks.resize(g + 1, -1);
    r.crossing_ticks[static_cast<size_t>(g)] = tick;
    r.next_gate = g + 1;
    if (tick > game.tick) game.tick = tick;
  }

  // Gate passes from..to at ticks start, start + every, ...
  void ride(int slot, int from, int to, int start, int every) {
    for (int g = from; g <= to; ++g) cross(slot, g, start + (g - from) * every);
  }

  std::vector<int> order() const {
    std::vector<int> slots;
    for (int i = 0; i < game.standing_count; ++i)
      slots.push_back(game.standings[static_cast<size_t>(i)].slot);
    return slots;
  }

  TempTree tree;
  GameState game;
  std::array<Bike, max_bikes> bikes{};
};

// A race on the generated tracks: the build folder's data set and a
// physics world; whatever session and track a test started is ended.
class SessionTest : public RaceTest {
 protected:
  void SetUp() override {
    RaceTest::SetUp();
    setenv("QZ_HOME", TAVRIN_BUILD_DIR, 1);
    reset_data_dirs_for_tests();
    create_world(world);
    game = GameState{};
    game.world = &world;
  }
  void TearDown() override {
    end_session(game);
    unload_track();
    free_line_store(line_store);
    destroy_world(world);
    RaceTest::TearDown();
  }

  PhysicsWorld world;
};
