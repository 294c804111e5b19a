#pragma once
// Datagram sockets: address resolution with a default port, one
// non-blocking IPv4 UDP socket per user, send and receive with a readable
// name for the last failure, and an optional fake network (lag and loss
// on the receive side) for testing the race client on a perfect LAN.
//
// Main thread only: the last error and the fake network are process-wide.

#include <cstddef>
#include <cstdint>
#include <random>

// An IPv4 socket address. `port` is in network byte order, `ip` holds the
// four address bytes in network order (127.0.0.1 is {127, 0, 0, 1}).
struct NetAddress {
  int family = 2;  // AF_INET
  std::uint16_t port = 0;
  std::uint8_t ip[4] = {0, 0, 0, 0};
};

bool operator==(const NetAddress& a, const NetAddress& b);

// The name of the last failure ("WSAECONNRESET", ...), or null when the
// last call succeeded or only found nothing to read. Every call below
// clears it first. The names follow the Windows socket error names the
// client prints in "sendto error (%.100s)"; POSIX errors map onto the
// matching condition, anything without a match is "Programmer too lazy
// error".
const char* net_last_error();

// Fills `address` for `name`: "host" or "host:port". The text after the
// last ':' is the port when it reads wholly as a decimal number 0..65535;
// otherwise the whole name (colon included) is the host and
// `default_port` applies. The host is resolved by name, first IPv4
// address. False when the host does not resolve.
bool net_resolve(NetAddress& address, const char* name, int default_port);

// A new non-blocking UDP socket, or -1 (last error set).
int net_open();

// Binds `socket` to `port` on every local address (0: the system picks a
// free port). False on failure (last error set). The race server binds;
// the client lets its first send pick a port.
bool net_bind(int socket, int port);

// The port `socket` is bound to (host order), or -1.
int net_local_port(int socket);

// Sends one datagram. Bytes sent, or -1 (last error set, none for a
// would-block).
int net_send(int socket, const void* data, std::size_t length, const NetAddress& address);

// Receives one datagram of at most `size` bytes (longer ones are cut) into
// `buffer`, through the fake network when lag or loss is set. Its length,
// or -1: with no last error nothing is waiting.
int net_receive(int socket, void* buffer, std::size_t size, NetAddress& from);

// As net_receive, never through the fake network (the race server's own
// socket, which may share the process with a client in tests).
int net_receive_direct(int socket, void* buffer, std::size_t size, NetAddress& from);

// Closes the socket (-1 is ignored) and drops what the fake network held
// for it.
void net_close(int socket);

// Drops the fake network's queue; the socket layer needs no other start
// or stop on this system.
void net_shutdown();

// --- Fake network -----------------------------------------------------

constexpr int fake_queue_slots = 1024;
constexpr int fake_datagram_bytes = 1024;

// The delay queue holds the datagrams of one socket (the client's): a
// fake receive on another socket first empties it.
//
// Lag in seconds (0..1) and loss in percent (0..100). Set from the
// command line's --fake-lag (milliseconds / 1000) and --fake-loss.
// `seed` seeds the loss draws, so a test sees the same drops every run;
// the draws do not touch the game's random generator, whose sequence
// must not depend on the network. `clock` gives the time in seconds (null:
// korb_time), so tests can step time by hand.
void net_set_fake_network(double lag_seconds, int loss_percent, std::uint32_t seed = 1,
                          double (*clock)() = nullptr);
