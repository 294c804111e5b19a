#include "net/reliable_inbox.h"

#include <algorithm>

bool hold_reliable(std::vector<NetInMessage>& pending, std::int32_t expected, std::int32_t seq,
                   std::span<const std::uint8_t> bytes) {
  if (seq <= expected) return true;
  auto at = std::lower_bound(pending.begin(), pending.end(), seq,
                             [](const NetInMessage& m, std::int32_t n) { return m.seq < n; });
  if (at != pending.end() && at->seq == seq) return true;
  if (pending.size() >= net_in_pending_limit) return false;
  pending.insert(at, {seq, {bytes.begin(), bytes.end()}});
  return true;
}
