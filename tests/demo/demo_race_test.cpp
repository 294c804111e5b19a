// A race of 40 robots on the generated venloop, recorded headless and
// played back headless: every bike follows its recording within the
// quantisation, standings agree, seeking lands on the recorded tick and an
// accurate skip equals plain playback.

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "data/data_dirs.h"
#include "data/temp_tree.h"
#include "demo/demo.h"
#include "race/laps.h"
#include "race/session.h"
#include "race/standings.h"
#include "robots/auto_pilot.h"
#include "robots/robot_roster.h"
#include "sim/world.h"
#include "track/track.h"

namespace {

// Riding time after the gate drop, ticks.
constexpr int riding_ticks = 1000;

using Positions = std::vector<std::array<double, 3 * max_bikes>>;

std::vector<RosterEntry> make_roster() {
  std::vector<RosterEntry> roster;
  for (const RobotRosterEntry& e : robot_roster)
    roster.push_back({e.number, e.personality, e.model, roster_textures(e)});
  return roster;
}

void install_hooks(const std::vector<RosterEntry>& roster) {
  session_hooks = SessionHooks{};
  session_hooks.roster = roster;
  session_hooks.robot_created = [](GameState&, int slot, const RosterEntry& entry, bool practice) {
    start_robot(slot, entry.personality, practice);
  };
  session_hooks.auto_pilot = [](GameState& game, int slot) { auto_pilot(game, slot); };
  session_hooks.robot_path = [](GameState& game, int slot, double* progress) {
    return robot_path(game, slot, progress);
  };
  session_hooks.demo_start = [](GameState& game) {
    game_demo.session.drop_tick = game.drop_tick;
    start_recording(game, game_demo);
  };
  session_hooks.demo_stop = [](GameState&) {
    stop_recording(game_demo);
    close_playback(game_demo);
  };
  session_hooks.demo_tick = [](GameState& game) {
    if (game_demo.recording) record_tick(game, game_demo);
    if (game_demo.playback) play_tick(game, game_demo);
  };
  demo_hooks.game_tick = game_tick;
}

class DemoRaceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("XDG_DATA_HOME", tree.path("xdg").c_str(), 1);
    setenv("QZ_HOME", TAVRIN_BUILD_DIR, 1);
    reset_data_dirs_for_tests();
    install_hooks(roster);
    create_world(world);
    game.world = &world;
  }
  void TearDown() override {
    end_session(game);
    game_demo = DemoState{};
    session_hooks = SessionHooks{};
    demo_hooks = DemoHooks{};
    destroy_world(world);
    unload_track();
    reset_data_dirs_for_tests();
  }

  std::array<double, 3 * max_bikes> positions() const {
    std::array<double, 3 * max_bikes> out{};
    for (int slot = 0; slot < max_bikes; ++slot)
      if (game.bikes[slot]) {
        const dReal* p = dBodyGetPosition(game.bikes[slot]->bodies[body_frame]);
        for (int k = 0; k < 3; ++k) out[3 * slot + k] = p[k];
      }
    return out;
  }

  // Runs the robot race with a recording; returns the positions after
  // every tick (index tick - 1).
  Positions record_race() {
    std::array<int, max_bikes> lineup;
    lineup.fill(2);
    SessionRequest request;
    request.lineup = &lineup;
    request.laps = 1;
    request.record_demo = true;
    request.learn = false;
    EXPECT_TRUE(start_session(game, request));
    race_ticks = game.drop_tick + riding_ticks;
    Positions out;
    for (int t = 0; t < race_ticks; ++t) {
      game_tick(game);
      out.push_back(positions());
    }
    stop_recording(game_demo);
    return out;
  }

  // A playback session of the recorded demo, before its first tick.
  void start_playback() {
    std::array<int, max_bikes> lineup{};
    SessionRequest request;
    request.lineup = &lineup;
    request.play_demo = true;
    request.laps = 1;
    request.learn = false;
    ASSERT_TRUE(start_session(game, request));
    ASSERT_TRUE(open_playback(game, game_demo, nullptr));
    ASSERT_EQ(build_demo_bikes(game, game_demo, world, false), max_bikes);
    update_standings(game);
  }

  void expect_at_recorded(const Positions& recorded, const char* what) {
    const double tolerance = 2 * game_track.terrain.field.extent / 16777215.0;
    auto now = positions();
    const auto& then = recorded[game.tick - 1];
    for (int i = 0; i < 3 * max_bikes; ++i)
      ASSERT_NEAR(now[i], then[i], tolerance) << what << " tick " << game.tick << " slot " << i / 3;
  }

  std::vector<RosterEntry> roster = make_roster();
  int race_ticks = 0;
  TempTree tree;
  PhysicsWorld world;
  GameState game;
};

