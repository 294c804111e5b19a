#pragma once
// The robot's path: advancing along it, measuring progress, and extending
// it with stored lines (`pick_next_line`, `splice_line`).

#include <cstdint>

#include "base/vec3.h"
#include "robots/auto_pilot.h"
#include "robots/line_recorder.h"

// Where the bike is and which way its frame points (local -z, world
// frame, unit). Only the frame body matters to the path.
struct PilotFrame {
  Vec3 position;
  Vec3 forward{0, 0, -1};
};

// Step 2 of the auto pilot: when the point the robot heads for is within
// 60 ft horizontally (30 ft in fresh recovery), move on to the next one,
// unless that point lies more than 4 ft away and was reached by a step
// pointing backwards against the frame (a loop in the line is not skipped).
// The path is dropped when it is used up; recovery counts down by one per
// advance. Returns true when path_pos advanced.
bool advance_path(AutoPilot& pilot, const PilotFrame& frame, std::int32_t tick);

// Progress along the path as a point index with fraction: between the
// last point behind the frame (walking back from path_pos - 1) and the
// next one, by their projections on the forward axis. 0 for an empty path.
double path_progress(const AutoPilot& pilot, const PilotFrame& frame);

// `splice_line`: appends the line's points to the path, keeping at most 30
// points behind path_pos, and rebuilds the last up-to-5 old points as a
// cubic into the line's start so the two join smoothly (from the bike
// itself when the path starts fresh: the first point is then appended 5
// times first). Speeds along the join never exceed the blend of the end
// speeds; airborne points (negative speed) are never rebuilt.
void splice_line(AutoPilot& pilot, const LineCell& cell, const PilotFrame& frame);

// How well a line continues the path (0..10 for a fresh path, 0..1
// otherwise): the fresh path prefers lines starting near the bike; a
// running path lines whose start lies on the circle its end rides, at a
// speed it can slow to.
double line_match(const AutoPilot& pilot, const LineCell& cell, const PilotFrame& frame);

// What pick_next_line reads besides the pilot and the store.
struct PickContext {
  std::int32_t tick = 0;
  double seconds = 0;  // seconds since the session start
  int plan_type = 0;   // cost type for the chain search
};

// `pick_next_line`: chooses among the lines of the next segment by the
// chain search's score (with the whole-lap plan taking over 40 to 60 s in)
// and how well each continues the path, marks it and its neighbours as
// picked, notes it in the recorder's used_lines and splices it on. Returns
// the picked line's cell index, or -1 when nothing was appended.
int pick_next_line(AutoPilot& pilot, LineRecorder& recorder, LineStore& store,
                   const PilotFrame& frame, const PickContext& context);
