// Sessions on the generated tracks: the solo start, lineups, the grid, the
// starting gate, and two runs of the same session giving the same bodies
// bit for bit.

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <string>

#include "race/laps.h"
#include "race/session.h"
#include "race/standings.h"
#include "race_fixture.h"
#include "robots/line_store.h"
#include "sim/rider_input.h"
#include "sim/world.h"
#include "track/track.h"

namespace {

// FNV-1a over the bytes of every body's position, rotation and velocities.
std::uint64_t hash_bodies(const GameState& game) {
  std::uint64_t h = 1469598103934665603ull;
  auto mix = [&h](const dReal* v, int n) {
    unsigned char bytes[sizeof(dReal) * 4];
    std::memcpy(bytes, v, sizeof(dReal) * static_cast<size_t>(n));
    for (size_t i = 0; i < sizeof(dReal) * static_cast<size_t>(n); ++i)
      h = (h ^ bytes[i]) * 1099511628211ull;
  };
  for (const Bike* bike : game.bikes) {
    if (!bike) continue;
    for (dBodyID body : bike->bodies) {
      mix(dBodyGetPosition(body), 3);
      mix(dBodyGetQuaternion(body), 4);
      mix(dBodyGetLinearVel(body), 3);
      mix(dBodyGetAngularVel(body), 3);
    }
  }
  return h;
}

}  // namespace

class Session : public SessionTest {
 protected:
  // A race on `track` with the lineup codes given for the first slots.
  bool race(const char* track, std::initializer_list<int> codes) {
    lineup.fill(0);
    int slot = 0;
    for (int code : codes) lineup[static_cast<size_t>(slot++)] = code;
    SessionRequest request;
    request.track = track;
    request.lineup = &lineup;
    request.laps = 3;
    request.learn = false;
    return start_session(game, request);
  }

  std::array<int, max_bikes> lineup{};
};

TEST_F(Session, SoloStartsTwoGatesBeforeTheEndOfTheFirstLapWithoutAGate) {
  SessionRequest request;
  request.track = "practice";
  request.learn = false;
  ASSERT_TRUE(start_session(game, request));
  EXPECT_TRUE(game.solo);
  EXPECT_EQ(game.tick, 300 * 128);
  EXPECT_GT(game.tick, game.drop_tick);
  ASSERT_NE(game.bikes[0], nullptr);
  for (int slot = 1; slot < max_bikes; ++slot)
    EXPECT_EQ(game.bikes[static_cast<size_t>(slot)], nullptr);
  ASSERT_TRUE(game.has_gates);
  const int g = std::max(game.first_lap_gates - 2, 0);
  EXPECT_EQ(game.progress[0].next_gate, g);
  // The bike stands at that gate's checkpoint, facing along its direction.
  const Checkpoint& c =
      game_track.gates.checkpoints[static_cast<size_t>(gate_pass_checkpoint(game_track.gates, g))];
  const dReal* p = dBodyGetPosition(game.bikes[0]->bodies[body_frame]);
  EXPECT_LT(std::hypot(p[0] - c.centre.x, p[2] - c.centre.z), 5.0);
  EXPECT_EQ(game.standing_count, 1);
  EXPECT_EQ(game.viewed_bike, 0);
}

TEST_F(Session, OnlyTheFirstLocalRiderOfALineupIsKept) {
  ASSERT_TRUE(race("venloop", {0, 1, 1, 0, 1}));
  EXPECT_EQ(game.viewed_bike, 1);
  EXPECT_EQ(game.lineup[2], 0);
  EXPECT_EQ(game.lineup[4], 0);
  EXPECT_NE(game.bikes[1], nullptr);
  EXPECT_EQ(game.bikes[2], nullptr);
  EXPECT_EQ(game.bike_kind[1], bike_local);
  EXPECT_FALSE(game.solo);
  EXPECT_GE(game.drop_tick, 13 * 128);
  EXPECT_LT(game.drop_tick, 15 * 128);
}

TEST_F(Session, GridPlacesBikesOnTheirStartPositionsAboveTheGround) {
  ASSERT_TRUE(race("venloop", {1, 1}));
  const StartPosition& gate = game_track.gates.starts[0];
  const dReal* p = dBodyGetPosition(game.bikes[0]->bodies[body_frame]);
  // Row 0 stands 0.0625 * 10 ft behind the gate, along its heading; the
  // frame sits at its model offset from that point, turned with the bike.
  const double x = gate.position.x + std::sin(gate.heading) * 0.625;
  const double z = gate.position.z + std::cos(gate.heading) * 0.625;
  const Vec3f& frame = game.bikes[0]->model.frame_pos;
  EXPECT_NEAR(std::hypot(p[0] - x, p[2] - z), std::hypot(frame.x, frame.z), 0.01);
  EXPECT_GT(p[1], height_at(game_track.terrain.field, p[0], p[2]));
  EXPECT_EQ(game.start_position.x, game.bikes[0]->start_positions[body_frame].x);
}

TEST_F(Session, UnknownTrackFailsTheStart) { EXPECT_FALSE(race("no_such_track", {1})); }

