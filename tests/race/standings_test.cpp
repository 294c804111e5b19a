// Lap arithmetic, standings, race length, finish and cutting penalties with
// bikes moved through the gates by the test.

#include "race/standings.h"
#include "race/laps.h"
#include "race_fixture.h"

using Standings = RaceTest;

TEST_F(Standings, LapArithmeticFollowsTheGatePasses) {
  laps_race(4, 5, 3);
  enter(0);
  game.drop_tick = 100;
  struct Case {
    int gates, laps;
  } cases[] = {{0, 0}, {3, 0}, {4, 1}, {8, 1}, {9, 2}, {14, 3}};
  for (const Case& c : cases) {
    game.progress[0].next_gate = c.gates;
    EXPECT_EQ(laps_completed(game, 0), c.laps) << c.gates << " gates";
  }
  EXPECT_EQ(lap_end_gate(game, 1), 3);
  EXPECT_EQ(lap_end_gate(game, 3), 13);
  game.has_gates = false;
  EXPECT_EQ(laps_completed(game, 0), 0);
}

TEST_F(Standings, LapTimesAndTheBestLapSkipTheFirstLap) {
  laps_race(2, 2, 5);
  enter(0);
  game.drop_tick = 1000;
  // Lap ends at gate passes 1, 3, 5, 7: laps of 900, 500, 400, 400 ticks.
  const int ticks[] = {1500, 1900, 2100, 2400, 2600, 2800, 3000, 3200};
  for (int g = 0; g < 8; ++g) cross(0, g, ticks[g]);
  EXPECT_EQ(lap_ticks(game, 0, 1), 900);
  EXPECT_EQ(lap_ticks(game, 0, 2), 500);
  EXPECT_EQ(lap_ticks(game, 0, 5), 0);  // not ridden
  EXPECT_EQ(best_lap(game, 0).lap, 3);  // the earlier of two equal laps
  EXPECT_EQ(best_lap(game, 0).ticks, 400);
  // A skipped lap line leaves the laps on both sides of it without a time.
  game.progress[0].crossing_ticks[3] = -1;
  EXPECT_EQ(lap_ticks(game, 0, 2), 0);
  EXPECT_EQ(lap_ticks(game, 0, 3), 0);
  EXPECT_EQ(best_lap(game, 0).lap, 4);
}

TEST_F(Standings, MoreGatesThenEarlierCrossingThenLowerSlot) {
  laps_race(4, 5, 3);
  for (int slot : {0, 1, 3, 5}) enter(slot);
  ride(0, 0, 1, 100, 100);  // 2 gates, latest at 200
  ride(1, 0, 2, 100, 100);  // 3 gates
  ride(3, 0, 1, 110, 90);   // 2 gates, latest at 200: equal to slot 0
  ride(5, 0, 1, 90, 100);   // 2 gates, latest at 190
  update_standings(game);
  EXPECT_EQ(order(), (std::vector<int>{1, 5, 0, 3}));
  EXPECT_EQ(game.standings[0].gates, 3);
  EXPECT_EQ(game.standings[0].tick, 300);
}

TEST_F(Standings, LappedRiderFinishesAtTheFirstLapEndAfterTheFlag) {
  laps_race(4, 5, 3);  // the flag falls at gate pass 13
  enter(0);
  enter(1);
  ride(0, 0, 12, 100, 100);  // leader up to gate 12 at 1300
  ride(1, 0, 7, 150, 100);   // one lap down
  update_standings(game);
  EXPECT_FALSE(is_finished(game, 0));
  cross(0, 13, 1400);  // the leader takes the flag
  update_standings(game);
  EXPECT_TRUE(is_finished(game, 0));
  EXPECT_FALSE(is_finished(game, 1));  // its latest lap end (gate 3) lies before the flag
  EXPECT_FALSE(game.results_done);
  cross(1, 8, 1500);  // end of its second lap
  update_standings(game);
  EXPECT_TRUE(is_finished(game, 1));
  EXPECT_TRUE(game.results_done);
  EXPECT_EQ(order(), (std::vector<int>{0, 1}));
}

TEST_F(Standings, TimedRaceSetsTheFinalLapWhenTheTimeRunsOut) {
  // 2 minutes + 1 lap; the leader has completed 3 laps (gate 13) before
  // tick 15360 and rides its fourth.
  struct Case {
    const char* what;
    int leader_last_gate;  // the crossing that triggers the update at tick 15400
    int final_lap;
  } cases[] = {
      {"another rider's crossing", 13, 5},
      {"the leader's own lap end", 18, 6},
  };
  for (const Case& c : cases) {
    game = GameState{};
    game.has_gates = true;
    game.first_lap_gates = 4;
    game.lap_gates = 5;
    game.race_ticks = 15360;
    game.laps = 1;
    enter(0);
    enter(1);
    ride(0, 0, 13, 1000, 1000);  // gate 13 at 14000
    ride(1, 0, 10, 1100, 1000);
    game.tick = 8000;
    update_standings(game);
    EXPECT_EQ(game.halfway_lap, 4) << c.what;  // leader on its fourth lap
    EXPECT_EQ(game.final_lap, lap_unknown) << c.what;
    if (c.leader_last_gate > 13)
      ride(0, 14, c.leader_last_gate, 14300, 220);
    else
      cross(1, 11, 15400);
    game.tick = 15400;
    update_standings(game);
    EXPECT_EQ(game.final_lap, c.final_lap) << c.what;
    update_standings(game);  // nobody ended the lap before the extra one in time
    EXPECT_EQ(game.final_lap, c.final_lap) << c.what;
  }
}

