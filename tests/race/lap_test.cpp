// A solo session on the practice track: the bike is carried through the
// timing gates by the test (riding a lap is the robots' and the rider
// scenes' business), while the game tick's line recorder sees the
// crossings and race control times the laps.

#include <cmath>

#include "race/laps.h"
#include "race/session.h"
#include "race_fixture.h"
#include "robots/line_store.h"
#include "sim/world.h"
#include "track/track.h"

class SoloLaps : public SessionTest {
 protected:
  // Puts the bike 6 ft before the checkpoint of the next gate pass, runs
  // `ticks` game ticks, then 6 ft past it and runs one more.
  void carry_through_next_gate(int ticks) {
    const TimingGates& gates = game_track.gates;
    const int g = game.progress[0].next_gate;
    const Checkpoint& c = gates.checkpoints[static_cast<size_t>(gate_pass_checkpoint(gates, g))];
    const double heading = std::atan2(-c.direction.x, -c.direction.z);
    // The frame sits behind the front wheel, which does the crossing.
    for (double side : {-6.0, 6.0}) {
      place_bike(*game.bikes[0], c.centre.x + c.direction.x * side,
                 c.centre.z + c.direction.z * side, heading);
      for (int i = 0; i < (side < 0 ? ticks : 1); ++i) game_tick(game);
    }
  }
};

TEST_F(SoloLaps, LapsThroughTheGatesGetLapTimes) {
  SessionRequest request;
  request.track = "practice";
  request.learn = false;
  ASSERT_TRUE(start_session(game, request));
  ASSERT_TRUE(game.has_gates);
  const int gates_per_lap = game.lap_gates;
  // Into the timed lap, then three laps at 1000, 800 and 900 ticks a lap.
  while (laps_completed(game, 0) < 1) carry_through_next_gate(50);
  EXPECT_EQ(game.last_lap_ticks, 0);  // the lap from the start is no lap
  const int lap_ticks_wanted[] = {1000, 800, 900};
  for (int wanted : lap_ticks_wanted)
    for (int i = 0; i < gates_per_lap; ++i) carry_through_next_gate(wanted / gates_per_lap - 1);
  EXPECT_EQ(laps_completed(game, 0), 4);
  EXPECT_EQ(lap_ticks(game, 0, 2), 1000);
  EXPECT_EQ(lap_ticks(game, 0, 3), 800);
  EXPECT_EQ(game.last_lap_ticks, 900);
  EXPECT_EQ(game.best_lap_ticks, 800);
  EXPECT_EQ(best_lap(game, 0).lap, 3);

  // Back to the start of the attempt: two gates before the end of lap 1.
  restart_attempt(game);
  EXPECT_EQ(game.progress[0].next_gate, std::max(game.first_lap_gates - 2, 0));
  EXPECT_EQ(game.last_lap_ticks, 0);
  EXPECT_EQ(game.best_lap_ticks, 800);
}
