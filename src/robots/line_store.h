#pragma once
// The robots' line store: per track and skill, up to 45 ridden lines for
// every line segment of a lap, with the time the recording rider needed
// and the outcome of every later robot attempt to ride the line.
//
// Lines come from riders who are not robots (candidate submission, see
// line_submit.h), robots report back how their attempts went (see
// line_recorder.h), and the chain search of line_plan.h finds the cheapest
// smoothly connected chain of lines. The store is kept in a lines file in
// the track's folder (lines_file.h).
//
// Units: positions in feet (y up), speeds in ft/s, times in simulation
// ticks of 1/128 s.

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "base/vec3.h"
#include "robots/line_layout.h"

struct TimingGates;

inline constexpr int kLinesPerSegment = 45;
// Simulation ticks per second (the step is 1/128 s), and one tick in
// seconds for the log lines.
inline constexpr std::int32_t kTicksPerSecond = 128;
inline constexpr double kTickSeconds = 1.0 / kTicksPerSecond;
// The "never measured" time of a cell, and the cost of an unusable line.
inline constexpr std::int32_t kNoTime = 1000000;
// Five seconds in ticks: the price of a failure in estimates and costs.
inline constexpr std::int32_t kFailurePenaltyTicks = 5 * kTicksPerSecond;
inline constexpr int kPlanTypes = 3;

// One sample of a ridden line (20 bytes); also the unit of a robot's path.
struct LinePoint {
  float x = 0, y = 0, z = 0;  // frame body position (feet)
  // Frame body speed (ft/s); stored negative when neither wheel touched
  // the ground at the moment of sampling (the bike was in the air).
  float speed = 0;
  float lean = 0;  // roll angle of the frame (radians, signed)
};
static_assert(sizeof(LinePoint) == 20);

// Where the sample puts the frame body, as a vector.
inline Vec3 point_position(const LinePoint& p) { return {p.x, p.y, p.z}; }

// One stored line. Empty when it has no points.
struct LineCell {
  std::vector<LinePoint> points;       // owned; empty = the cell is empty
  std::int32_t rec_single = kNoTime;   // recording rider's time for this segment
  std::int32_t rec_double = kNoTime;   // ... for this segment and the next together
  std::int32_t tests = 0;              // successful robot attempts
  std::int32_t best_single = kNoTime;  // best single-segment time of a success
  std::int32_t best_double = kNoTime;  // best two-segment time of a success
  std::int32_t sum_single = 0;         // sum of the single times of successes
  std::int32_t sum_double = 0;         // sum of the two-segment times of successes
  std::int32_t failures = 0;           // failed robot attempts
  // Last tick at which a robot picked this line or one ending near it.
  // Survives clearing and replacement: it only paces how often a robot
  // looks at this stretch again.
  std::int32_t last_picked = 0;
  std::int32_t line_id = 0;  // unique id of the current contents, >= 1; 0 = none

  int point_count() const { return static_cast<int>(points.size()); }
};

// The store of the loaded track and skill. One per program (`line_store`);
// its tables are made when a track's timing gates load (create_line_store)
// and freed with them (free_line_store). Cells are cleared and refilled at
// every session start (lines_file.h).
struct LineStore {
  LineLayout layout;            // the gate passes the store was made for
  std::vector<LineCell> cells;  // S x 45, segment-major: see store_cell
  // Per plan cost type 0, 1, 2: S line ids, the chosen line of every store
  // index in the cheapest whole lap (0 = none). Made by plan_lap_lines.
  std::array<std::vector<std::int32_t>, kPlanTypes> plans;
  std::int32_t next_id = 0;  // last id handed out; a new id is ++next_id
  int skill = -1;            // loaded skill file (0..2), -1 = none selected yet
};

extern LineStore line_store;

// Makes the store's tables for the track's lap lists: S x 45 cleared
// cells, three plans of S zero ids, next_id 0. A track whose lists have no
// line gate in one of them gets an empty store (S = 0): no recording or
// planning happens. The skill is kept: it says which file the cells
// belong to when they are saved.
void create_line_store(LineStore& store, const TimingGates& gates);
void create_line_store(LineStore& store, std::span<const int> first_lap,
                       std::span<const int> normal_lap);

// Drops the tables (the track's gates are unloaded).
void free_line_store(LineStore& store);

// S, the number of store segments (0 when the store does not exist).
int store_segments(const LineStore& store);

// The 45 cells of store index c (0 <= c < S).
std::span<LineCell> segment_cells(LineStore& store, int c);
std::span<const LineCell> segment_cells(const LineStore& store, int c);

// Frees the cell's points and resets its statistics to the initial
// values; last_picked is kept.
void clear_cell(LineCell& cell);

// Clears every cell of the store.
void clear_line_store(LineStore& store);

// A fresh line id (1 or more; wraps back to 1 rather than overflow).
std::int32_t new_line_id(LineStore& store);

// Number of non-empty cells of store index c.
int occupied_cells(const LineStore& store, int c);

// The expected two-segment time of a cell in ticks, used to judge
// candidates and choose evictions: with tests >= 1,
// failures x 640 / (tests + failures) + sum_double / tests; untested,
// rec_double x 5 / 4, plus 640 when it has failures. Integer arithmetic,
// 64-bit so no stored value can overflow it.
std::int64_t line_estimate(const LineCell& cell);

// Cost of riding a line, in ticks, by plan cost type:
//   0: 1000000 if tests < 5, else a + 640 x clamp(r)
//   1: 1000000 if tests < 5, else a + 640 x clamp(r x 1.1428572)
//   2: 1000000 if tests < 1, else a + 640 x clamp(r x 4)
//   other (exploring): 100000 when tests + failures >= 6 and
//      failures > 4 x tests, else 1000 x (b + 4) with b the bit length
//      of tests + 4 x failures, and 0 when that sum is 0: untried lines
//      cost nothing and are tried first.
// a = sum_single / tests, r = failures / (tests + failures); the result is
// rounded toward zero.
std::int32_t line_cost(const LineCell& cell, int type);

// Adds one failed attempt to the line `line_id` of store index c; nothing
// when no cell holds that id any more (the line was replaced).
void charge_failure(LineStore& store, int c, std::int32_t line_id);

// Cell to overwrite in a full segment: the non-empty cell with the
// largest estimate (line_estimate, times 3/4 for a line whose start is not
// within 2 ft of another line's start, so lone alternatives survive),
// lowest index on ties. While fewer than 23 cells are proven (failures <
// tests), proven cells are spared. -1 when no cell qualifies.
int choose_eviction(const LineStore& store, int c);

// For every first-lap store index holding 44 or 45 lines: clears the line
// crossed (in the horizontal plane) by the most other lines of the
// segment, then the line choose_eviction names, so that new candidates
// find room.
void prune_crowded_segments(LineStore& store);
