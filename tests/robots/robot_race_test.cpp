// Robots racing on the generated tracks from the seeded lines: they leave
// the gate, ride the laps, stay in the world, and two runs agree.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

#include "data/data_dirs.h"
#include "data/temp_tree.h"
#include "race/session.h"
#include "race/standings.h"
#include "robots/auto_pilot.h"
#include "robots/line_store.h"
#include "robots/robot_roster.h"
#include "sim/world.h"
#include "track/track.h"

namespace {

// The roster as race control takes it, built from the robots' own table.
const std::vector<RosterEntry>& session_roster() {
  static const std::vector<RosterEntry> roster = [] {
    std::vector<RosterEntry> r;
    for (const RobotRosterEntry& e : robot_roster)
      r.push_back({e.number, e.personality, e.model, roster_textures(e)});
    return r;
  }();
  return roster;
}

void install_robot_hooks() {
  session_hooks.roster = session_roster();
  session_hooks.robot_created = [](GameState&, int slot, const RosterEntry& entry, bool practice) {
    start_robot(slot, entry.personality, practice);
  };
  session_hooks.auto_pilot = [](GameState& game, int slot) { auto_pilot(game, slot); };
  session_hooks.robot_path = robot_path;
}

struct RaceOutcome {
  int robots = 0;
  std::vector<int> gates;  // gates passed per robot slot
  int left_grid = 0;       // robots more than 20 ft from their grid place
  int finished = 0;
  bool sane = true;  // every body finite and inside the world
  std::uint64_t hash = 1469598103934665603ull;
};

class RobotRace : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("XDG_DATA_HOME", tree.path("xdg").c_str(), 1);
    std::filesystem::create_directories(tree.path("xdg/Tavrin"));
    setenv("QZ_HOME", TAVRIN_BUILD_DIR, 1);
    reset_data_dirs_for_tests();
    install_robot_hooks();
    create_world(world);
    game.world = &world;
  }
  void TearDown() override {
    end_session(game);
    unload_track();
    free_line_store(line_store);
    destroy_world(world);
    session_hooks = SessionHooks{};
    reset_data_dirs_for_tests();
  }

  // `robots` robots race `laps` laps on `track` at `skill` for at most
  // `ticks` ticks (or until the race is over).
  RaceOutcome run(const char* track, int robots, int laps, int skill, int ticks) {
    std::array<int, max_bikes> lineup{};
    for (int i = 0; i < robots; ++i) lineup[static_cast<size_t>(i)] = 2;
    SessionRequest request;
    request.track = track;
    request.lineup = &lineup;
    request.laps = laps;
    request.robot_skill = skill;
    request.learn = false;
    RaceOutcome out;
    if (!start_session(game, request)) {
      ADD_FAILURE() << "cannot start a session on " << track;
      return out;
    }
    double extent = game_track.terrain.field.extent;
    for (int t = 0; t < ticks && !game.results_done; ++t) game_tick(game);
    for (int slot = 0; slot < max_bikes; ++slot) {
      const Bike* bike = game.bikes[static_cast<size_t>(slot)];
      if (!bike) continue;
      ++out.robots;
      const LineRecorder& r = game.progress[static_cast<size_t>(slot)];
      out.gates.push_back(r.next_gate);
      if (r.finished) ++out.finished;
      const dReal* frame = dBodyGetPosition(bike->bodies[body_frame]);
      Vec3 grid = bike->start_positions[body_frame];
      if (std::hypot(frame[0] - grid.x, frame[2] - grid.z) > 20) ++out.left_grid;
      for (dBodyID body : bike->bodies) {
        const dReal* p = dBodyGetPosition(body);
        const dReal* v = dBodyGetLinearVel(body);
        for (int k = 0; k < 3; ++k) {
          if (!std::isfinite(p[k]) || !std::isfinite(v[k])) out.sane = false;
          std::uint64_t bits;
          std::memcpy(&bits, &p[k], sizeof bits);
          out.hash = (out.hash ^ bits) * 1099511628211ull;
        }
        if (p[0] < -50 || p[0] > extent + 50 || p[2] < -50 || p[2] > extent + 50) out.sane = false;
      }
    }
    return out;
  }

  TempTree tree;
  PhysicsWorld world;
  GameState game;
};

// The gate drops 15 s into the session; 19 s gives every robot its
// reaction time, its launch and a moment of riding, and keeps the test
// short on two cores.
constexpr int kStartTicks = 19 * 128;

TEST_F(RobotRace, ThirtyNineRobotsStartOnEveryTrackAndStayInTheWorld) {
  for (const char* track : {"venloop", "sxarena", "practice"}) {
    SCOPED_TRACE(track);
    RaceOutcome out = run(track, 39, 3, 1, kStartTicks);
    EXPECT_EQ(out.robots, 39);
    EXPECT_TRUE(out.sane);
    // How many got away is a measurement for now (see the README figures),
    // not yet a requirement every track meets.
    std::printf("%s: %d of 39 robots left the grid\n", track, out.left_grid);
    EXPECT_GT(out.left_grid, 0);
    end_session(game);
  }
}

TEST_F(RobotRace, TwoRunsOfTheSameRaceAgree) {
  RaceOutcome first = run("venloop", 20, 3, 2, kStartTicks);
  // As a fresh program would: the line store keeps when each line was last
  // picked across sessions, which steers the next session's choices.
  end_session(game);
  unload_track();
  free_line_store(line_store);
  destroy_world(world);
  create_world(world);
  game = GameState{};
  game.world = &world;
  RaceOutcome second = run("venloop", 20, 3, 2, kStartTicks);
  EXPECT_EQ(first.hash, second.hash);
  EXPECT_EQ(first.gates, second.gates);
}

// Longer measurement: ROBOT_TRACK, ROBOT_COUNT, ROBOT_TICKS and
// ROBOT_SKILL choose the race; prints the gates each robot passed.
TEST_F(RobotRace, DISABLED_Measure) {
  const char* track = std::getenv("ROBOT_TRACK") ? std::getenv("ROBOT_TRACK") : "venloop";
  int robots = std::getenv("ROBOT_COUNT") ? std::atoi(std::getenv("ROBOT_COUNT")) : 39;
  int ticks = std::getenv("ROBOT_TICKS") ? std::atoi(std::getenv("ROBOT_TICKS")) : 128 * 120;
  int skill = std::getenv("ROBOT_SKILL") ? std::atoi(std::getenv("ROBOT_SKILL")) : 0;
  RaceOutcome out = run(track, robots, 1, skill, ticks);
  std::printf("robots %d finished %d left grid %d sane %d gates:", out.robots, out.finished,
              out.left_grid, out.sane);
  for (int g : out.gates) std::printf(" %d", g);
  std::printf("\n");
}

}  // namespace
