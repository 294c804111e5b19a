#pragma once
// Candidate submission: a stretch ridden by a rider who is not a robot is
// offered to the store as a new line for its segment.

#include <cstdint>
#include <span>

#include "robots/line_store.h"

enum class CandidateOutcome {
  stored,     // the candidate now fills a cell (empty or evicted)
  cancelled,  // no samples, a crash or stall in the stretch, or unusable values
  duplicate,  // an equal line is already stored
  too_slow,   // the line it would replace is expected to be faster
};

// Offers a candidate for store index c (0 <= c < S): its samples, whether
// the stretch was spoilt by a mishap, and the recording rider's times in
// ticks for this segment (single) and for this and the next segment
// (double).
//
// Refused when there are no samples, the stretch was cancelled, or a
// sample is not finite (a line that cannot be written back and read
// again would end reading of the whole file); when a stored line has the
// same number of points, each within 0.0625 ft/s of speed and 1/16 ft of
// position (duplicate); or when the cell it would take (the first empty
// one, else choose_eviction's) is expected to be faster: line_estimate
// below double x 5 / 4 (too slow). Otherwise the cell gets a copy of the
// points, the recorded times, fresh statistics and a new line id;
// last_picked is left alone.
//
// With debug logging each outcome is logged: "auto pilot: %d canceled",
// "... rejected (duplicate)", "... rejected (too slow)", or "auto pilot:
// evicting %d (times: ...)" with the old and new times.
CandidateOutcome submit_candidate(LineStore& store, int c, std::span<const LinePoint> points,
                                  bool cancelled, std::int32_t single_ticks,
                                  std::int32_t double_ticks);
