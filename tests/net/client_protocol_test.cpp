// The client's side of the race protocol against a plain socket standing
// in for the server: the rider text, the password proof, and how the
// client takes (and refuses) what the server sends.

#include <nettle/ripemd160.h>

#include <array>
#include <cstdint>
#include <random>

#include "data/data_dirs.h"
#include "data/point_data_dirs.h"
#include "data/temp_tree.h"
#include "net_test_util.h"

namespace {

TEST(RiderInfo, RoundTripAndShortForm) {
  RiderInfo info;
  info.model = "kx250f(2008)";
  info.textures = {"@bike-red.png", "@wheel-gold.png", "@rider_body-blue.png", "@head-x.png"};
  info.number = "42";
  info.name = "Anna";
  const std::string text = format_rider_info(info, rider_info_reliable_limit);
  EXPECT_EQ(
      text,
      "kx250f(2008)|@rider_body-blue.png|@bike-red.png|@wheel-gold.png|@head-x.png\n42\nAnna");
  const RiderInfo back = parse_rider_info(text);
  EXPECT_EQ(back.model, info.model);
  EXPECT_EQ(back.textures.rider_body, info.textures.rider_body);
  EXPECT_EQ(back.textures.bike, info.textures.bike);
  EXPECT_EQ(back.textures.wheels, info.textures.wheels);
  EXPECT_EQ(back.textures.helmet, info.textures.helmet);
  EXPECT_EQ(back.number, "42");
  EXPECT_EQ(back.name, "Anna");

  info.textures.bike.assign(500, 'b');
  EXPECT_EQ(format_rider_info(info, rider_info_reliable_limit), "kx250f(2008)\n42\nAnna");
  info.name.assign(600, 'n');
  EXPECT_EQ(format_rider_info(info, rider_info_reliable_limit).size(), rider_info_reliable_limit);
}

TEST(RiderInfo, ReadingCutsTheNumberAndStopsTheNameAtANewline) {
  const RiderInfo info = parse_rider_info("crf250\n12345\nBob\nextra");
  EXPECT_EQ(info.model, "crf250");
  EXPECT_EQ(info.number, "123");
  EXPECT_EQ(info.name, "Bob");
  const RiderInfo bare = parse_rider_info("yz|a");
  EXPECT_EQ(bare.model, "yz");
  EXPECT_EQ(bare.textures.rider_body, "a");
  EXPECT_EQ(bare.number, "");
}

TEST(PasswordProof, DigestBytesThreeToZeroOfPasswordAndToken) {
  ripemd160_ctx ctx;
  ripemd160_init(&ctx);
  const std::uint8_t input[] = {'s', 'e', 'c', 'r', 'e', 't', 0x78, 0x56, 0x34, 0x12};
  ripemd160_update(&ctx, sizeof input, input);
  std::uint8_t d[20];
  ripemd160_digest(&ctx, sizeof d, d);
  const std::array<std::uint8_t, 4> expected{d[3], d[2], d[1], d[0]};
  EXPECT_EQ(password_proof("secret", 0x12345678), expected);
  EXPECT_EQ(password_proof("", 0x12345678), (std::array<std::uint8_t, 4>{0, 0, 0, 0}));
}

TEST(PacketReader, RefusesToReadPastTheEnd) {
  const std::uint8_t bytes[] = {7, 1, 0, 0, 0, 2, 0};
  PacketReader in(std::span<const std::uint8_t>(bytes, sizeof bytes));
  EXPECT_EQ(in.i32(), 1);
  EXPECT_TRUE(in.ok());
  EXPECT_EQ(in.i32(), 0);
  EXPECT_FALSE(in.ok());
  EXPECT_TRUE(in.bytes(1).empty());
  EXPECT_EQ(in.rest(), "");
  PacketReader empty(std::span<const std::uint8_t>(bytes, 0));
  EXPECT_FALSE(empty.ok());
}

// A client with an open socket whose server is `server_socket`, in the
// build folder's data (for the track list).
class ClientProtocol : public ::testing::Test {
 protected:
  void SetUp() override {
    point_data_dirs(tree.path("xdg"), TAVRIN_BUILD_DIR);
    clear_messages();
    server_socket = net_open();
    ASSERT_GE(server_socket, 0);
    ASSERT_TRUE(net_bind(server_socket, 0));
    client.socket = net_open();
    ASSERT_GE(client.socket, 0);
    ASSERT_TRUE(net_resolve(client.server_address,
                            ("127.0.0.1:" + std::to_string(net_local_port(server_socket))).c_str(),
                            net_default_port));
  }
  void TearDown() override {
    net_drop(client);
    net_close(server_socket);
    reset_data_dirs_for_tests();
  }