TEST_F(Standings, LapEndCrossedBeforeTheTimeRanOutAddsALap) {
  game.first_lap_gates = 4;
  game.lap_gates = 5;
  game.race_ticks = 15360;
  game.laps = 1;
  game.final_lap = 4;  // assumed when the time ran out
  game.halfway_lap = 2;
  enter(0);
  ride(0, 0, 13, 1000, 1000);  // end of lap 3 (= final_lap - laps) at 14000
  game.tick = 15400;
  update_standings(game);
  EXPECT_EQ(game.final_lap, 5);
}

TEST_F(Standings, CuttingTwoGatesCostsTheTimeGainedPlusOneSecond) {
  laps_race(10, 5, 1);
  game.final_lap = lap_unknown;  // no finish: penalties only
  for (int slot : {0, 1, 2}) enter(slot);
  // Riders 1 and 2 need 9 s and 11 s from gate 3 to gate 6 (10 s on average).
  ride(1, 0, 9, 128, 384);
  ride(2, 0, 9, 128, 469);
  game.progress[1].crossing_ticks[6] = game.progress[1].crossing_ticks[3] + 9 * 128;
  game.progress[2].crossing_ticks[6] = game.progress[2].crossing_ticks[3] + 11 * 128;
  // Rider 0 skips gates 4 and 5 and needs 4 s from 3 to 6.
  ride(0, 0, 9, 100, 300);
  game.progress[0].crossing_ticks[4] = game.progress[0].crossing_ticks[5] = -1;
  game.progress[0].crossing_ticks[6] = game.progress[0].crossing_ticks[3] + 4 * 128;
  update_standings(game);
  EXPECT_EQ(reference_time(game, 3, 6), 10 * 128);
  const int before = game.standings[0].slot == 0 ? game.standings[0].tick : -1;
  ASSERT_EQ(before, game.progress[0].crossing_ticks[9]);
  apply_cutting_penalties(game);
  EXPECT_EQ(game.penalty_ticks[0], 7 * 128);
  EXPECT_EQ(game.penalty_ticks[1], 0);
  EXPECT_EQ(game.penalty_laps[0], 0);
  for (int i = 0; i < game.standing_count; ++i) {
    if (game.standings[static_cast<size_t>(i)].slot == 0) {
      EXPECT_EQ(game.standings[static_cast<size_t>(i)].tick, before + 7 * 128);
    }
  }
}

TEST_F(Standings, ReferenceTimeWithoutAnyRiderIsOneMinute) {
  laps_race(4, 5, 3);
  enter(0);
  ride(0, 0, 2, 100, 100);
  game.progress[0].crossing_ticks[1] = -1;
  update_standings(game);
  EXPECT_EQ(reference_time(game, 0, 2), 60 * 128);
}

TEST_F(Standings, CutWorthMoreThanTheBestLapTakesLapsAway) {
  laps_race(2, 4, 4);  // lap ends at gate passes 1, 5, 9, 13, 17
  game.final_lap = lap_unknown;
  enter(0);
  enter(1);
  ride(1, 0, 17, 1000, 1000);  // 1000 ticks per gate, 4000 per lap
  // Rider 0 rides the same pace but goes from gate 4 straight to gate 11
  // in 500 ticks, then on to the end of lap 5: its only timed lap is lap 5.
  ride(0, 0, 4, 1000, 1000);
  ride(0, 11, 17, 5500, 1000);
  update_standings(game);
  ASSERT_EQ(best_lap(game, 0).lap, 5);
  // Reference 4 to 11: 7000 (rider 1, both laps it rode them), plus a
  // second: 7128 - 500 = 6628 ticks, more than the 4000 of the best lap.
  EXPECT_EQ(reference_time(game, 4, 11), 7000);
  apply_cutting_penalties(game);
  EXPECT_EQ(game.penalty_laps[0], 1);
  EXPECT_EQ(game.penalty_ticks[0], 2628);
  EXPECT_EQ(order(), (std::vector<int>{1, 0}));
  EXPECT_EQ(game.standings[1].gates, 14);
}

TEST_F(Standings, RaceDescriptionNamesMinutesAndLaps) {
  struct Case {
    int race_ticks, laps;
    const char* text;
  } cases[] = {
      {15360, 1, "2 minutes + 1 laps"},
      {76800, 0, "10 minutes"},
      {0, 5, "5 laps"},
      {15300, 0, "2 minutes"},  // rounded to the nearest minute
  };
  for (const Case& c : cases) {
    game.race_ticks = c.race_ticks;
    game.laps = c.laps;
    EXPECT_EQ(race_description(game), c.text);
  }
}
