// Client datagrams of arbitrary bytes through the race server's parser and
// its ticks: each datagram is a sender byte (the port it comes from), a
// length byte and that many bytes; time moves on between them so the
// relay, resends, race control and timeouts run too.

#include <cstdint>

#include "race_server.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  RaceServer server;
  server.log = nullptr;
  server.socket = net_open();
  if (server.socket < 0) return 0;
  server.has_gates = true;
  server.first_lap_gates = 4;
  server.lap_gates = 5;
  server.laps = 2;
  server.final_lap = 2;
  double now = 1;
  server.clock = now;
  std::size_t at = 0;
  while (at + 2 <= size) {
    NetAddress from;
    net_resolve(from, "127.0.0.1:9", 9);
    from.port = static_cast<std::uint16_t>(9 + data[at] % 4);
    const std::size_t length = std::min<std::size_t>(data[at + 1], size - at - 2);
    server_datagram(server, {data + at + 2, length}, from, now);
    at += 2 + length;
    now += 0.05;
    server_step(server, now);
  }
  stop_server(server);
  return 0;
}
