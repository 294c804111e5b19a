// tavrin-server as its own process and its datagram parser: the command
// line, a clean stop on SIGTERM that tells connected clients, and packets
// that are short, forged or too many.

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "data/data_dirs.h"
#include "data/point_data_dirs.h"
#include "data/temp_tree.h"
#include "net_test_util.h"
#include "race_server.h"
#include "server_options.h"

namespace {

TEST(ServerOptions, CommandLines) {
  struct Case {
    std::vector<const char*> args;
    bool ok;
    int laps, minutes, max_riders, port;
  };
  const Case cases[] = {
      {{"--track", "venloop"}, true, 5, 0, 40, 19800},
      {{"--track", "venloop", "--minutes", "10"}, true, 0, 10, 40, 19800},
      {{"--track", "venloop", "--minutes", "10", "--laps", "2"}, true, 2, 10, 40, 19800},
      {{"--port", "0", "--track", "sxarena", "--max-riders", "4", "--no-arcade"}, true, 5, 0, 4, 0},
      {{}, false, 0, 0, 0, 0},
      {{"--track"}, false, 0, 0, 0, 0},
      {{"--track", "../etc"}, false, 0, 0, 0, 0},
      {{"--track", "venloop", "--laps", "0"}, false, 0, 0, 0, 0},
      {{"--track", "venloop", "--max-riders", "41"}, false, 0, 0, 0, 0},
      {{"--track", "venloop", "--port", "70000"}, false, 0, 0, 0, 0},
      {{"--track", "venloop", "--laps", "3x"}, false, 0, 0, 0, 0},
      {{"--track", "venloop", "--bogus"}, false, 0, 0, 0, 0},
  };
  for (const Case& c : cases) {
    std::vector<const char*> argv{"tavrin-server"};
    argv.insert(argv.end(), c.args.begin(), c.args.end());
    ServerOptions options;
    bool help = false;
    std::string error;
    const bool ok =
        parse_server_options(static_cast<int>(argv.size()), argv.data(), options, help, error);
    EXPECT_EQ(ok, c.ok) << ::testing::PrintToString(c.args) << " " << error;
    if (!ok || !c.ok) continue;
    EXPECT_EQ(options.laps, c.laps);
    EXPECT_EQ(options.minutes, c.minutes);
    EXPECT_EQ(options.max_riders, c.max_riders);
    EXPECT_EQ(options.port, c.port);
  }
}

// Waits up to `seconds` for a datagram on `socket`.
std::vector<std::uint8_t> wait_datagram(int socket, double seconds) {
  pollfd wait{socket, POLLIN, 0};
  if (poll(&wait, 1, static_cast<int>(seconds * 1000)) <= 0) return {};
  std::uint8_t buffer[2048];
  NetAddress from;
  const int n = net_receive_direct(socket, buffer, sizeof buffer, from);
  return n < 0 ? std::vector<std::uint8_t>{} : std::vector<std::uint8_t>(buffer, buffer + n);
}

TEST(ServerProcess, StopsCleanlyOnSigtermTellingItsClients) {
  TempTree tree;
  int out[2];
  ASSERT_EQ(pipe(out), 0);
  const pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    dup2(out[1], 1);
    close(out[0]);
    setenv("XDG_DATA_HOME", tree.path("xdg").c_str(), 1);
    setenv("QZ_HOME", TAVRIN_BUILD_DIR, 1);
    const std::string program = std::string(TAVRIN_BUILD_DIR) + "/tavrin-server";
    execl(program.c_str(), program.c_str(), "--port", "0", "--track", "practice", nullptr);
    _exit(127);
  }
  close(out[1]);
  std::FILE* log = fdopen(out[0], "r");
  ASSERT_NE(log, nullptr);
  std::string output;
  int port = -1;
  char line[512];
  while (port < 0 && std::fgets(line, sizeof line, log)) {
    output += line;
    std::sscanf(line, "listening on port %d", &port);
  }
  ASSERT_GT(port, 0) << output;

  const int s = net_open();
  NetAddress server;
  ASSERT_TRUE(net_resolve(server, ("127.0.0.1:" + std::to_string(port)).c_str(), 1));
  const auto hello = datagram(packet_hello, {0, 0, net_client_version});
  ASSERT_EQ(net_send(s, hello.data(), hello.size(), server), 13);
  const auto welcome = wait_datagram(s, 10);
  ASSERT_EQ(welcome.size(), 13u);
  EXPECT_EQ(welcome[0], packet_welcome);

  ASSERT_EQ(kill(pid, SIGTERM), 0);
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  EXPECT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  const auto goodbye = wait_datagram(s, 5);
  ASSERT_EQ(goodbye.size(), 1u);
  EXPECT_EQ(goodbye[0], packet_disconnected);
  while (std::fgets(line, sizeof line, log)) output += line;
  EXPECT_NE(output.find("server stopped"), std::string::npos) << output;
  std::fclose(log);
  net_close(s);
}

