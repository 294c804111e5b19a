// The personality table, the roster of 80 riders and how a session hands
// roster entries out.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <string_view>

#include "base/random.h"
#include "robots/auto_pilot.h"
#include "robots/robot_personality.h"
#include "robots/robot_roster.h"
#include "sim/bike_model.h"

namespace {

TEST(RobotPersonality, TableHoldsPlanTypesThresholdsAndReactions) {
  struct Row {
    const char* name;
    int close_plan, far_plan;
    float lead, reaction_min, reaction_max;
  };
  const Row rows[] = {{"empty", 0, 0, 0, 0, 0},
                      {"ash", 0, 0, 1, 0.2f, 0.4f},
                      {"elm", 2, 1, 10, 0.2f, 0.4f},
                      {"oak", 1, 0, 10, 0, 0.1f},
                      {"tester", 3, 3, 1, 0.2f, 0.4f}};
  for (int i = 0; i < kPersonalityCount; ++i) {
    SCOPED_TRACE(rows[i].name);
    const RobotPersonality& p = robot_personalities[i];
    EXPECT_STREQ(p.name, rows[i].name);
    EXPECT_EQ(p.close_plan, rows[i].close_plan);
    EXPECT_EQ(p.far_plan, rows[i].far_plan);
    EXPECT_FLOAT_EQ(p.lead_threshold, rows[i].lead);
    EXPECT_FLOAT_EQ(p.reaction_min, rows[i].reaction_min);
    EXPECT_FLOAT_EQ(p.reaction_max, rows[i].reaction_max);
  }
}

TEST(RobotPersonality, SetByNameAndUnknownNamesFallBackToAsh) {
  AutoPilot pilot;
  set_personality(pilot, "oak");
  EXPECT_EQ(pilot.personality, 3);
  set_personality(pilot, "tester");
  EXPECT_EQ(pilot.personality, 4);
  set_personality(pilot, "empty");  // entry 0 is not a personality one can choose
  EXPECT_EQ(pilot.personality, 1);
  set_personality(pilot, "birch");
  EXPECT_EQ(pilot.personality, 1);
}

TEST(RobotRoster, NumbersPersonalitiesAndModelsRunInBlocks) {
  for (int i = 0; i < kRosterSize; ++i) {
    const RobotRosterEntry& e = robot_roster[i];
    int number = 20 + i;
    SCOPED_TRACE(number);
    EXPECT_EQ(std::string(e.number), std::to_string(number));
    const char* want = number < 40 ? "elm" : number < 60 ? "ash" : number < 80 ? "elm" : "oak";
    EXPECT_STREQ(e.personality, want);
    EXPECT_NE(find_personality(e.personality), 0);
    std::string_view model = e.model;
    EXPECT_NE(model.find(number < 40 ? "125" : "250"), std::string_view::npos);
    // Every roster model is a real model, so no robot falls back silently.
    EXPECT_NE(find_bike_model(model), nullptr) << model;
  }
  EXPECT_STREQ(robot_roster[59 - 20].model, "yz250f_se(2006)");
  EXPECT_STREQ(robot_roster[79 - 20].model, "yz250f_se(2006)");
  EXPECT_EQ(robot_roster[23 - 20].bike, 1);
  EXPECT_EQ(robot_roster[24 - 20].bike, 0);
}

TEST(RobotRoster, ShuffleIsAPermutationReproducibleFromTheSeed) {
  std::array<int, kRosterSize> a{}, b{}, c{};
  seed_random(12345);
  shuffle_roster(a);
  seed_random(12345);
  shuffle_roster(b);
  seed_random(12346);
  shuffle_roster(c);
  EXPECT_EQ(a, b);
  EXPECT_NE(a, c);
  auto sorted = a;
  std::sort(sorted.begin(), sorted.end());
  for (int i = 0; i < kRosterSize; ++i) EXPECT_EQ(sorted[i], i);
}

TEST(RobotRoster, ShuffleSwapsWithTheTop16BitsOfEachDraw) {
  // Reference: the same walk written out against a fresh std::mt19937.
  std::mt19937 reference(777);
  std::array<int, kRosterSize> want{};
  for (int i = 0; i < kRosterSize; ++i) want[i] = i;
  for (int n = kRosterSize - 1; n >= 1; --n)
    std::swap(want[n], want[(static_cast<std::uint32_t>(reference()) >> 16) % n]);
  seed_random(777);
  std::array<int, kRosterSize> got{};
  shuffle_roster(got);
  EXPECT_EQ(got, want);
}

TEST(RobotRoster, LineupCodesChooseTwoStrokesFourStrokesOrANumber) {
  std::array<int, kRosterSize> ids{};
  for (int i = 0; i < kRosterSize; ++i) ids[i] = kRosterSize - 1 - i;  // 99 first
  EXPECT_EQ(take_roster_entry(ids, 0, 2), 79);
  int two = take_roster_entry(ids, 1, 3);
  EXPECT_NE(std::string_view(robot_roster[two].model).find("125"), std::string_view::npos);
  EXPECT_EQ(ids[1], two);
  int four = take_roster_entry(ids, 2, 4);
  EXPECT_NE(std::string_view(robot_roster[four].model).find("250"), std::string_view::npos);
  int named = take_roster_entry(ids, 3, 1042);
  EXPECT_STREQ(robot_roster[named].number, "42");
  // A number nobody has leaves entry d as it is.
  int before = ids[4];
  EXPECT_EQ(take_roster_entry(ids, 4, 1005), before);
}

TEST(RobotRoster, GraphicsAreAtNamesOfTheVariants) {
  BikeTextureChoice c = roster_textures(robot_roster[23 - 20]);
  EXPECT_EQ(c.bike, "@kx125-alt1.png");
  EXPECT_EQ(c.wheels, "@wheels-alt1.png");
  EXPECT_EQ(c.rider_body.rfind("@rider_body-alt", 0), 0u);
  EXPECT_EQ(c.helmet.rfind("@rider_head-alt", 0), 0u);
  BikeTextureChoice plain = roster_textures(robot_roster[40 - 20]);
  EXPECT_TRUE(plain.bike.empty());
  EXPECT_TRUE(plain.wheels.empty());
  BikeTextureChoice oak = roster_textures(robot_roster[81 - 20]);
  EXPECT_EQ(oak.bike, "@crf250-alt2.png");
}

}  // namespace
