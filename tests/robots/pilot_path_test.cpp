// Path keeping, splicing stored lines onto the path, and the line choice
// on hand-made stores.

#include <gtest/gtest.h>

#include <cmath>

#include "line_fixtures.h"
#include "robots/auto_pilot.h"
#include "robots/pilot_path.h"

namespace {

using line_fixtures::lane_line;
using line_fixtures::put_line;
using line_fixtures::store_with_segments;

LineCell cell_of(std::vector<LinePoint> points) {
  LineCell cell;
  cell.points = std::move(points);
  cell.line_id = 1;
  return cell;
}

// A frame at the origin heading along +x.
PilotFrame frame_at(double x, double z = 0) { return {{x, 0, z}, {1, 0, 0}}; }

TEST(PilotPath, AdvancesWithinReachAndDropsAUsedUpPath) {
  AutoPilot pilot;
  pilot.path = lane_line(0, 0, 0, 30, 3, 50);  // x = 0, 50, 100
  pilot.recovery = 2;
  EXPECT_TRUE(advance_path(pilot, frame_at(0), 7));
  EXPECT_EQ(pilot.path_pos, 1);
  EXPECT_EQ(pilot.last_progress, 7);
  EXPECT_EQ(pilot.recovery, 1);
  EXPECT_TRUE(advance_path(pilot, frame_at(0), 8));  // 50 ft: inside 60
  EXPECT_FALSE(advance_path(pilot, frame_at(0), 9));  // 100 ft
  EXPECT_TRUE(advance_path(pilot, frame_at(45), 10));
  EXPECT_TRUE(pilot.path.empty());
  EXPECT_EQ(pilot.path_pos, 0);
  EXPECT_EQ(pilot.recovery, 0);
}

TEST(PilotPath, FreshRecoveryReachesOnlyThirtyFeet) {
  AutoPilot pilot;
  pilot.path = lane_line(40, 0, 0, 30, 2, 10);
  pilot.recovery = 3;
  EXPECT_FALSE(advance_path(pilot, frame_at(0), 1));
  pilot.recovery = 0;
  EXPECT_TRUE(advance_path(pilot, frame_at(0), 1));
}

TEST(PilotPath, ABackwardStepOfALoopIsNotSkipped) {
  AutoPilot pilot;
  // The line turns back: the step from point 1 to point 2 points along -x.
  pilot.path = {{0, 0, 0, 30, 0}, {20, 0, 0, 30, 0}, {10, 0, 10, 30, 0}, {0, 0, 20, 30, 0}};
  pilot.path_pos = 2;
  EXPECT_FALSE(advance_path(pilot, frame_at(-5), 1));
  // Within 4 ft it is reached all the same.
  EXPECT_TRUE(advance_path(pilot, frame_at(9, 9), 2));
  EXPECT_EQ(pilot.path_pos, 3);
}

TEST(PilotPath, ProgressInterpolatesBetweenThePointsAroundTheFrame) {
  AutoPilot pilot;
  pilot.path = lane_line(0, 0, 0, 30, 6, 10);  // x = 0..50
  pilot.path_pos = 5;
  // Point 2 is the last behind the frame: progress counts from the point
  // after it, a quarter of the way into the next step.
  EXPECT_NEAR(path_progress(pilot, frame_at(22.5)), 3.25, 1e-9);
  EXPECT_NEAR(path_progress(pilot, frame_at(-5)), 0, 1e-9);  // every point ahead
  pilot.path.clear();
  EXPECT_EQ(path_progress(pilot, frame_at(0)), 0);
}

TEST(PilotPath, FirstLineStartsWithFiveCopiesTurnedIntoACurveFromTheBike) {
  AutoPilot pilot;
  LineCell line = cell_of(lane_line(40, 10, 10, 30, 8, 8));
  // The bike stands 10 ft to the side of the line's start, heading +x.
  PilotFrame frame = frame_at(0, 0);
  splice_line(pilot, line, frame);
  ASSERT_EQ(pilot.path.size(), 5u + 8u);
  // Point 0 stays the copy; the four between are a cubic from the bike
  // (position at u = 0) into the line's start (u = 1).
  EXPECT_FLOAT_EQ(pilot.path[5].x, 40);
  for (int j = 1; j < 5; ++j) {
    SCOPED_TRACE(j);
    EXPECT_GT(pilot.path[j].x, pilot.path[j - 1].x - 40);  // rebuilt, no longer the copy
    EXPECT_LT(pilot.path[j].z, 10.0f + 1e-4f);
    EXPECT_GE(pilot.path[j].z, 0.0f);
  }
  // The curve leaves along the heading: z grows slowly at first.
  EXPECT_LT(pilot.path[1].z, pilot.path[4].z);
  // And never asks for more speed than the line's start.
  for (const LinePoint& p : pilot.path) EXPECT_LE(p.speed, 30);
}

TEST(PilotPath, SpliceJoinsTheLastFivePointsAndKeepsThirtyBehind) {
  AutoPilot pilot;
  pilot.path = lane_line(-400, 0, 0, 40, 45, 9);  // ends at x = -4
  pilot.path_pos = 40;
  LineCell line = cell_of(lane_line(6, 3, 3, 20, 10, 9));
  splice_line(pilot, line, frame_at(-50));
  EXPECT_EQ(pilot.path_pos, 30);
  ASSERT_EQ(pilot.path.size(), 35u + 10u);
  int m0 = 35, b = 30;
  EXPECT_FLOAT_EQ(pilot.path[m0].x, 6);
  for (int j = b + 1; j < m0; ++j) {
    SCOPED_TRACE(j);
    double u = double(j - b) / (m0 - b);
    EXPECT_GT(pilot.path[j].z, 0);
    EXPECT_LT(pilot.path[j].z, 3.0f);
    EXPECT_NEAR(pilot.path[j].speed, 40 + (20 - 40) * u, 1e-4);
  }
}

TEST(PilotPath, AirbornePointsAreNeverRebuilt) {
  AutoPilot pilot;
  pilot.path = lane_line(0, 0, 0, 40, 12, 9);
  for (int k = 7; k < 12; ++k) pilot.path[k].speed = -40;
  pilot.path_pos = 2;
  auto before = pilot.path;
  LineCell line = cell_of(lane_line(110, 5, 5, 30, 6, 9));
  splice_line(pilot, line, frame_at(0));
  for (int k = 0; k < 12; ++k) EXPECT_EQ(pilot.path[k].z, before[k].z);
}

TEST(PilotPath, PickTakesTheLineStartingNearTheBikeAndSkipsTheFirstTenFeet) {
  LineStore store = store_with_segments(2, 2);
  put_line(store, 0, 0, lane_line(300, 0, 0, 30));  // far away
  LineCell& near = put_line(store, 0, 1, lane_line(5, 0, 0, 30));
  LineCell& twin = put_line(store, 0, 2, lane_line(5, 40, 1, 30));  // ends beside it
  AutoPilot pilot;
  LineRecorder recorder;
  reset_line_recorder(recorder);
  PickContext context{1000, 1000 / 128.0, 0};
  EXPECT_EQ(pick_next_line(pilot, recorder, store, frame_at(0), context), 1);
  EXPECT_EQ(recorder.used_lines[0], near.line_id);
  EXPECT_EQ(pilot.next_segment, 1);
  EXPECT_EQ(near.last_picked, 1000);
  EXPECT_EQ(twin.last_picked, 1000);
  EXPECT_EQ(segment_cells(store, 0)[0].last_picked, 0);
  EXPECT_EQ(pilot.last_progress, 30 * 128);
  // path[0] is the first copy of (5, 0, 0), 1..4 the curve from the bike,
  // then the line in 9 ft steps: its third point is the first beyond 10 ft.
  EXPECT_EQ(pilot.path_pos, 7);
}

TEST(PilotPath, PickPrefersTheLineThatContinuesThePath) {
  LineStore store = store_with_segments(2, 2);
  AutoPilot pilot;
  pilot.path = lane_line(-90, 0, 0, 30, 10, 9);  // straight along z = 0 to x = -9
  pilot.next_segment = 1;
  put_line(store, 1, 0, lane_line(0, 6, 6, 30));   // a lane off
  put_line(store, 1, 1, lane_line(0, 0, 6, 30));   // continues the straight
  put_line(store, 1, 2, lane_line(0, 0, 0, 60));   // continues, but far faster
  LineRecorder recorder;
  reset_line_recorder(recorder);
  PickContext context{50, 50 / 128.0, 0};  // too soon for the plan scores to count
  EXPECT_EQ(line_match(pilot, segment_cells(store, 1)[0], frame_at(-9)), 0);
  EXPECT_DOUBLE_EQ(line_match(pilot, segment_cells(store, 1)[1], frame_at(-9)), 1);
  EXPECT_EQ(pick_next_line(pilot, recorder, store, frame_at(-9), context), 1);
  EXPECT_EQ(recorder.used_lines[1], segment_cells(store, 1)[1].line_id);
}

TEST(PilotPath, NoLinesForTheSegmentLeavesThePathAlone) {
  LineStore store = store_with_segments(2, 2);
  AutoPilot pilot;
  LineRecorder recorder;
  reset_line_recorder(recorder);
  EXPECT_EQ(pick_next_line(pilot, recorder, store, frame_at(0), {}), -1);
  EXPECT_TRUE(pilot.path.empty());
  EXPECT_EQ(pilot.next_segment, 0);
}

TEST(PilotPath, MarksFromAnEarlierSessionDoNotBlockThePlan) {
  LineStore store = store_with_segments(2, 2);
  AutoPilot pilot;
  pilot.path = lane_line(-90, 0, 0, 30, 10, 9);
  pilot.next_segment = 1;
  // Neither line continues the path, and cell 0 is empty: only the scores
  // can pick a line. Marks left by a long earlier race (ticks start at 0
  // again) must not stop the robot from getting one.
  LineCell& a = put_line(store, 1, 1, lane_line(0, 20, 20, 30));
  LineCell& b = put_line(store, 1, 2, lane_line(0, 30, 30, 30));
  a.last_picked = b.last_picked = 90000;
  LineRecorder recorder;
  reset_line_recorder(recorder);
  PickContext context{1000, 1000 / 128.0, 0};
  EXPECT_EQ(pick_next_line(pilot, recorder, store, frame_at(-9), context), 1);
}

}  // namespace