// A server in this process fed datagrams by hand from a test socket's
// address, so its answers can be read.
class ServerParser : public ::testing::Test {
 protected:
  void SetUp() override {
    point_data_dirs(tree.path("xdg"), TAVRIN_BUILD_DIR);
    server.log = nullptr;
    ServerOptions options;
    options.port = 0;
    options.track = "practice";
    options.password = "pw";
    ASSERT_TRUE(start_server(server, options, now));
    me = net_open();
    ASSERT_TRUE(net_bind(me, 0));
    ASSERT_TRUE(
        net_resolve(address, ("127.0.0.1:" + std::to_string(net_local_port(me))).c_str(), 1));
  }
  void TearDown() override {
    stop_server(server);
    net_close(me);
    reset_data_dirs_for_tests();
  }
  void feed(const std::vector<std::uint8_t>& bytes) {
    server_datagram(server, bytes, address, now);
  }
  int answers() {
    int n = 0;
    std::uint8_t buffer[2048];
    NetAddress from;
    while (net_receive_direct(me, buffer, sizeof buffer, from) >= 0) ++n;
    return n;
  }

  TempTree tree;
  RaceServer server;
  int me = -1;
  NetAddress address;
  double now = 50;
};

TEST_F(ServerParser, ShortPacketsFromAKnownSlotChangeNothing) {
  feed(datagram(packet_hello, {0, 0, net_client_version}));
  ASSERT_TRUE(server.clients[0].used);
  const std::int32_t token = server.clients[0].token;
  const auto proof = password_proof("pw", token);
  std::string info(reinterpret_cast<const char*>(proof.data()), 4);
  info += std::string(28, '\0') + "crf250\n1\nA";
  const std::vector<std::vector<std::uint8_t>> wholes = {
      datagram(packet_client_info, {0, token}, info),
      datagram(packet_track_ack, {0, token, server.session}),
      datagram(packet_bike_ack, {0, token, server.session, -1}),
      datagram(packet_ready, {0, token, server.session}),
      datagram(packet_state, {0, token, server.session, 1, 1}, std::string(39, 'x')),
      datagram(packet_restart_request, {0, token, 1}),
      datagram(packet_reliable, {0, token, 0}, "\x13hi"),
      datagram(packet_ack, {0, token, 0}),
  };
  for (const auto& whole : wholes) {
    // Rider text and message body may be empty: cut into the fixed part.
    const std::size_t shortest_whole = whole[0] == packet_client_info ? 41
                                       : whole[0] == packet_reliable  ? 14
                                                                      : whole.size();
    for (std::size_t cut = 1; cut < shortest_whole; ++cut) {
      feed({whole.begin(), whole.begin() + static_cast<long>(cut)});
      const ServerClient& c = server.clients[0];
      ASSERT_TRUE(c.used) << "type " << int(whole[0]) << " cut to " << cut;
      EXPECT_FALSE(c.identified) << "type " << int(whole[0]) << " cut to " << cut;
      EXPECT_EQ(c.in_expected, 0);
    }
  }
  feed(wholes[0]);
  EXPECT_TRUE(server.clients[0].identified);
}

TEST_F(ServerParser, ForgedTokensAreRefusedAndStrangersAnsweredAtALimitedRate) {
  feed(datagram(packet_hello, {0, 0, net_client_version}));
  const std::int32_t token = server.clients[0].token;
  answers();
  for (int i = 0; i < 500; ++i)
    feed(datagram(packet_client_info, {0, token + 1}, std::string(40, 'z')));
  EXPECT_FALSE(server.clients[0].identified);
  // The hello was this window's first stranger.
  EXPECT_EQ(answers(), server_stranger_limit - 1);
  now += 1.5;
  feed(datagram(packet_disconnect, {0, token + 1}));
  EXPECT_TRUE(server.clients[0].used);
  EXPECT_EQ(answers(), 1);
}

TEST_F(ServerParser, WrongPasswordFreesTheSlot) {
  feed(datagram(packet_hello, {0, 0, net_client_version}));
  const std::int32_t token = server.clients[0].token;
  feed(datagram(packet_client_info, {0, token, 0}, std::string(28, '\0') + "m\n1\nA"));
  EXPECT_FALSE(server.clients[0].used);
}

TEST_F(ServerParser, RandomDatagramsNeverTakeMoreThanTheirSlot) {
  std::mt19937 random(9);
  for (int i = 0; i < 20000; ++i) {
    std::vector<std::uint8_t> junk(random() % 70 + 1);
    for (auto& b : junk) b = static_cast<std::uint8_t>(random() % 4 ? random() % 20 : random());
    feed(junk);
  }
  int used = 0;
  for (const ServerClient& c : server.clients) used += c.used;
  EXPECT_LE(used, 1);
}

}  // namespace
