#pragma once
// The receiving side of reliable messages, the same for the race client
// and the race server: messages are numbered from 0; one that arrives
// ahead of its turn waits in a bounded list sorted by number, and each is
// handed on exactly once, in order.

#include <cstddef>
#include <cstdint>
#include <span>
#include <utility>
#include <vector>

// One incoming reliable message held until its turn.
struct NetInMessage {
  std::int32_t seq = 0;
  std::vector<std::uint8_t> bytes;  // kind byte then body
};

// Most messages waiting for their turn: a hostile or broken peer cannot
// grow the list further.
constexpr std::size_t net_in_pending_limit = 64;

// Message `seq` has arrived while `expected` is the next one due: one
// ahead of its turn is kept in `pending` (once). False when the list has
// no room for it: it must not be acknowledged, so that it comes again.
bool hold_reliable(std::vector<NetInMessage>& pending, std::int32_t expected, std::int32_t seq,
                   std::span<const std::uint8_t> bytes);

// When `seq` is the message due, hands it to `handle` and then every
// waiting message that follows on, in order, while `alive()` (a handled
// message may end the connection).
template <class Handle, class Alive>
void deliver_reliable(std::int32_t& expected, std::vector<NetInMessage>& pending, std::int32_t seq,
                      std::span<const std::uint8_t> bytes, Handle&& handle, Alive&& alive) {
  if (seq != expected) return;
  handle(bytes);
  ++expected;
  while (alive() && !pending.empty() && pending.front().seq <= expected) {
    NetInMessage next = std::move(pending.front());
    pending.erase(pending.begin());
    if (next.seq != expected) continue;
    handle(std::span<const std::uint8_t>(next.bytes));
    ++expected;
  }
}
