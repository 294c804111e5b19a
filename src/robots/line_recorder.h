#pragma once
// The line recorder: per bike and tick, samples the ridden line, notes
// crashes and stalls, detects timing-gate crossings (race control reads
// the crossing ticks for laps and standings), offers finished stretches
// of riders to the line store, accounts robots' attempts and marks the
// race finish.
//
// Every Bike holds one LineRecorder. It is reset when the bike is created
// and when race control resets its progress.

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "base/vec3.h"
#include "robots/line_store.h"

struct TimingGates;

// Race state of one bike as far as lines and laps go.
struct LineRecorder {
  // Gate pass number of the next gate to cross; also the gates passed.
  std::int32_t next_gate = 0;
  // Per gate pass number: the tick the bike crossed it, -1 when skipped.
  std::vector<std::int32_t> crossing_ticks;
  // Samples of the stretch being ridden go to buffer
  // line_segment(next_gate) mod 2; the other one holds the previous
  // stretch until its two-segment time is known.
  std::array<std::vector<LinePoint>, 2> sample_buffers;
  // Bit b set: the samples in buffer b must not become a line.
  std::uint8_t cancelled = 0;
  // 0 none; 1 a crash or stall in the current stretch not yet accounted;
  // 2 accounted. Crash and ground-contact code sets 1 (only from 0).
  std::int32_t mishap = 0;
  // Robots: the line taken for segment k is entry k mod 4 (0 = none).
  std::array<std::int32_t, 4> used_lines{};
  bool finished = false;  // the bike has finished the race
};

// Back to the start of a race: gate 0 next, no crossings, empty sample
// buffers (room for 16 samples each), nothing cancelled or used.
void reset_line_recorder(LineRecorder& recorder);

// The tick gate pass g was crossed at, or -1 when it was skipped or not
// reached yet.
std::int32_t crossing_tick(const LineRecorder& recorder, int g);

// What the recorder reads of one bike after its physics step.
struct RecordedBike {
  Vec3 frame_position;           // frame body (feet)
  Vec3 frame_velocity;           // frame body (ft/s)
  Vec3 front_wheel_position;     // front wheel body: the gate test uses it
  bool wheel_on_ground = false;  // the contact depth of either wheel is above 0
  double lean = 0;               // frame roll angle (radians, signed)
  bool robot = false;            // the bike has a robot personality
  // Robots only: the auto pilot's path and the progress along it (a point
  // index with fraction). The finish slows the rest of the path down.
  std::span<LinePoint> path;
  double progress = 0;
};

// The race as the recorder sees it during one tick.
struct RecordedRace {
  const TimingGates* gates = nullptr;  // the loaded track's gates, null without track
  std::int32_t tick = 0;               // the session tick being run
  std::int32_t drop_tick = 0;          // the tick the starting gate drops
  // Lap whose end finishes the race; 1000000 (or 0) while not known, as in
  // a timed race whose time has not run out.
  std::int32_t final_lap = 0;
  // Refreshes the race standings after a crossing and returns the leader's
  // gates passed. Null: the bike is its own leader.
  int (*refresh_standings)(void* context) = nullptr;
  void* context = nullptr;
};

// The sample of the moment: frame position, speed (negative when neither
// wheel touches the ground) and lean.
LinePoint sample_line_point(const RecordedBike& bike);

// `record_lines`, one tick of one bike, in this order:
// 1. sampling: on ticks that are multiples of 32, bikes other than robots
//    add a sample to the buffer of the stretch they ride;
// 2. mishap: a stall (speed below 5 ft/s more than 2 s after the gate drop)
//    sets mishap 1; a mishap 1 becomes 2 and, for a robot, is charged as a
//    failure to the line of the current stretch, and to the line of the
//    previous stretch when its gate was crossed less than 1 s ago;
// 3. gate crossing: the front wheel is tested against the gates from three
//    behind to two ahead of next_gate (the gate just crossed excepted; a
//    gate behind only when a skipped one lies in between; never past an
//    unpassed lap line). A crossing stores the tick, offers the finished
//    stretch (riders crossing the expected gate) or accounts the attempt
//    (robots) at line gates, refreshes the standings and checks the finish.
// The store must have been made from the same gates (create_line_store):
// without store segments no crossing is detected.
void record_lines(LineStore& store, LineRecorder& recorder, const RecordedBike& bike,
                  const RecordedRace& race);
