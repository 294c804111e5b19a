// The results file of a known race, byte for byte, and where it lands.

#include <fstream>
#include <iterator>

#include "race/laps.h"
#include "race/results.h"
#include "race_fixture.h"

namespace {

int at(double seconds) { return static_cast<int>(seconds * 128 + 0.5); }

}  // namespace

class Results : public RaceTest {
 protected:
  // Three laps over F = 2 and N = 2 from a drop at tick 1000: rider 12 wins
  // in 2:05.250 with a best lap 2 of 38.5 s; rider 7 skips gate pass 3.
  void known_race() {
    laps_race(2, 2, 3);
    game.drop_tick = 1000;
    enter(0, "7", "crf250(2009)");
    enter(4, "12", "kx250f(2009)");
    const double winner[] = {20, 45, 64, 83.5, 105, 125.25};
    const double second[] = {21, 47, 67, -1, 110, 131};
    for (int g = 0; g < 6; ++g) {
      cross(4, g, game.drop_tick + at(winner[g]));
      cross(0, g, second[g] < 0 ? -1 : game.drop_tick + at(second[g]));
    }
  }

  const char* expected_body =
      " No. |         Bike | Laps | Total Time | BLap |  Best Time\r\n"
      "  12 | kx250f(2009) |    3 |   2:05.250 |    2 |   0:38.500\r\n"
      "   7 | crf250(2009) |    3 |   2:11.000 |    0 |   0:00.000\r\n"
      "\r\n6\r\n"
      "  20.000   45.000\r\n"
      "  64.000   83.500\r\n"
      " 105.000  125.250\r\n"
      "\r\n6\r\n"
      "  21.000   47.000\r\n"
      "  67.000       -1\r\n"
      " 110.000  131.000\r\n";
};

TEST_F(Results, KnownRaceGivesTheHandCheckedFile) {
  known_race();
  update_standings(game);
  ASSERT_TRUE(game.results_done);
  EXPECT_EQ(format_results(game, 1700000000),
            std::string("Time=0.00|Laps=3|Track=venloop|Date=1700000000\r\n") + expected_body);
  // The race-over step wrote the same text into the home directory.
  const std::string file = tree.read("xdg/Tavrin/results.txt");
  ASSERT_EQ(file.rfind("Time=0.00|Laps=3|Track=venloop|Date=", 0), 0u) << file;
  EXPECT_EQ(file.substr(file.find("\r\n") + 2), expected_body);
  EXPECT_FALSE(std::filesystem::exists(tree.path("xdg/Tavrin/results.txt.new")));
}

TEST_F(Results, UnfinishedRidersAreLeftOut) {
  known_race();
  game.progress[0].next_gate = 4;  // rider 7 still on lap 2
  game.progress[0].crossing_ticks.resize(4);
  update_standings(game);
  game.progress[4].finished = true;
  const std::string text = format_results(game, 0);
  EXPECT_EQ(text.find("   7 |"), std::string::npos);
  EXPECT_NE(text.find("  12 |"), std::string::npos);
}

TEST_F(Results, TimedRaceLineGivesSecondsAndLaps) {
  game.race_ticks = 600 * 128;
  game.laps = 2;
  const std::string text = format_results(game, 5);
  EXPECT_EQ(text.substr(0, text.find("\r\n")), "Time=600.00|Laps=2|Track=venloop|Date=5");
}

TEST_F(Results, UnwritableHomeLeavesThePreviousFile) {
  known_race();
  tree.write("xdg/Tavrin/results.txt", "previous");
  // A folder where the temporary file would go makes the write fail.
  std::filesystem::create_directories(tree.path("xdg/Tavrin/results.txt.new"));
  reset_data_dirs_for_tests();
  EXPECT_FALSE(write_results(game));
  EXPECT_EQ(tree.read("xdg/Tavrin/results.txt"), "previous");
}
