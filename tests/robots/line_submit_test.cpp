#include "robots/line_submit.h"

#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include "robots/line_fixtures.h"

namespace {

using namespace line_fixtures;

TEST(SubmitCandidate, RejectsDuplicatesWithinAHairOfAStoredLine) {
  const std::vector<LinePoint> stored = lane_line(0, 0, 0, 30);
  struct Case {
    const char* name;
    float dx, dspeed;
    int count;
    CandidateOutcome outcome;
  } cases[] = {
      {"identical", 0, 0, 10, CandidateOutcome::duplicate},
      {"1/16 ft and 1/16 ft/s away", 0.0625f, 0.0625f, 10, CandidateOutcome::duplicate},
      {"0.07 ft away", 0.07f, 0, 10, CandidateOutcome::stored},
      {"0.07 ft/s faster", 0, 0.07f, 10, CandidateOutcome::stored},
      {"one point more", 0, 0, 11, CandidateOutcome::stored},
  };
  for (const auto& c : cases) {
    LineStore store = store_with_segments(1, 1);
    put_line(store, 0, 3, stored);
    std::vector<LinePoint> candidate = lane_line(0, 0, 0, 30, c.count);
    candidate[4].x += c.dx;
    candidate[4].speed += c.dspeed;
    EXPECT_EQ(submit_candidate(store, 0, candidate, false, 100, 200), c.outcome) << c.name;
  }
}

TEST(SubmitCandidate, StoresIntoTheFirstEmptyCellWithFreshStatistics) {
  LineStore store = store_with_segments(1, 1);
  put_line(store, 1, 0, lane_line(0, 0, 0, 30));
  LineCell& target = segment_cells(store, 1)[1];
  target.last_picked = 555;
  std::vector<LinePoint> candidate = lane_line(0, 3, 3, 30);
  ASSERT_EQ(submit_candidate(store, 1, candidate, false, 300, 650), CandidateOutcome::stored);
  EXPECT_EQ(target.point_count(), 10);
  EXPECT_EQ(target.points[5].z, 3);
  EXPECT_EQ(target.rec_single, 300);
  EXPECT_EQ(target.rec_double, 650);
  EXPECT_EQ(target.tests + target.failures + target.sum_single + target.sum_double, 0);
  EXPECT_EQ(target.best_double, kNoTime);
  EXPECT_EQ(target.line_id, 2);
  EXPECT_EQ(target.last_picked, 555);
}

TEST(SubmitCandidate, RefusesSpoiltOrUnusableSamples) {
  LineStore store = store_with_segments(1, 1);
  std::vector<LinePoint> good = lane_line(0, 0, 0, 30);
  std::vector<LinePoint> nan = good;
  nan[2].speed = std::numeric_limits<float>::quiet_NaN();
  std::vector<LinePoint> inf = good;
  inf[0].x = std::numeric_limits<float>::infinity();
  EXPECT_EQ(submit_candidate(store, 0, {}, false, 1, 2), CandidateOutcome::cancelled);
  EXPECT_EQ(submit_candidate(store, 0, good, true, 1, 2), CandidateOutcome::cancelled);
  EXPECT_EQ(submit_candidate(store, 0, nan, false, 1, 2), CandidateOutcome::cancelled);
  EXPECT_EQ(submit_candidate(store, 0, inf, false, 1, 2), CandidateOutcome::cancelled);
  EXPECT_EQ(occupied_cells(store, 0), 0);
}

// A full segment: 44 fast proven lines and, in cell 10, the line with the
// largest estimate that a candidate must beat.
TEST(SubmitCandidate, ReplacesTheWorstLineOfAFullSegmentOnlyWhenFaster) {
  struct Case {
    const char* name;
    int tests, failures, sum_double, rec_double;
    int candidate_double;
    CandidateOutcome outcome;
  } cases[] = {
      // Untested: the candidate's double time x 5/4 must not exceed the
      // old recorded double time x 5/4 ...
      {"untested, as fast", 0, 0, 0, 1000, 1000, CandidateOutcome::stored},
      {"untested, a tick slower", 0, 0, 0, 1000, 1001, CandidateOutcome::too_slow},
      // ... plus 5 s when the old line has failures.
      {"untested with failures, within 5 s", 0, 1, 0, 1000, 1512, CandidateOutcome::stored},
      {"untested with failures, beyond", 0, 1, 0, 1000, 1513, CandidateOutcome::too_slow},
      // Tested: mean two-segment time plus the failure share of 5 s.
      {"tested, fast enough", 4, 0, 40000, 0, 8000, CandidateOutcome::stored},
      {"tested, too slow", 4, 0, 40000, 0, 8001, CandidateOutcome::too_slow},
      {"tested with failures", 2, 2, 20000, 0, 8256, CandidateOutcome::stored},
      {"tested with failures, too slow", 2, 2, 20000, 0, 8257, CandidateOutcome::too_slow},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    LineStore store = store_with_segments(1, 1);
    for (int i = 0; i < kLinesPerSegment; ++i) {
      if (i == 10)
        put_line(store, 0, i, lane_line(0, 0, 0, 30), c.tests, c.failures, 0, c.sum_double,
                 c.rec_double);
      else
        put_line(store, 0, i, lane_line(0, 0.01f * i, 0.01f * i, 30), 10, 0, 0, 100, 0);
    }
    const std::int32_t old_id = segment_cells(store, 0)[10].line_id;
    std::vector<LinePoint> candidate = lane_line(0, 0, 0, 30, 12);
    EXPECT_EQ(submit_candidate(store, 0, candidate, false, 500, c.candidate_double), c.outcome);
    const LineCell& cell = segment_cells(store, 0)[10];
    if (c.outcome == CandidateOutcome::stored) {
      EXPECT_EQ(cell.point_count(), 12);
      EXPECT_EQ(cell.rec_double, c.candidate_double);
      EXPECT_NE(cell.line_id, old_id);
    } else {
      EXPECT_EQ(cell.line_id, old_id);
    }
    EXPECT_EQ(occupied_cells(store, 0), kLinesPerSegment);
  }
}

}  // namespace
