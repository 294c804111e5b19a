#pragma once
// Timing gates: the starting gate positions, the checkpoints a lap is
// timed through, and the two gate sequences of a race (first lap from the
// starting gate, then every further lap). Read from a track's
// timing_gates file; written back by the editor.

#include <string_view>
#include <vector>

#include "base/vec3.h"

inline constexpr int kMaxStartPositions = 40;
inline constexpr int kMaxCheckpoints = 256;
inline constexpr int kMaxLapEntries = 256;
// Added to a lap entry: the gate counts for laps and timing but does not
// split recorded robot lines.
inline constexpr int kNoSplitFlag = 100000;

struct StartPosition {
  Vec3 position;         // feet
  float heading = 0;     // radians, -pi..pi
  int gate_object = -1;  // index of its starting gate statue, -1 while none
};

struct Checkpoint {
  float radius = 0;
  Vec3 centre;     // only x and z take part in the crossing test
  Vec3 direction;  // the side a rider leaves through; only x and z count
};

// Lifetime: from one track load to the next (part of the Track record).
struct TimingGates {
  std::vector<StartPosition> starts;
  // Empty unless timing is active (see `timing_active`): a file without a
  // usable lap definition keeps only its start positions.
  std::vector<Checkpoint> checkpoints;
  std::vector<int> first_lap;   // F entries: checkpoint index, maybe + kNoSplitFlag
  std::vector<int> normal_lap;  // N entries
};

// Reads the timing_gates file at `path`. A missing or unreadable file, or
// one without valid sections, leaves no timing (start positions read so
// far stay). Returns true when timing is active.
bool load_timing_gates(TimingGates& gates, std::string_view path);

// Writes "@" + track_name + "/timing_gates". Posts
// "Can't open 'timing_gates'" and writes nothing when it cannot be created.
bool save_timing_gates(const TimingGates& gates, std::string_view track_name);

void free_timing_gates(TimingGates& gates);

// True when the track has checkpoints and both lap lists hold at least one
// entry that splits lines.
bool timing_active(const TimingGates& gates);

// The crossing test: p is through checkpoint c when it lies within the
// radius (x and z only) on the side the direction points to (a dot product
// of 0 counts).
bool gate_crossed(const Checkpoint& c, Vec3 p);

// Lap entry of gate pass g (0 = the first gate after the start): first-lap
// entry g while g < F, else normal-lap entry (g - F) mod N. -1 without
// timing or for negative g.
int gate_pass_entry(const TimingGates& gates, int g);

// Checkpoint index of gate pass g: its entry less any kNoSplitFlag; -1
// without timing.
int gate_pass_checkpoint(const TimingGates& gates, int g);

// Heading brought into -pi..pi: frac((a + pi) / 2pi) * 2pi - pi.
double normalize_heading(double a);

// Lap entry normalised against `checkpoint_count` checkpoints: negative
// becomes 0, the index is limited to the last checkpoint, the flag kept.
int normalize_lap_entry(int v, int checkpoint_count);
