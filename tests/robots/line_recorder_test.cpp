#include "robots/line_recorder.h"

#include <gtest/gtest.h>

#include "robots/line_fixtures.h"
#include "track/timing_gates.h"

namespace {

using namespace line_fixtures;

// Gates on a straight along +x: checkpoint k at x = 100 k, radius 20, left
// through +x. First lap: passes 0, 1, 2; every further lap: 3, 4, 5. All
// line gates, so segment s ends at gate pass s. F = N = 3, S = 6.
TimingGates straight_gates(std::vector<int> first_lap = {0, 1, 2},
                           std::vector<int> normal_lap = {3, 4, 5}) {
  TimingGates gates;
  for (int k = 0; k < 8; ++k) {
    Checkpoint c;
    c.radius = 20;
    c.centre = {100.0 * k, 0, 0};
    c.direction = {1, 0, 0};
    gates.checkpoints.push_back(c);
  }
  gates.first_lap = std::move(first_lap);
  gates.normal_lap = std::move(normal_lap);
  return gates;
}

int leader_gates_for_test = 0;
int report_leader(void*) { return leader_gates_for_test; }

class RecorderTest : public testing::Test {
 protected:
  void SetUp() override {
    create_line_store(store, gates);
    reset_line_recorder(recorder);
    race.gates = &gates;
    race.drop_tick = 0;
    race.final_lap = 1000000;
    bike.frame_velocity = {30, 0, 0};
    bike.wheel_on_ground = true;
  }

  // One tick with the bike (frame and front wheel) at x along the straight.
  void ride(int tick, double x) {
    bike.frame_position = {x, 0, 0};
    bike.front_wheel_position = {x + 2, 0, 0};
    race.tick = tick;
    record_lines(store, recorder, bike, race);
  }

  // Marks gate passes 0 .. next - 1 as crossed 100 ticks apart.
  void passed(int next) {
    recorder.next_gate = next;
    recorder.crossing_ticks.clear();
    for (int g = 0; g < next; ++g) recorder.crossing_ticks.push_back(100 * (g + 1));
  }

