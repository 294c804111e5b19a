// The state of a slot at any tick, from its received states.

#include "demo/state_history.h"

#include <gtest/gtest.h>

#include "demo_fixture.h"

namespace {

// A state whose frame x byte tells which one it is.
BikeState marked(std::uint8_t x) {
  BikeState s{};
  s[2] = x;  // most significant byte of frame x
  return s;
}

using StateHistoryTest = DemoTest;

TEST_F(StateHistoryTest, TicksAroundTheEntries) {
  StateHistory history;
  push_state(history, 10, marked(10));
  push_state(history, 20, marked(20));
  push_state(history, 30, marked(30));
  struct Case {
    int tick;
    int x;
  };
  const Case cases[] = {
      {10, 10},            // the oldest entry itself
      {15, 15},            // halfway between 10 and 20
      {20, 20},            // exactly an entry
      {24, 24}, {30, 30},  // the newest
      {45, 30},            // past the newest: the newest holds
  };
  for (const Case& c : cases) {
    BikeState out;
    state_at(history, nullptr, c.tick, test_extent, test_min_height, out);
    EXPECT_EQ(out[2], c.x) << c.tick;
  }
}

TEST_F(StateHistoryTest, PastTheNewestOfAFullRingGivesTheNewest) {
  StateHistory history;
  for (int t = 0; t < 3 * state_history_length; ++t)
    push_state(history, t, marked(static_cast<std::uint8_t>(t)));
  BikeState out;
  int newest = 3 * state_history_length - 1;
  state_at(history, nullptr, newest + 5, test_extent, test_min_height, out);
  EXPECT_EQ(out[2], static_cast<std::uint8_t>(newest));
}

TEST_F(StateHistoryTest, OlderThanTheHistoryGivesTheBikesCurrentState) {
  Bike& bike = add_bike(3, bike_states, 700, 30, 200);
  BikeState current;
  encode_state(bike, test_extent, test_min_height, current);

  StateHistory history;
  BikeState out;
  state_at(history, &bike, 50, test_extent, test_min_height, out);
  EXPECT_EQ(out, current) << "empty history";

  push_state(history, 100, marked(1));
  push_state(history, 101, marked(2));
  state_at(history, &bike, 50, test_extent, test_min_height, out);
  EXPECT_EQ(out, current) << "tick before every entry";

  for (int t = 0; t < state_history_length; ++t) push_state(history, 200 + t, marked(3));
  state_at(history, &bike, 150, test_extent, test_min_height, out);
  EXPECT_EQ(out, current) << "full ring, every entry later";

  state_at(history, nullptr, 150, test_extent, test_min_height, out);
  EXPECT_EQ(out, BikeState{}) << "no bike: zero bytes";
}

TEST_F(StateHistoryTest, ClearedHistoryHoldsNothing) {
  StateHistory history;
  push_state(history, 5, marked(5));
  clear_state_history(history);
  BikeState out;
  out.fill(9);
  state_at(history, nullptr, 6, test_extent, test_min_height, out);
  EXPECT_EQ(out, BikeState{});
}

}  // namespace
