// Robots racing on the generated tracks from the seeded lines: they leave
// the gate, ride the laps, stay in the world, and two runs agree.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

#include "data/data_dirs.h"
#include "race/laps.h"
#include "race/race_fixture.h"
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
  int full_distance = 0;        // robots that rode every lap of the race
  std::vector<int> race_ticks;  // their times from the drop, ticks
  std::vector<int> best_laps;   // best lap after the first, ticks, of robots with two laps
  // Robots that rode every lap until they took the flag on the line: the
  // full distance, or fewer laps when the leader lapped them.
  int flagged_on_the_line = 0;
  bool sane = true;  // every body finite and inside the world
  std::uint64_t hash = 1469598103934665603ull;
};

// A session on the generated tracks (see SessionTest) with race control
// wired to the robots.
class RobotRace : public SessionTest {
 protected:
  void SetUp() override {
    SessionTest::SetUp();
    install_robot_hooks();
  }
  void TearDown() override {
    SessionTest::TearDown();
    session_hooks = SessionHooks{};
  }

  // `robots` robots race `laps` laps on `track` at `skill` for at most
  // `ticks` ticks (or until the race is over); with `learn`, what they
  // learn is saved at the next session start.
  RaceOutcome run(const char* track, int robots, int laps, int skill, int ticks,
                  bool learn = false) {
    std::array<int, max_bikes> lineup{};
    for (int i = 0; i < robots; ++i) lineup[static_cast<size_t>(i)] = 2;
    SessionRequest request;
    request.track = track;
    request.lineup = &lineup;
    request.laps = laps;
    request.robot_skill = skill;
    request.learn = learn;
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
      int laps = laps_completed(game, slot);
      if (BestLap best = best_lap(game, slot); best.lap > 0) out.best_laps.push_back(best.ticks);
      if (r.finished && laps >= 1 && r.next_gate == lap_end_gate(game, laps) + 1)
        ++out.flagged_on_the_line;
      if (laps >= game.race_laps && game.race_laps > 0) {
        ++out.full_distance;
        int ticks = 0;
        for (int k = 1; k <= laps; ++k) ticks += lap_ticks(game, slot, k);
        out.race_ticks.push_back(ticks);
      }
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
};

// Whole races take minutes of CPU; under the address sanitizer several
// times as long. The sanitizer build leaves them to the normal build.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif

// Long enough for the slowest robot that still rides to reach the flag.
constexpr int kRaceLimitTicks = 15 * 60 * 128;

double median(std::vector<int> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  std::size_t m = v.size() / 2;
  return v.size() % 2 ? v[m] : 0.5 * (v[m - 1] + v[m]);
}

struct TrackRace {
  const char* track;
  int laps;
};
// venloop's lap is long; the short tracks ride two laps, so the lines are
// also ridden across the finish into a second lap.
constexpr TrackRace kTrackRaces[] = {{"venloop", 1}, {"sxarena", 2}, {"practice", 2}};

TEST_F(RobotRace, ThirtyNineRobotsRaceFromTheGateToTheFlagOnEveryTrack) {
  if (kSanitized) GTEST_SKIP() << "whole races run in the normal build";
  for (const TrackRace& t : kTrackRaces) {
    SCOPED_TRACE(t.track);
    RaceOutcome out = run(t.track, 39, t.laps, 2, kRaceLimitTicks);
    EXPECT_EQ(out.robots, 39);
    EXPECT_TRUE(out.sane);
    EXPECT_TRUE(game.results_done) << "the race never ended";
    EXPECT_GE(out.flagged_on_the_line, 35);
    std::printf("%s: %d of 39 robots rode every lap to the flag, %d all %d laps, median %.1f s\n",
                t.track, out.flagged_on_the_line, out.full_distance, t.laps,
                median(out.race_ticks) / 128);
    end_session(game);
  }
}

// The pace of a skill: the median over its robots of their best lap after
// the first (the start's pile-up says little about pace).
TEST_F(RobotRace, ExpertsBeatAmateursAndAmateursBeatNovicesOnEveryTrack) {
  if (kSanitized) GTEST_SKIP() << "whole races run in the normal build";
  // Ten robots of one skill, three laps: most have a lap without a crash,
  // so the median of the best laps is the skill's pace in a pack.
  constexpr int kRobots = 10, kLaps = 3;
  // All on the same bike: the roster deals its 125s, 250s and 50s anew at
  // every session start, and a pack of experts on small bikes is no
  // measure of the skill.
  static const std::vector<RosterEntry> one_model = [] {
    std::vector<RosterEntry> r = session_roster();
    for (RosterEntry& e : r) e.model = "crf250(2009)";
    return r;
  }();
  session_hooks.roster = one_model;
  for (const char* track : {"venloop", "sxarena", "practice"}) {
    SCOPED_TRACE(track);
    double pace[3] = {};
    for (int skill = 0; skill < 3; ++skill) {
      RaceOutcome out = run(track, kRobots, kLaps, skill, kRaceLimitTicks);
      ASSERT_GE(out.best_laps.size(), 5u) << "skill " << skill;
      pace[skill] = median(out.best_laps) / 128;
      end_session(game);
    }
    std::printf("%s median best lap: novice %.1f s, amateur %.1f s, expert %.1f s\n", track,
                pace[0], pace[1], pace[2]);
    EXPECT_LT(pace[2], pace[1]);
    EXPECT_LT(pace[1], pace[0]);
  }
}

TEST_F(RobotRace, TwoRunsOfTheSameRaceAgree) {
  // Half a minute of racing after the drop: the pack through the first
  // turns and jumps, crashes and recoveries.
  constexpr int kTicks = 45 * 128;
  RaceOutcome first = run("sxarena", 39, 2, 2, kTicks);
  // As a fresh program would: the line store keeps when each line was last
  // picked across sessions, which steers the next session's choices.
  end_session(game);
  unload_track();
  free_line_store(line_store);
  destroy_world(world);
  create_world(world);
  game = GameState{};
  game.world = &world;
  RaceOutcome second = run("sxarena", 39, 2, 2, kTicks);
  EXPECT_EQ(first.hash, second.hash);
  EXPECT_EQ(first.gates, second.gates);
}

// A learning race teaches the store how each line went, and the next
// session start keeps that in the home directory's copy of the lines.
TEST_F(RobotRace, ALearningRaceSavesWhatTheLinesDid) {
  namespace fs = std::filesystem;
  run("practice", 4, 2, 2, kRaceLimitTicks, true);
  EXPECT_TRUE(game.results_done);
  const fs::path saved = tree.path("xdg/Tavrin/practice/lines_expert");
  EXPECT_FALSE(fs::exists(saved));
  end_session(game);

  run("practice", 4, 1, 2, 1, true);
  ASSERT_TRUE(fs::exists(saved));
  EXPECT_NE(tree.read("xdg/Tavrin/practice/lines_expert"),
            TempTree::read_file(std::string(TAVRIN_BUILD_DIR) + "/practice/lines_expert"));
  int tested = 0;
  for (const LineCell& cell : line_store.cells) tested += cell.tests > 0 ? 1 : 0;
  EXPECT_GT(tested, 0) << "the reloaded store keeps the robots' results";
}

TEST_F(RobotRace, WithoutTimingGatesRobotsHaveNoLinesAndWaitWhereTheyStand) {
  namespace fs = std::filesystem;
  const fs::path install = tree.install_track("install", "practice");
  fs::remove(install / "practice" / "timing_gates");
  setenv("QZ_HOME", install.c_str(), 1);
  reset_data_dirs_for_tests();

  RaceOutcome out = run("practice", 3, 1, 1, 30 * 128);
  EXPECT_EQ(out.robots, 3);
  EXPECT_TRUE(out.sane);
  EXPECT_EQ(out.left_grid, 0);
  EXPECT_EQ(store_segments(line_store), 0);
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
