#pragma once
// How a race's gate passes map onto robot line segments.
//
// A race's gate sequence is the first-lap list (F entries) followed by the
// normal-lap list (N entries), which repeats for every further lap. Gate
// pass g (0 = the first gate after the start) uses first-lap entry g while
// g < F, else normal-lap entry (g - F) mod N. Entries below kNoSplitFlag
// are line gates: they end one line segment and start the next. Entries
// carrying the flag count for timing only.
//
// Line segment k is the stretch that ends at the k-th line gate crossed
// (0-based), so the segment a bike is riding while heading for gate pass g
// is line_segment(g), the number of line gates among passes 0 .. g - 1.
// All laps after the first share the store's segments: segment s is kept
// at store index s while s < F', else F' + (s - F') mod N', F' and N' being
// the numbers of line gates in the two lists.

#include <span>
#include <vector>

struct LineLayout {
  int first_count = 0;          // F
  int normal_count = 0;         // N
  int first_lines = 0;          // F': line gates in the first-lap list
  int normal_lines = 0;         // N': line gates in the normal-lap list
  std::vector<int> first_lap;   // the F entries as read from the track
  std::vector<int> normal_lap;  // the N entries
  // first_prefix[k]: line gates among the first k first-lap entries (F + 1
  // values); normal_prefix likewise for the normal lap (N + 1 values).
  std::vector<int> first_prefix;
  std::vector<int> normal_prefix;
};

// Builds the layout of two lap lists. A layout whose lists hold no line
// gate in either list has no segments (segment_count 0): the track then
// gets no robot lines at all.
LineLayout make_line_layout(std::span<const int> first_lap, std::span<const int> normal_lap);

// S = F' + N' when both are at least 1, else 0.
int segment_count(const LineLayout& layout);

// Lap entry of gate pass g; -1 for g < 0 or without segments.
int gate_pass_lap_entry(const LineLayout& layout, int g);

// True when gate pass g splits lines (its entry is below kNoSplitFlag).
bool is_line_gate(const LineLayout& layout, int g);

// True when gate pass g is the last gate of a lap: g + 1 - F >= 0 and a
// multiple of N.
bool is_lap_end(const LineLayout& layout, int g);

// seg(g): line gates among the first g gate passes (0 for g <= 0).
int line_segment(const LineLayout& layout, int g);

// Store index of line segment s (s >= 0; 0 without segments).
int store_index(const LineLayout& layout, int s);

// The line gate pass before gate pass g, walking back over timing-only
// gates; -1 when the walk runs below 0 (and for g <= 0).
int previous_line_gate(const LineLayout& layout, int g);