  void feed(const std::vector<std::uint8_t>& bytes) { net_handle_datagram(client, game, bytes); }
  // Puts the client in `state` with slot 2, token 77 and session 9.
  void in_state(int state) {
    client.state = state;
    client.slot = 2;
    client.token = 77;
    client.session = 9;
  }
  // Datagrams the client sent to the stand-in server.
  std::vector<std::vector<std::uint8_t>> sent() {
    std::vector<std::vector<std::uint8_t>> all;
    std::uint8_t buffer[2048];
    NetAddress from;
    for (int n; (n = net_receive_direct(server_socket, buffer, sizeof buffer, from)) >= 0;)
      all.emplace_back(buffer, buffer + n);
    return all;
  }

  TempTree tree;
  NetClient client;
  GameState game;
  int server_socket = -1;
};

TEST_F(ClientProtocol, WelcomeGivesSlotTokenAndIdentifiedState) {
  feed(datagram(packet_welcome, {3, 1234, net_server_version}));
  EXPECT_EQ(client.state, net_identified);
  EXPECT_EQ(client.slot, 3);
  EXPECT_EQ(client.token, 1234);
}

TEST_F(ClientProtocol, WelcomeOfAnotherVersionStartsToDisconnect) {
  feed(datagram(packet_welcome, {3, 1234, 5}));
  EXPECT_EQ(client.state, net_disconnecting);
  EXPECT_TRUE(was_posted("Server version does not match client version"));
}

TEST_F(ClientProtocol, BikesOfLowerSlotsAfterAHigherOneAreIgnored) {
  in_state(net_track_known);
  feed(datagram(packet_bike, {9, 3}, "crf250\n7\nSeven"));
  feed(datagram(packet_bike, {9, 2}, "crf250\n8\nEight"));
  EXPECT_EQ(client.bike_ack, 3);
  EXPECT_EQ(client.state, net_receiving_bikes);
  EXPECT_EQ(client.lineup[3], 5);
  EXPECT_EQ(client.lineup[2], 0);
  EXPECT_EQ(client.bike_info[3].name, "Seven");
}

TEST_F(ClientProtocol, ReliableMessagesAreHandledInOrderAndEachAcknowledgedOnArrival) {
  in_state(net_racing);
  client.in_expected = 4;
  PacketWriter five(packet_reliable);
  five.i32(5).u8(reliable_text).text("five");
  PacketWriter four(packet_reliable);
  four.i32(4).u8(reliable_text).text("four");
  feed(five.bytes);
  EXPECT_FALSE(was_posted("five"));
  feed(four.bytes);
  const auto lines = posted_lines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], "four");
  EXPECT_EQ(lines[1], "five");
  EXPECT_EQ(client.in_expected, 6);
  // A repeat of an old message is acknowledged again but not shown.
  feed(four.bytes);
  EXPECT_EQ(posted_lines().size(), 2u);
  const auto acks = sent();
  ASSERT_EQ(acks.size(), 3u);
  EXPECT_EQ(acks[0], datagram(packet_ack, {2, 77, 5}));
  EXPECT_EQ(acks[1], datagram(packet_ack, {2, 77, 4}));
  EXPECT_EQ(acks[2], datagram(packet_ack, {2, 77, 4}));
}

TEST_F(ClientProtocol, TrackTheClientLacksLeadsToDisconnectNotASession) {
  in_state(net_identified);
  client.session = 0;
  feed(datagram(packet_track, {9, 0, 3, 1800, 0, 0, 0, 0, 0}, "nosuchtrack"));
  EXPECT_TRUE(was_posted("Can't find track 'nosuchtrack'"));
  EXPECT_EQ(client.state, net_disconnecting);
}

TEST_F(ClientProtocol, TrackTheClientHasMovesOnWithTheRaceSettings) {
  in_state(net_identified);
  client.session = 0;
  feed(datagram(packet_track, {9, 0, 3, 1800, 1, 2, 3, 4, 5}, "practice"));
  EXPECT_EQ(client.state, net_track_known);
  EXPECT_EQ(client.session, 9);
  EXPECT_EQ(client.race_laps, 3);
  EXPECT_EQ(client.gate_drop_tick, 1800);
  EXPECT_EQ(client.track_name, "practice");
  EXPECT_EQ(client.track_digest[0], 1);
  EXPECT_EQ(client.track_digest[19], 0);
}

TEST_F(ClientProtocol, FirstTimePacketMovesTheTickLaterOnesOnlyTheEstimate) {
  in_state(net_session_started);
  game.tick = 5;
  feed(datagram(packet_time, {9, 1000, 0}));
  EXPECT_EQ(game.tick, 1000);
  EXPECT_EQ(client.state, net_racing);
  feed(datagram(packet_time, {9, 1100, 0}));
  EXPECT_EQ(game.tick, 1000);
  EXPECT_EQ(client.server_tick, 1100);
  EXPECT_EQ(client.server_tick_estimate, 1100);
  feed(datagram(packet_time, {8, 5000, 0}));  // another session's
  EXPECT_EQ(client.server_tick, 1100);
}