// Height above the ground of the far edge of start position i's slat: the
// shape sphere furthest from the hinge, as the collisions see it.
static double slat_edge_height(int i) {
  const Statue& slat =
      game_track.statues[static_cast<size_t>(game_track.gates.starts[i].gate_object)];
  const auto& r = slat.rotation;
  double top = -1e9;
  for (const ShapeSphere& s : slat.shape->spheres) {
    Vec3 c = s.centre;
    Vec3 p = slat.position + Vec3{r[0] * c.x + r[1] * c.y + r[2] * c.z,
                                  r[3] * c.x + r[4] * c.y + r[5] * c.z,
                                  r[6] * c.x + r[7] * c.y + r[8] * c.z};
    top = std::max(top, p.y - height_at(game_track.terrain.field, p.x, p.z));
  }
  return top;
}

TEST_F(Session, GateSlatsStandUntilTheDropAndFallFlatInAnEighthOfASecond) {
  ASSERT_TRUE(race("sxarena", {1, 1}));
  ASSERT_FALSE(game_track.gates.starts.empty());
  ASSERT_NE(game_track.statues[static_cast<size_t>(game_track.gates.starts[0].gate_object)].shape,
            nullptr);
  // Raised, the slat stands in front of the front wheel, below the rider.
  EXPECT_GT(slat_edge_height(0), 0.7);
  EXPECT_LT(slat_edge_height(0), 2);
  while (game.tick <= game.drop_tick) game_tick(game);
  EXPECT_GT(slat_edge_height(0), 0.7);
  for (int t = 0; t < 16; ++t) game_tick(game);
  EXPECT_EQ(game.gate_slats[0], 0.0f);
  EXPECT_LT(slat_edge_height(0), 0.35) << "a dropped slat lies on the ground";
}

TEST_F(Session, ASlatABikeLeansOnWaitsButNotBeyondTenSeconds) {
  ASSERT_TRUE(race("sxarena", {1, 1}));
  Statue& slat = game_track.statues[static_cast<size_t>(game_track.gates.starts[1].gate_object)];
  const int last = game.drop_tick + static_cast<int>(10 / game.step);
  while (game.tick <= last) {
    slat.last_hit_tick = game.tick;  // the bike in front of it leans on it every tick
    game_tick(game);
  }
  EXPECT_EQ(game.gate_slats[1], 1.0f);
  EXPECT_EQ(game.gate_slats[0], 0.0f);
  slat.last_hit_tick = game.tick;
  game_tick(game);
  EXPECT_EQ(game.gate_slats[1], 0.0f);
}

TEST_F(Session, SameSessionTwiceGivesTheSameBodiesBitForBit) {
  std::uint64_t hashes[2];
  for (std::uint64_t& hash : hashes) {
    game.tick = 0;  // the same seed for the roster shuffle and the drop
    ASSERT_TRUE(race("venloop", {1, 0, 1}));
    RiderInput input;
    input.throttle = 0.7f;
    for (int i = 0; i < 2400; ++i) {
      if (i == 256) input.shift = 1;
      if (i == 257) input.shift = 0;
      input.steer = i > 800 ? 0.2f : 0.0f;
      set_rider_input(*game.bikes[0], input);
      game_tick(game);
    }
    hash = hash_bodies(game);
  }
  EXPECT_EQ(hashes[0], hashes[1]);
}

// A copy of the practice track with its timing gates cut down; the session
// must still start, place the bike and run without crossing anything.
struct DamagedGates {
  const char* what;
  bool keep_file;
  bool keep_starts;
  bool keep_checkpoints;
};

class SessionOnDamagedGates : public Session, public ::testing::WithParamInterface<DamagedGates> {};

TEST_P(SessionOnDamagedGates, StartsAndRunsWithFallbacks) {
  const DamagedGates& damage = GetParam();
  namespace fs = std::filesystem;
  const fs::path install = tree.install_track("damaged", "practice");
  fs::remove(install / "practice" / "timing_gates");
  if (damage.keep_file) {
    std::string text;
    if (damage.keep_starts) text += "startinggate:\n[259.9 5 330] -1.570796\n";
    if (damage.keep_checkpoints)
      text +=
          "checkpoints:\n23 [441.5 5 248.2] [-0.12 0 -0.99]\n23 [70.5 5 248.1] [-0.12 0 0.99]\n"
          "firstlap:\n0 1\nnormallap:\n0 1\n";
    tree.write("damaged/practice/timing_gates", text);
  }
  setenv("QZ_HOME", install.c_str(), 1);
  reset_data_dirs_for_tests();

  ASSERT_TRUE(race("practice", {1})) << damage.what;
  ASSERT_NE(game.bikes[0], nullptr);
  for (int i = 0; i < 256; ++i) game_tick(game);
  const dReal* p = dBodyGetPosition(game.bikes[0]->bodies[body_frame]);
  for (int k = 0; k < 3; ++k) EXPECT_TRUE(std::isfinite(p[k])) << damage.what;
  const double extent = game_track.terrain.field.extent;
  EXPECT_TRUE(p[0] >= 0 && p[0] <= extent && p[2] >= 0 && p[2] <= extent) << damage.what;
  EXPECT_EQ(laps_completed(game, 0), 0) << damage.what;
}

INSTANTIATE_TEST_SUITE_P(
    Fallbacks, SessionOnDamagedGates,
    ::testing::Values(DamagedGates{"no timing_gates file", false, false, false},
                      DamagedGates{"start positions only", true, true, false},
                      DamagedGates{"checkpoints without start positions", true, false, true}));
