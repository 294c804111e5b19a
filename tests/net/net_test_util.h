#pragma once
// Helpers of the network tests: the posted message lines, and a client
// talking to a plain socket that stands in for the server.

#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "net/net_client.h"
#include "net/wire.h"
#include "platform/messages.h"

// Every line posted since the last clear_messages, oldest first.
inline std::vector<std::string> posted_lines() {
  const MessageList& list = message_list();
  std::vector<std::string> lines;
  for (int i = 0; i < list.write_index; ++i)
    lines.emplace_back(list.lines[static_cast<size_t>(i)].data());
  return lines;
}

inline bool was_posted(const std::string& text) {
  for (const std::string& line : posted_lines())
    if (line.find(text) != std::string::npos) return true;
  return false;
}

// A datagram of `type` with the given 32-bit fields, then `tail` bytes.
inline std::vector<std::uint8_t> datagram(int type, std::initializer_list<std::int32_t> fields,
                                          const std::string& tail = {}) {
  PacketWriter packet(type);
  for (std::int32_t f : fields) packet.i32(f);
  packet.text(tail);
  return packet.bytes;
}