  TimingGates gates = straight_gates();
  LineStore store;
  LineRecorder recorder;
  RecordedBike bike;
  RecordedRace race;
};

TEST_F(RecorderTest, TheSecondLineGateSubmitsSegmentZeroTimedFromTickZero) {
  ride(32, -50);
  ride(64, -20);
  ride(100, -1);  // front wheel through gate 0
  EXPECT_EQ(recorder.next_gate, 1);
  EXPECT_EQ(crossing_tick(recorder, 0), 100);
  for (int c = 0; c < store_segments(store); ++c) EXPECT_EQ(occupied_cells(store, c), 0);
  ride(128, 50);
  ride(200, 99);  // gate 1
  const LineCell& line = segment_cells(store, 0)[0];
  ASSERT_EQ(line.point_count(), 2);
  EXPECT_EQ(line.points[0].x, -50);
  EXPECT_EQ(line.points[1].x, -20);
  EXPECT_EQ(line.rec_single, 100);
  EXPECT_EQ(line.rec_double, 200);
  EXPECT_EQ(line.line_id, 1);
  // Segment 1's sample stays for the next judgement; segment 2's buffer
  // is empty and ready.
  EXPECT_EQ(recorder.sample_buffers[1].size(), 1u);
  EXPECT_TRUE(recorder.sample_buffers[0].empty());
}

TEST_F(RecorderTest, ACrossingAfterASkippedGateSubmitsNothing) {
  ride(64, -20);
  ride(100, -1);  // gate 0
  ride(160, 50);
  ride(300, 199);  // gate 2, gate 1 skipped: offset 1
  EXPECT_EQ(recorder.next_gate, 3);
  EXPECT_EQ(crossing_tick(recorder, 1), -1);
  EXPECT_EQ(crossing_tick(recorder, 2), 300);
  EXPECT_TRUE(recorder.sample_buffers[0].empty() && recorder.sample_buffers[1].empty());
  ride(320, 230);
  ride(400, 299);  // gate 3: segment 2 would need gate 1
  EXPECT_EQ(occupied_cells(store, 2), 0);
  ride(416, 330);
  ride(500, 399);  // gate 4: segment 3 (gates 2 to 3) is whole
  EXPECT_EQ(occupied_cells(store, 3), 1);
  EXPECT_EQ(segment_cells(store, 3)[0].rec_single, 100);
  EXPECT_EQ(segment_cells(store, 3)[0].rec_double, 200);
}

TEST_F(RecorderTest, LaterLapsShareTheNormalLapsSegments) {
  // Three laps ridden the same way: each stretch is sampled at the same
  // places and timed alike, so the second normal lap only offers
  // duplicates of the first.
  for (int g = 0; g <= 8; ++g) {
    const double gate_x = 100.0 * (g < 3 ? g : 3 + (g - 3) % 3);
    const int at = 128 * (g + 1);
    ride(at - 96, gate_x - 60);
    ride(at - 64, gate_x - 40);
    ride(at - 32, gate_x - 20);
    ride(at - 10, gate_x - 1);
    ASSERT_EQ(recorder.next_gate, g + 1);
  }
  for (int c = 0; c < store_segments(store); ++c) {
    SCOPED_TRACE(c);
    ASSERT_EQ(occupied_cells(store, c), 1);
    const LineCell& line = segment_cells(store, c)[0];
    EXPECT_EQ(line.point_count(), 3);
    EXPECT_EQ(line.rec_single, c == 0 ? 118 : 128);
    EXPECT_EQ(line.rec_double, c == 0 ? 246 : 256);
  }
}

TEST_F(RecorderTest, GatesAreFoundOnlyWhereTheRulesAllow) {
  struct Case {
    const char* name;
    int next_gate;
    std::vector<int> ticks;  // crossing ticks so far
    double x;                // front wheel position
    int crossed;             // gate pass crossed, -1 for none
  } cases[] = {
      {"the next gate", 1, {10}, 100, 1},
      {"one gate skipped", 1, {10}, 200, 2},
      {"two gates skipped", 0, {}, 200, 2},
      {"the lap line cannot be skipped", 2, {10, 20}, 300, -1},
      {"the gate just crossed is not tried", 2, {10, 20}, 100, -1},
      {"a gate behind without a gap", 3, {10, 20, 30}, 0, -1},
      {"a gate behind after a gap", 3, {10, -1, 30}, 100, 1},
      {"three behind, itself skipped", 4, {10, -1, 30, 40}, 100, 1},
      {"nothing near", 1, {10}, 150, -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    reset_line_recorder(recorder);
    recorder.next_gate = c.next_gate;
    recorder.crossing_ticks = c.ticks;
    bike.frame_position = {c.x - 2, 0, 0};
    bike.front_wheel_position = {c.x, 0, 0};
    race.tick = 1000;
    record_lines(store, recorder, bike, race);
    if (c.crossed < 0) {
      EXPECT_EQ(recorder.next_gate, c.next_gate);
    } else {
      EXPECT_EQ(recorder.next_gate, c.crossed + 1);
      EXPECT_EQ(crossing_tick(recorder, c.crossed), 1000);
      for (int g = int(c.ticks.size()); g < c.crossed; ++g)
        EXPECT_EQ(crossing_tick(recorder, g), -1);
    }
  }
}

TEST_F(RecorderTest, AMishapCancelsTheStretch) {
  ride(32, -50);
  recorder.mishap = 1;  // a crash in segment 0
  ride(100, -1);        // gate 0
  EXPECT_EQ(recorder.mishap, 0);
  ride(200, 99);  // gate 1: segment 0 was spoilt
  EXPECT_EQ(occupied_cells(store, 0), 0);
}

TEST_F(RecorderTest, SamplesFourTimesASecondWithAirborneSpeedsNegative) {
  bike.frame_velocity = {3, 4, 0};
  bike.lean = 0.25;
  ride(31, -90);
  ride(32, -80);
  bike.wheel_on_ground = false;
  ride(64, -70);
  ASSERT_EQ(recorder.sample_buffers[0].size(), 2u);
  EXPECT_EQ(recorder.sample_buffers[0][0].speed, 5);
  EXPECT_EQ(recorder.sample_buffers[0][0].lean, 0.25f);
  EXPECT_EQ(recorder.sample_buffers[0][1].speed, -5);
  EXPECT_EQ(recorder.sample_buffers[0][1].x, -70);
  bike.robot = true;
  ride(96, -60);
  EXPECT_EQ(recorder.sample_buffers[0].size(), 2u) << "robots do not record";
}

TEST_F(RecorderTest, WithoutAStoreNothingIsRecordedOrCrossed) {
  LineStore none;
  create_line_store(none, std::vector<int>{0}, std::vector<int>{1 + kNoSplitFlag});
  bike.front_wheel_position = {1, 0, 0};
  race.tick = 64;
  record_lines(none, recorder, bike, race);
  EXPECT_EQ(recorder.next_gate, 0);
  EXPECT_TRUE(recorder.sample_buffers[0].empty());
}

// A robot's crash is charged to the line of its stretch, and to the line
// of the stretch before when it crashes within 1 s of that stretch's gate.
TEST_F(RecorderTest, ACrashSoonAfterAGateChargesThePreviousLineToo) {
  struct Case {
    int after;  // ticks since gate 0
    int previous_failures;
  } cases[] = {{1, 1}, {127, 1}, {128, 0}, {600, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.after);
    create_line_store(store, gates);
    LineCell& first = put_line(store, 0, 0, lane_line(-80, 0, 0, 30));
    LineCell& second = put_line(store, 1, 5, lane_line(0, 0, 0, 30));
    reset_line_recorder(recorder);
    bike.robot = true;
    recorder.used_lines = {first.line_id, second.line_id, 0, 0};
    ride(1000, -1);  // gate 0
    recorder.mishap = 1;
    ride(1000 + c.after, 10);
    EXPECT_EQ(recorder.mishap, 2);
    EXPECT_EQ(second.failures, 1);
    EXPECT_EQ(first.failures, c.previous_failures);
    EXPECT_EQ(recorder.used_lines, (std::array<std::int32_t, 4>{}));
    ride(1000 + c.after + 1, 11);  // accounted once only
    EXPECT_EQ(second.failures, 1);
  }
}

TEST_F(RecorderTest, AStallAfterTheStartIsAMishap) {
  bike.frame_velocity = {4, 0, 0};
  race.drop_tick = 1000;
  ride(1256, -50);  // 2 s after the drop: still starting
  EXPECT_EQ(recorder.mishap, 0);
  ride(1257, -50);
  EXPECT_EQ(recorder.mishap, 2);
}

TEST_F(RecorderTest, ARobotStoppingAfterTheFlagChargesNoLine) {
  LineCell& line = put_line(store, 3, 0, lane_line(200, 0, 0, 30));
  bike.robot = true;
  bike.frame_velocity = {4, 0, 0};
  passed(3);
  recorder.used_lines = {0, 0, 0, line.line_id};
  recorder.finished = true;
  ride(2000, 250);
  EXPECT_EQ(recorder.mishap, 2);
  EXPECT_EQ(line.failures, 0);
}

TEST_F(RecorderTest, ARobotsAttemptIsCreditedOrCharged) {
  struct Case {
    const char* name;
    double z;      // frame's distance from the path
    double speed;  // frame speed
    bool success;
  } cases[] = {
      {"on the line", 3.9, 30, true},
      {"4.1 ft off", 4.1, 30, false},
      {"slightly faster than the line", 0, 31.9, true},
      {"much faster than the line", 0, 32.1, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    create_line_store(store, gates);
    LineCell& zero = put_line(store, 0, 2, lane_line(-80, 0, 0, 30));
    LineCell& one = put_line(store, 1, 0, lane_line(0, 0, 0, 30));
    reset_line_recorder(recorder);
    std::vector<LinePoint> path = lane_line(0, 0, 0, 30, 20, 10);
    bike.robot = true;
    bike.path = path;
    bike.progress = 10.5;  // between path points 9 and 10 (x = 90, 100)
    recorder.used_lines = {zero.line_id, one.line_id, 0, 0};
    passed(1);  // gate 0 at tick 100
    bike.frame_velocity = {c.speed, 0, 0};
    bike.frame_position = {95, 0, c.z};
    bike.front_wheel_position = {100, 0, c.z};
    race.tick = 300;
    record_lines(store, recorder, bike, race);
    ASSERT_EQ(recorder.next_gate, 2);
    if (c.success) {
      EXPECT_EQ(zero.tests, 1);
      EXPECT_EQ(zero.best_single, 100);
      EXPECT_EQ(zero.best_double, 300);
      EXPECT_EQ(zero.sum_single, 100);
      EXPECT_EQ(zero.sum_double, 300);
      EXPECT_EQ(one.failures, 0);
      EXPECT_EQ(recorder.used_lines[0], zero.line_id) << "kept for later";
    } else {
      EXPECT_EQ(zero.tests, 0);
      EXPECT_EQ(one.failures, 1);
      EXPECT_EQ(recorder.used_lines, (std::array<std::int32_t, 4>{}));
    }
  }
}

TEST_F(RecorderTest, ASkippedGateChargesTheStretchItWasIn) {
  // The robot skipped gate 1 and crosses gate 2 on its path: its line for
  // segment 1 is charged, nothing is credited.
  LineCell& zero = put_line(store, 0, 0, lane_line(-80, 0, 0, 30));
  LineCell& one = put_line(store, 1, 0, lane_line(0, 0, 0, 30));
  std::vector<LinePoint> path = lane_line(150, 0, 0, 30, 10, 10);
  bike.robot = true;
  bike.path = path;
  bike.progress = 5;
  passed(1);
  recorder.used_lines = {zero.line_id, one.line_id, 0, 0};
  bike.frame_position = {198, 0, 0};
  bike.front_wheel_position = {200, 0, 0};
  race.tick = 400;
  record_lines(store, recorder, bike, race);
  ASSERT_EQ(recorder.next_gate, 3);
  EXPECT_EQ(one.failures, 1);
  EXPECT_EQ(zero.tests + zero.failures, 0);
  EXPECT_EQ(recorder.used_lines, (std::array<std::int32_t, 4>{}));
}

TEST_F(RecorderTest, TheFinishComesWithTheLeadersFinalGate) {
  race.refresh_standings = report_leader;
  struct Case {
    const char* name;
    int final_lap;
    int gates_before;  // next_gate before crossing it (a lap end)
    int leader_gates;
    bool finished;
  } cases[] = {
      {"completes the race distance", 2, 5, 6, true},
      {"a lap down before the leader finished", 2, 2, 3, false},
      {"a lap down after the leader finished", 2, 2, 6, true},
      {"race length not known yet", 1000000, 5, 6, false},
      {"race length zero means not known", 0, 5, 6, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    reset_line_recorder(recorder);
    passed(c.gates_before);
    race.final_lap = c.final_lap;
    leader_gates_for_test = c.leader_gates;
    ride(2000, 100.0 * c.gates_before - 1);
    EXPECT_EQ(recorder.next_gate, c.gates_before + 1);
    EXPECT_EQ(recorder.finished, c.finished);
  }
  // A finished bike crosses nothing more.
  ride(2100, 599);
  EXPECT_EQ(recorder.next_gate, 6);
}

TEST_F(RecorderTest, AFinishedRobotSlowsToAQuarterAlongItsPath) {
  race.refresh_standings = report_leader;
  leader_gates_for_test = 6;
  race.final_lap = 2;
  std::vector<LinePoint> path = lane_line(480, 0, 0, 40, 5, 10);
  path[3].speed = -40;  // airborne stays airborne
  bike.robot = true;
  bike.path = path;
  bike.progress = 1.7;
  passed(5);
  ride(2000, 499);
  ASSERT_TRUE(recorder.finished);
  const float expected[] = {40, 40, 32.5f, -25, 17.5f};
  for (int j = 0; j < 5; ++j) EXPECT_FLOAT_EQ(path[j].speed, expected[j]) << j;
}

}  // namespace
