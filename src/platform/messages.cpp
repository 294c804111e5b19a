#include "platform/messages.h"

#include <algorithm>
#include <cstring>

#include "platform/log.h"

namespace {
MessageList messages;
}

const MessageList& message_list() { return messages; }

void clear_messages() { messages = MessageList{}; }

void post_message(const char* text) {
  size_t length = std::strlen(text);
  if (length > 0 && text[length - 1] == '\n')
    korb_log("%s", text);
  else
    korb_log("%s\n", text);

  auto& line = messages.lines[static_cast<size_t>(messages.write_index)];
  line.fill('\0');
  std::memcpy(line.data(), text, std::min<size_t>(length, message_line_length));
  messages.write_index = (messages.write_index + 1) % message_ring_lines;
  if (messages.visible < max_visible_messages) ++messages.visible;
  messages.deadline = messages.total_time + 2.0;
}

void expire_messages(double total_time) {
  messages.total_time = total_time;
  if (total_time > messages.deadline && messages.visible > 0) {
    --messages.visible;
    messages.deadline = total_time + 5.0;
  }
}

const char* visible_message(int i) {
  if (i < 0 || i >= messages.visible) return nullptr;
  int slot = messages.write_index - messages.visible + i;
  if (slot < 0) slot += message_ring_lines;
  return messages.lines[static_cast<size_t>(slot)].data();
}
