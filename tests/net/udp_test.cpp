// Datagram sockets on the loopback interface, address resolution and the
// fake network's loss and lag.

#include <arpa/inet.h>

#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "net/udp.h"

namespace {

double fake_time = 0;
double fake_clock() { return fake_time; }

NetAddress loopback(int port) {
  NetAddress address;
  EXPECT_TRUE(net_resolve(address, ("127.0.0.1:" + std::to_string(port)).c_str(), 1));
  return address;
}

// Two sockets on 127.0.0.1: `to` bound to a free port, `from` sending.
class SocketPair : public ::testing::Test {
 protected:
  void SetUp() override {
    to = net_open();
    from = net_open();
    ASSERT_GE(to, 0);
    ASSERT_GE(from, 0);
    ASSERT_TRUE(net_bind(to, 0));
    address = loopback(net_local_port(to));
  }
  void TearDown() override {
    net_set_fake_network(0, 0);
    net_close(to);
    net_close(from);
    net_shutdown();
  }
  void send_text(const char* text) {
    ASSERT_EQ(net_send(from, text, std::strlen(text), address),
              static_cast<int>(std::strlen(text)));
  }
  std::string receive() {
    char buffer[64];
    NetAddress sender;
    const int n = net_receive(to, buffer, sizeof buffer, sender);
    return n < 0 ? "<none>" : std::string(buffer, static_cast<size_t>(n));
  }

  int to = -1, from = -1;
  NetAddress address;
};

TEST_F(SocketPair, DatagramArrivesWithItsSenderAndNothingWaitingIsNoError) {
  EXPECT_EQ(receive(), "<none>");
  EXPECT_EQ(net_last_error(), nullptr);
  send_text("ping");
  char buffer[16];
  NetAddress sender;
  ASSERT_EQ(net_receive(to, buffer, sizeof buffer, sender), 4);
  EXPECT_EQ(std::string(buffer, 4), "ping");
  EXPECT_EQ(sender.port, htons(static_cast<uint16_t>(net_local_port(from))));
  EXPECT_EQ(sender.ip[0], 127);
}

TEST_F(SocketPair, LongDatagramIsCutToTheBuffer) {
  send_text("0123456789");
  char buffer[4];
  NetAddress sender;
  EXPECT_EQ(net_receive(to, buffer, sizeof buffer, sender), 4);
  EXPECT_EQ(std::string(buffer, 4), "0123");
}

TEST_F(SocketPair, FullLossDropsEveryDatagram) {
  net_set_fake_network(0, 100, 7, fake_clock);
  for (int i = 0; i < 200; ++i) send_text("x");
  EXPECT_EQ(receive(), "<none>");
  EXPECT_EQ(net_last_error(), nullptr);
}

TEST_F(SocketPair, PartialLossIsTheSameForTheSameSeed) {
  auto survivors = [&](std::uint32_t seed) {
    net_set_fake_network(0, 50, seed, fake_clock);
    for (int i = 0; i < 40; ++i) send_text(std::to_string(i % 10).c_str());
    std::string got;
    for (std::string d; (d = receive()) != "<none>";) got += d;
    return got;
  };
  const std::string first = survivors(3);
  EXPECT_EQ(survivors(3), first);
  EXPECT_GT(first.size(), 5u);
  EXPECT_LT(first.size(), 35u);
}

TEST_F(SocketPair, LagHoldsADatagramUntilItsTimeInOrder) {
  fake_time = 100;
  net_set_fake_network(0.25, 0, 1, fake_clock);
  send_text("a");
  send_text("b");
  EXPECT_EQ(receive(), "<none>");
  fake_time = 100.2499;
  EXPECT_EQ(receive(), "<none>");
  fake_time = 100.25;
  EXPECT_EQ(receive(), "a");
  EXPECT_EQ(receive(), "b");
  EXPECT_EQ(receive(), "<none>");
}

TEST(NetResolve, PortsAndHostNames) {
  struct Case {
    const char* name;
    bool resolves;
    int port;
  };
  const Case cases[] = {
      {"127.0.0.1", true, 19800},
      {"127.0.0.1:2000", true, 2000},
      {"localhost:65535", true, 65535},
      // Not a port: the whole name, colon included, is the host.
      {"localhost:abc", false, 0},
      {"127.0.0.1:99999", false, 0},
      {"", false, 0},
      {":2000", false, 0},
  };
  for (const Case& c : cases) {
    NetAddress address;
    EXPECT_EQ(net_resolve(address, c.name, 19800), c.resolves) << c.name;
    if (c.resolves) {
      EXPECT_EQ(ntohs(address.port), c.port) << c.name;
      EXPECT_EQ(address.ip[0], 127) << c.name;
    }
  }
}

TEST(NetSend, ClosedSocketReportsItsErrorName) {
  const int s = net_open();
  ASSERT_GE(s, 0);
  net_close(s);
  NetAddress address;
  ASSERT_TRUE(net_resolve(address, "127.0.0.1:9", 1));
  EXPECT_EQ(net_send(s, "x", 1, address), -1);
  ASSERT_NE(net_last_error(), nullptr);
  EXPECT_STREQ(net_last_error(), "WSAENOTSOCK");
}

}  // namespace
