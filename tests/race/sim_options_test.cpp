// tavrin-sim's command line and the scripted rider's input file.

#include <gtest/gtest.h>

#include <vector>

#include "rider_script.h"
#include "sim_options.h"

namespace {

struct OptionCase {
  std::vector<const char*> args;
  bool ok;
  const char* error;  // expected message (ok == false)
};

}  // namespace

TEST(SimOptions, TableOfCommandLines) {
  const OptionCase cases[] = {
      {{"--track", "venloop"}, true, ""},
      {{"--track=practice", "--robots=4", "--skill", "expert", "--ticks", "100"}, true, ""},
      {{"--robots", "4"}, false, "--track NAME is needed"},
      {{"--track", "venloop", "--robots", "41"},
       false,
       "Bad arg for --robots: expected a whole number from 0 to 40"},
      {{"--track", "venloop", "--robots"},
       false,
       "Bad arg for --robots: expected a whole number from 0 to 40"},
      {{"--track", "venloop", "--laps", "abc"},
       false,
       "Bad arg for --laps: expected a whole number from 0 to 50"},
      {{"--track", "venloop", "--skill", "pro"},
       false,
       "Bad arg for --skill: expected novice, amateur or expert"},
      {{"--track", "venloop", "--fast"}, false, "bad option '--fast'"},
      {{"--track", "../etc"}, false, "bad track name '../etc'"},
      {{"--track"}, false, "Bad arg for --track: missing value"},
      {{"--track", "venloop", "--rider", "r.txt", "--robots", "40"},
       false,
       "Bad arg for --robots: at most 39 beside the rider"},
      {{"--track", "venloop", "--nolearn=1"}, false, "option --nolearn takes no value"},
      {{"--track", "venloop", "--laps", "0"}, false, "a race needs laps or minutes"},
      {{"--help"}, true, ""},
  };
  for (const OptionCase& c : cases) {
    std::vector<const char*> argv{"tavrin-sim"};
    argv.insert(argv.end(), c.args.begin(), c.args.end());
    SimOptions options;
    std::string error;
    EXPECT_EQ(parse_sim_options(static_cast<int>(argv.size()), argv.data(), options, error), c.ok)
        << c.args[0];
    if (!c.ok) {
      EXPECT_EQ(error, c.error);
    }
  }
}

TEST(SimOptions, ValuesLand) {
  const char* argv[] = {"tavrin-sim",      "--track",   "sxarena", "--robots", "10",
                        "--skill=amateur", "--minutes", "2",       "--learn",  "3",
                        "--nolearn",       "--trace",   "64",      "--practice"};
  SimOptions o;
  std::string error;
  ASSERT_TRUE(parse_sim_options(14, argv, o, error)) << error;
  EXPECT_EQ(o.track, "sxarena");
  EXPECT_EQ(o.robots, 10);
  EXPECT_EQ(o.skill, 1);
  EXPECT_EQ(o.minutes, 2);
  EXPECT_EQ(o.learn, 3);
  EXPECT_TRUE(o.nolearn);
  EXPECT_TRUE(o.practice);
  EXPECT_EQ(o.trace, 64);
}

TEST(RiderScript, ValuesHoldUntilChanged) {
  RiderScript script;
  std::string error;
  ASSERT_TRUE(
      parse_rider_script("# warm up\n0 throttle=0.5 clutch=0\n\n1.5 clutch=1 shift=1\r\n"
                         "3 steer=-0.25 front_brake=1\n",
                         script, error))
      << error;
  EXPECT_EQ(script_input(script, 0.5).throttle, 0.5f);
  EXPECT_EQ(script_input(script, 0.5).clutch, 0.0f);
  const RiderInput at2 = script_input(script, 2);
  EXPECT_EQ(at2.clutch, 1.0f);
  EXPECT_EQ(at2.throttle, 0.5f);
  EXPECT_EQ(at2.shift, 1);
  const RiderInput at4 = script_input(script, 4);
  EXPECT_EQ(at4.shift, 0);  // a shift is one press
  EXPECT_EQ(at4.steer, -0.25f);
  EXPECT_EQ(at4.front_brake, 1.0f);
  EXPECT_EQ(at4.throttle, 0.5f);
}

TEST(RiderScript, BadLinesNameTheLine) {
  struct Case {
    const char* text;
    const char* error;
  } cases[] = {
      {"x throttle=1\n", "1: 'x' is not a time in seconds"},
      {"0 throttle=1\n-1 steer=0\n", "2: '-1' is not a time in seconds"},
      {"2 throttle=1\n1 steer=0\n", "2: time goes back"},
      {"0 gas=1\n", "1: unknown control 'gas'"},
      {"0 throttle\n", "1: 'throttle' is not name=value"},
      {"0 throttle=nan\n", "1: 'throttle=nan' is not name=value"},
      {"0\n", "1: no control after the time"},
  };
  for (const Case& c : cases) {
    RiderScript script;
    std::string error;
    EXPECT_FALSE(parse_rider_script(c.text, script, error)) << c.text;
    EXPECT_EQ(error, c.error);
  }
}
