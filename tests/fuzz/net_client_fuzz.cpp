// Server datagrams of arbitrary bytes through the race client, in every
// connection state: the input is a state choice, then datagrams, each a
// length byte and that many bytes.

#include <cstdint>

#include "net/net_client.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  static const int states[] = {0, 3, 5, 7, 9, 11, 14, 15};
  NetClient client;
  GameState game;  // no world: a start packet cannot start a session
  client.socket = net_open();
  if (client.socket < 0) return 0;
  net_resolve(client.server_address, "127.0.0.1:9", 9);
  client.state = states[data[0] % 8];
  client.slot = data[0] / 8 % 41;
  client.session = 1;
  std::size_t at = 1;
  while (at < size && client.socket >= 0) {
    const std::size_t length = std::min<std::size_t>(data[at], size - at - 1);
    net_handle_datagram(client, game, {data + at + 1, length});
    at += 1 + length;
  }
  net_drop(client);
  return 0;
}
