// Clients against a race server on 127.0.0.1, driven on one thread by one
// hand-stepped clock: each step of 1/128 s runs the server, then every
// client's network step and its game tick once it races.

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "data/data_dirs.h"
#include "data/point_data_dirs.h"
#include "data/temp_tree.h"
#include "net_test_util.h"
#include "race/session.h"
#include "race_server.h"
#include "robots/line_store.h"
#include "sim/world.h"
#include "track/track.h"

namespace {

double test_now = 1000;
double test_clock() { return test_now; }

void no_learning(SessionRequest& request) { request.learn = false; }

// One player: a physics world, a game and a client.
struct Player {
  explicit Player(const char* name) {
    create_world(world);
    game.world = &world;
    client.rider.model = "crf250(2009)";
    client.rider.number = "7";
    client.rider.name = name;
  }
  ~Player() {
    net_drop(client);
    end_session(game);
    destroy_world(world);
  }
  Bike* own_bike() const {
    return client.slot < max_bikes ? game.bikes[static_cast<size_t>(client.slot)] : nullptr;
  }

  PhysicsWorld world;
  GameState game;
  NetClient client;
};

class RaceAgainstServer : public ::testing::Test {
 protected:
  void SetUp() override {
    point_data_dirs(tree.path("xdg"), TAVRIN_BUILD_DIR);
    clear_messages();
    net_hooks.prepare_session = no_learning;
    net_set_fake_network(0, 0, 1, test_clock);
  }
  void TearDown() override {
    players.clear();
    if (server.socket >= 0) stop_server(server);
    unload_track();
    free_line_store(line_store);
    net_set_fake_network(0, 0);
    net_shutdown();
    reset_data_dirs_for_tests();
  }

  void start(ServerOptions options) {
    options.port = 0;
    if (options.track.empty()) options.track = "practice";
    server.log = nullptr;
    ASSERT_TRUE(start_server(server, options, test_now));
  }
  Player& join(const char* name, const std::string& password = {}) {
    players.push_back(std::make_unique<Player>(name));
    Player& p = *players.back();
    p.client.password = password;
    net_connect(p.client, "127.0.0.1:" + std::to_string(server_port(server)));
    return p;
  }
  void step() {
    test_now += 1.0 / 128;
    server_step(server, test_now);
    for (auto& p : players) {
      net_tick(p->client, p->game, test_now);
      if (p->client.state == net_racing && p->client.server_tick > 0) game_tick(p->game);
    }
  }
  // Steps until `done` holds or `seconds` have passed; whether it held.
  template <typename Done>
  bool run_until(Done done, double seconds) {
    for (int i = 0; i < seconds * 128; ++i) {
      if (done()) return true;
      step();
    }
    return done();
  }
  void run(double seconds) {
    run_until([] { return false; }, seconds);
  }
  static bool racing(const Player& p) { return p.client.state == net_racing; }