TEST_F(DemoRaceTest, PlaybackFollowsTheRecordedRace) {
  const Positions recorded = record_race();
  std::vector<StandingEntry> standings(game.standings.begin(),
                                       game.standings.begin() + game.standing_count);
  // The robots rode away from the gate and through the first gates.
  int moved = 0;
  for (int slot = 0; slot < max_bikes; ++slot) {
    const double* a = &recorded[game.drop_tick][3 * slot];
    const double* b = &recorded.back()[3 * slot];
    moved += std::hypot(b[0] - a[0], b[2] - a[2]) > 100;
  }
  EXPECT_GE(moved, 10);
  ASSERT_GT(standings.size(), 0u);
  EXPECT_GT(standings[0].gates, 0);
  std::printf("recorded %d ticks of 40 bikes: %ju bytes\n", race_ticks,
              std::filesystem::file_size(tree.path("xdg/Tavrin/demos/default.qzdemo")));

  start_playback();
  double playing = 0;
  for (int t = 0; t < race_ticks; ++t) {
    auto begin = std::chrono::steady_clock::now();
    game_tick(game);
    playing += std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    expect_at_recorded(recorded, "plain playback");
  }
  std::printf("played %d ticks of 40 bikes in %.3f s (%.0f ticks/s)\n", race_ticks, playing,
              race_ticks / playing);
  ASSERT_EQ(game.standing_count, static_cast<int>(standings.size()));
  for (std::size_t i = 0; i < standings.size(); ++i) {
    EXPECT_EQ(game.standings[i].slot, standings[i].slot) << i;
    EXPECT_EQ(game.standings[i].gates, standings[i].gates) << i;
  }

  // Back one second from the end, and forward again.
  seek_playback(game, game_demo, -1);
  EXPECT_EQ(game.tick, race_ticks - 128);
  expect_at_recorded(recorded, "rewound");
  seek_playback(game, game_demo, 1);
  EXPECT_EQ(game.tick, race_ticks);
  expect_at_recorded(recorded, "skipped");

  // An accurate skip from the middle runs the ticks and lands on the same states.
  game_demo.session.accurate_skip = true;
  seek_playback(game, game_demo, -1);
  seek_playback(game, game_demo, -1);
  seek_playback(game, game_demo, -1);
  const int from = game.tick;
  seek_playback(game, game_demo, 1);
  EXPECT_EQ(game.tick, from + 128);
  expect_at_recorded(recorded, "accurate skip");
}

// A solo session ridden by the auto pilot in the player's slot: each lap
// end keeps the last lap and the fastest, and the fastest rides along as a
// ghost on the next lap.
TEST_F(DemoRaceTest, SoloSessionRidesAgainstItsFastestLap) {
  session_hooks.demo_start = [](GameState& game) {
    game_demo.session.solo = game.solo;
    start_recording(game, game_demo);
  };
  session_hooks.solo_lap = [](GameState& game) { solo_lap_demos(game, game_demo); };
  SessionRequest request;
  request.record_demo = true;
  request.learn = false;
  ASSERT_TRUE(start_session(game, request));
  ASSERT_TRUE(game.solo);
  start_robot(0, robot_roster[0].personality, false);
  int ghost_ticks = 0, laps_seen = 0;
  double ghost_travel = 0;
  Vec3 ghost_before{};
  for (int t = 0; t < 40000 && laps_seen < 3; ++t) {
    auto_pilot(game, 0);
    game_tick(game);
    laps_seen = laps_completed(game, 0);
    if (game.bikes[1] && game_demo.visibility[1] > 0) {
      const dReal* p = dBodyGetPosition(game.bikes[1]->bodies[body_frame]);
      Vec3 now{p[0], p[1], p[2]};
      if (ghost_ticks++ > 0) ghost_travel += length(now - ghost_before);
      ghost_before = now;
    }
  }
  ASSERT_GE(laps_seen, 2) << "the auto pilot did not lap the track";
  EXPECT_TRUE(std::filesystem::exists(tree.path("xdg/Tavrin/venloop/lastlap.qzdemo")));
  EXPECT_TRUE(std::filesystem::exists(tree.path("xdg/Tavrin/venloop/fastlap.qzdemo")));
  EXPECT_GT(ghost_ticks, 1000) << "the ghost rode the next lap";
  EXPECT_GT(ghost_travel, 500);
  EXPECT_EQ(game.bike_kind[1], bike_states);
  std::printf("solo: %d laps, ghost shown %d ticks over %.0f ft\n", laps_seen, ghost_ticks,
              ghost_travel);
}

}  // namespace
