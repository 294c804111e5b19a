#pragma once
// The on-screen message list: every post_message is logged and shown as
// one line near the top of the screen. Lines are kept in a ring of 1000 so
// the HUD could page back; at most 5 are visible. Each post keeps the
// newest lines up for 2 s; after that the main loop hides the oldest
// visible line every 5 s.
//
// Time here is the game's total time (GameState::total_time, seconds of
// frame advances): the main loop hands it to expire_messages every frame,
// and post_message uses the latest value it was given.

#include <array>

constexpr int message_ring_lines = 1000;
constexpr int message_line_length = 127;  // characters kept on screen
constexpr int max_visible_messages = 5;

// Never freed; cleared once at start-up (clear_messages).
struct MessageList {
  // Null-terminated lines; a posted text longer than 127 characters is
  // cut here (the log keeps all of it).
  std::array<std::array<char, message_line_length + 1>, message_ring_lines> lines{};
  int write_index = 0;    // ring slot of the next post, 0..999
  int visible = 0;        // lines shown, 0..5: the newest `visible` posts
  double deadline = 0;    // total time (s) at which the next line hides
  double total_time = 0;  // latest total time given to expire_messages
};

const MessageList& message_list();

// Empties the ring and hides everything; total time back to 0.
void clear_messages();

// Logs the text (adding "\n" when it does not end with one) and shows it
// on screen. Sets the deadline to total time + 2 s.
void post_message(const char* text);

// Called once per frame with the new total time: when it has passed the
// deadline and a line is visible, hides the oldest visible line and sets
// the next deadline 5 s later.
void expire_messages(double total_time);

// The i-th visible line, 0 = the oldest shown, visible - 1 = the newest.
// Null when i is outside 0..visible-1.
const char* visible_message(int i);