  TempTree tree;
  RaceServer server;
  std::vector<std::unique_ptr<Player>> players;
};

TEST_F(RaceAgainstServer, RiderJoinsStartsTheServersSessionAndFollowsItsTick) {
  start({});
  Player& a = join("Anna");
  ASSERT_TRUE(run_until([&] { return racing(a); }, 5));
  EXPECT_EQ(a.client.slot, 0);
  EXPECT_EQ(a.client.race_slot, 0);
  EXPECT_EQ(a.client.session, server.session);
  ASSERT_NE(a.own_bike(), nullptr);
  EXPECT_EQ(a.game.bike_kind[0], bike_local);
  EXPECT_EQ(a.game.drop_tick, server.drop_tick);
  EXPECT_EQ(a.game.track_name, std::string("practice"));
  EXPECT_TRUE(was_posted("Contacting server"));
  EXPECT_TRUE(was_posted("5 laps"));
  run(1);
  EXPECT_LE(std::abs(a.game.tick - server.tick), 4);
  EXPECT_TRUE(server.clients[0].has_state);
}

TEST_F(RaceAgainstServer, RightPasswordIsLetInWrongOneIsSentAway) {
  ServerOptions options;
  options.password = "sesame";
  start(options);
  Player& good = join("Good", "sesame");
  Player& bad = join("Bad", "sesame!");
  ASSERT_TRUE(run_until([&] { return racing(good) && bad.client.server_name.empty(); }, 5));
  EXPECT_TRUE(was_posted("Wrong password"));
  EXPECT_FALSE(server.clients[static_cast<size_t>(1)].used);
}

TEST_F(RaceAgainstServer, RiderBeyondTheLimitIsToldTheServerIsFull) {
  ServerOptions options;
  options.max_riders = 1;
  start(options);
  Player& a = join("Anna");
  ASSERT_TRUE(run_until([&] { return racing(a); }, 5));
  Player& b = join("Ben");
  run(0.5);
  EXPECT_TRUE(was_posted("Server is full"));
  EXPECT_EQ(b.client.slot, net_no_slot);
  EXPECT_EQ(b.client.state, net_contacting);
}

TEST_F(RaceAgainstServer, TrackThatDiffersFromTheServersIsRefused) {
  start({});
  server.digest[0] ^= 1;
  Player& a = join("Anna");
  // Offline again once the server has let the slot go.
  ASSERT_TRUE(run_until([&] { return a.client.server_name.empty(); }, 5));
  EXPECT_TRUE(was_posted("Client track modified - does not match server's track (practice)"));
  EXPECT_FALSE(server.clients[0].used);
}

TEST_F(RaceAgainstServer, TwoRidersSeeEachOthersBikes) {
  start({});
  Player& a = join("Anna");
  Player& b = join("Ben");
  ASSERT_TRUE(run_until([&] { return racing(a) && racing(b); }, 5));
  run(1);
  const int sa = a.client.slot, sb = b.client.slot;
  ASSERT_NE(sa, sb);
  EXPECT_EQ(a.game.bike_kind[static_cast<size_t>(sb)], bike_states);
  EXPECT_GT(a.client.last_state_tick[static_cast<size_t>(sb)], 0);
  EXPECT_GT(b.client.last_state_tick[static_cast<size_t>(sa)], 0);
  // Ben's bike in Anna's game stands where Ben's own game has it.
  const Bike* seen = a.game.bikes[static_cast<size_t>(sb)];
  ASSERT_NE(seen, nullptr);
  const dReal* there = dBodyGetPosition(seen->bodies[body_frame]);
  const dReal* real = dBodyGetPosition(b.own_bike()->bodies[body_frame]);
  EXPECT_NEAR(there[0], real[0], 1.0);
  EXPECT_NEAR(there[2], real[2], 1.0);
  EXPECT_GT(a.client.ping[static_cast<size_t>(sa)], 0);
}

TEST_F(RaceAgainstServer, ReliableMessagesArriveInOrderDespiteLoss) {
  start({});
  Player& a = join("Anna");
  Player& b = join("Ben");
  ASSERT_TRUE(run_until([&] { return racing(a) && racing(b); }, 5));
  net_set_fake_network(0, 40, 11, test_clock);
  for (const char* line : {"one", "two", "three", "four", "five"})
    ASSERT_TRUE(net_chat(a.client, line));
  auto all_seen = [&] {
    std::vector<std::string> got;
    for (const std::string& line : posted_lines())
      if (line.rfind("Anna: ", 0) == 0) got.push_back(line);
    return got;
  };
  // Both players see every line once (the sender's own come back too).
  ASSERT_TRUE(run_until([&] { return all_seen().size() == 10; }, 15));
  run(2);
  EXPECT_EQ(all_seen().size(), 10u);
  EXPECT_TRUE(a.client.out_queue.empty());
  EXPECT_TRUE(racing(a));
  EXPECT_TRUE(racing(b));
}

TEST_F(RaceAgainstServer, DisconnectFreesTheSlotForTheNextRider) {
  start({});
  Player& a = join("Anna");
  ASSERT_TRUE(run_until([&] { return racing(a); }, 5));
  net_disconnect(a.client);
  ASSERT_TRUE(run_until([&] { return a.client.server_name.empty(); }, 3));
  EXPECT_TRUE(was_posted("Disconnected"));
  EXPECT_FALSE(server.clients[0].used);
  Player& b = join("Ben");
  ASSERT_TRUE(run_until([&] { return racing(b); }, 5));
  EXPECT_EQ(b.client.slot, 0);
}

TEST_F(RaceAgainstServer, RestartAskedByTheFieldBringsLateJoinersIntoTheRace) {
  start({});
  Player& a = join("Anna");
  ASSERT_TRUE(run_until([&] { return racing(a); }, 5));
  Player& b = join("Ben");
  ASSERT_TRUE(run_until([&] { return racing(b); }, 5));
  // Anna's session began before Ben came: she has no bike for him.
  EXPECT_EQ(a.game.bikes[static_cast<size_t>(b.client.slot)], nullptr);
  const std::int32_t before = server.session;
  net_request_restart(a.client);
  net_request_restart(b.client);
  ASSERT_TRUE(run_until(
      [&] {
        return server.session > before && racing(a) && racing(b) &&
               a.client.session == server.session;
      },
      6));
  EXPECT_EQ(a.client.lineup[static_cast<size_t>(b.client.slot)], 5);
  EXPECT_NE(a.game.bikes[static_cast<size_t>(b.client.slot)], nullptr);
  EXPECT_LT(a.client.race_slot, max_bikes);
  EXPECT_LT(b.client.race_slot, max_bikes);
  EXPECT_NE(a.client.race_slot, b.client.race_slot);
}

// The rider in `p` completes its first lap at the current tick, as its
// line recorder would note it.
void complete_first_lap(Player& p, int first_lap_gates) {
  LineRecorder& progress = p.game.progress[static_cast<size_t>(p.client.slot)];
  progress.crossing_ticks.assign(static_cast<size_t>(first_lap_gates), p.game.tick);
  progress.next_gate = first_lap_gates;
}

TEST_F(RaceAgainstServer, CrossingsReachTheFieldAndTheFinishedRaceRestarts) {
  ServerOptions options;
  options.laps = 1;
  start(options);
  ASSERT_TRUE(server.has_gates);
  Player& a = join("Anna");
  Player& b = join("Ben");
  ASSERT_TRUE(run_until([&] { return racing(a) && racing(b); }, 5));
  ASSERT_TRUE(run_until([&] { return server.tick > server.drop_tick + 10; }, 20));
  const std::int32_t first = server.session;
  const int f = server.first_lap_gates;
  complete_first_lap(a, f);
  ASSERT_TRUE(run_until([&] { return server.flag_tick >= 0; }, 2));
  // Ben's game learns of Anna's lap.
  ASSERT_TRUE(run_until(
      [&] { return b.game.progress[static_cast<size_t>(a.client.slot)].next_gate == f; }, 2));
  EXPECT_EQ(server.over_tick, -1);  // Ben still rides
  complete_first_lap(b, f);
  ASSERT_TRUE(run_until([&] { return server.over_tick >= 0; }, 2));
  ASSERT_TRUE(run_until(
      [&] {
        return server.session > first && racing(a) && racing(b) &&
               b.client.session == server.session;
      },
      15));
  EXPECT_LT(a.client.race_slot, max_bikes);
  EXPECT_EQ(a.game.progress[static_cast<size_t>(a.client.slot)].next_gate, 0);
}

bool arcade_was_on() { return true; }

TEST_F(RaceAgainstServer, ServerWithoutArcadePhysicsSwitchesItOff) {
  ServerOptions options;
  options.no_arcade = true;
  start(options);
  net_hooks.forbid_arcade = arcade_was_on;
  Player& a = join("Anna");
  const bool forbidden = run_until([&] { return a.client.arcade_forbidden; }, 5);
  net_hooks.forbid_arcade = nullptr;
  ASSERT_TRUE(forbidden);
  EXPECT_TRUE(was_posted("Arcade physics disabled"));
}

TEST_F(RaceAgainstServer, HandshakeGetsThroughLagAndLoss) {
  start({});
  net_set_fake_network(0.1, 30, 4, test_clock);
  Player& a = join("Anna");
  ASSERT_TRUE(run_until([&] { return racing(a); }, 20));
  run(1);
  EXPECT_GT(a.client.server_tick, 0);
  EXPECT_LE(std::abs(a.game.tick - server.tick), 40);
}

}  // namespace
