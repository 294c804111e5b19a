#pragma once
// The roster of 80 robot riders: plate number, personality, bike model and
// graphics of each, and how a session hands them out.

#include <array>
#include <cstdint>
#include <string>

#include "sim/bike.h"

struct RobotRosterEntry {
  const char* number;       // the plate, "20" to "99"
  const char* personality;  // a robot_personalities name
  const char* model;        // bike model name
  // Graphic variants: 0 = the default, else alt1..alt3.
  int rider_body;
  int rider_head;
  int bike;
  int wheels;
};

inline constexpr int kRosterSize = 80;
extern const std::array<RobotRosterEntry, kRosterSize> robot_roster;

// The session start's shuffle of the index list 0..79: for n from 79 down
// to 1, entries n and (r >> 16) mod n swap, r a fresh 32-bit draw of the
// program's random generator. The list is refilled 0..79 first.
void shuffle_roster(std::array<int, kRosterSize>& identities);

// The roster entry for the d-th robot made in a session (0 <= d < 80)
// with lineup code `code`: 2 takes list entry d; 3 (two strokes) and 4
// (four strokes) first swap to position d the entry from 79 down to d + 1
// whose model contains "125" or "250"; a code of 1000 or more the entry
// whose number is code - 1000. Returns the roster index. d outside 0..79
// wraps into it.
int take_roster_entry(std::array<int, kRosterSize>& identities, int d, int code);

// The graphics of an entry as the bike drawing takes them: "@" names such
// as "@rider_body-alt2.png", empty for the default variant.
BikeTextureChoice roster_textures(const RobotRosterEntry& entry);