TEST_F(ClientProtocol, StatesPacketShorterThanItsCountIsRefused) {
  in_state(net_racing);
  client.server_tick = 50;
  feed(datagram(packet_states, {9, 60, 0, 2}, std::string(47, '\0')));
  EXPECT_TRUE(was_posted("State packet too small"));
  EXPECT_EQ(client.server_tick, 50);
  feed(datagram(packet_states, {9, 60, 0, -1}));
  EXPECT_EQ(client.server_tick, 50);
}

TEST_F(ClientProtocol, ServerDisconnectResetsEverythingToOffline) {
  in_state(net_racing);
  client.server_name = "somewhere";
  client.password = "kept";
  feed(datagram(packet_disconnected, {}));
  EXPECT_TRUE(was_posted("Disconnected"));
  EXPECT_EQ(client.socket, -1);
  EXPECT_EQ(client.slot, net_no_slot);
  EXPECT_EQ(client.session, 0);
  EXPECT_TRUE(client.server_name.empty());
  EXPECT_EQ(client.password, "kept");
}

// Every packet type cut short, in every state, changes nothing and reads
// nothing it should not (the sanitizer build watches the reads).
TEST_F(ClientProtocol, ShortAndGarbageDatagramsChangeNothing) {
  struct Case {
    int state;
    std::vector<std::uint8_t> whole;
  };
  const Case cases[] = {
      {net_contacting, datagram(packet_welcome, {3, 1234, net_server_version})},
      {net_identified, datagram(packet_track, {0, 0, 3, 1800, 1, 2, 3, 4, 5})},
      {net_track_known, datagram(packet_bike, {9, 3})},
      {net_track_known, datagram(packet_start, {9, 1})},
      {net_session_started, datagram(packet_time, {9, 1000, 0})},
      {net_racing, datagram(packet_states, {9, 1000, 0, 0})},
      {net_racing, datagram(packet_restart, {10})},
      {net_racing, datagram(packet_reliable, {0})},
      {net_racing, datagram(packet_ack, {0})},
  };
  for (const Case& c : cases) {
    for (std::size_t cut = 1; cut < c.whole.size(); ++cut) {
      in_state(c.state);
      game.tick = 0;
      feed({c.whole.begin(), c.whole.begin() + static_cast<long>(cut)});
      EXPECT_EQ(client.state, c.state) << "type " << int(c.whole[0]) << " cut to " << cut;
      EXPECT_EQ(client.session, 9) << "type " << int(c.whole[0]) << " cut to " << cut;
      EXPECT_EQ(game.tick, 0);
    }
  }
  std::mt19937 random(5);
  for (int i = 0; i < 3000; ++i) {
    const int states[] = {0, 3, 5, 7, 9, 11, 14};
    in_state(states[i % 7]);
    std::vector<std::uint8_t> junk(random() % 80 + 1);
    for (auto& b : junk) b = static_cast<std::uint8_t>(random());
    if (junk[0] == packet_disconnected || junk[0] == packet_start) continue;
    feed(junk);
    ASSERT_GE(client.socket, 0);
  }
}

TEST_F(ClientProtocol, CrossingsForBadSlotsAndGatesAreIgnored) {
  in_state(net_racing);
  PacketWriter message(packet_reliable);
  message.i32(0).u8(reliable_gate).i32(9).i32(3);
  message.i32(45).i32(1).i32(100);          // no such slot
  message.i32(1).i32(2000000000).i32(100);  // absurd gate pass
  message.i32(-1).i32(1).i32(100);
  feed(message.bytes);
  EXPECT_EQ(client.in_expected, 1);
  for (const LineRecorder& progress : game.progress) EXPECT_EQ(progress.next_gate, 0);
}

TEST_F(ClientProtocol, TimeScaleFollowsTheServersTick) {
  struct Case {
    int estimate, tick, drop;
    double scale;
  };
  const Case cases[] = {
      {0, 500, 0, 1.0},        // no server tick yet
      {501, 500, 0, 1.0},      // exactly in step
      {437, 500, 0, 0.75},     // half a second ahead
      {100, 500, 0, 0.5},      // far ahead
      {565, 500, 1000, 2.5},   // half a second behind before the drop
      {1000, 500, 1000, 4.0},  // far behind before the drop
      {517, 500, 0, 1.125},    // behind after the drop: 8h >= 1
      {509, 500, 0, 1.0625},   // 1/16 s behind after the drop
  };
  for (const Case& c : cases) {
    client.server_tick_estimate = c.estimate;
    game.tick = c.tick;
    game.drop_tick = c.drop;
    EXPECT_DOUBLE_EQ(net_time_scale(client, game), c.scale) << c.estimate << " " << c.tick;
  }
  net_drop(client);
  client.server_tick_estimate = 1000;
  EXPECT_EQ(net_time_scale(client, game), 1.0);
}

}  // namespace
