// Demo files: header, frame sizes, playback of damaged files, seeking,
// naming and the solo lap files.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "demo_fixture.h"

namespace {

constexpr int frame_3 = 3 * 39;

class DemoFileTest : public DemoTest {
 protected:
  std::string home(const std::string& relative) { return tree.path("xdg/Tavrin/" + relative); }

  // Records `ticks` frames of the bikes in the game, moving every
  // recorded bike 1 ft along x per tick.
  void record(int ticks) {
    start_recording(game, demo);
    ASSERT_TRUE(demo.recording);
    for (int t = 0; t < ticks; ++t) {
      ++game.tick;
      record_tick(game, demo);
      for (int slot : demo.recorded_slots) move_bike(*game.bikes[slot], {1, 0, 0});
    }
    stop_recording(demo);
  }

  // Turns every bike into a bike driven by states, ready to play.
  void drive_all_by_states() {
    for (int slot = 0; slot < max_bikes; ++slot)
      if (game.bikes[slot]) game.bike_kind[slot] = bike_states;
    game.tick = 0;
  }

  double frame_x(int slot) { return dBodyGetPosition(game.bikes[slot]->bodies[body_frame])[0]; }
};

TEST_F(DemoFileTest, ThreeRecordedBikesWrite117BytesPerTick) {
  add_bike(0, bike_local);
  add_bike(1, bike_robot, 520);
  add_bike(2, bike_states, 540);  // played from elsewhere: not recorded
  add_bike(5, bike_robot, 560);
  game.race_laps = 3;
  demo.session.drop_tick = 300;
  record(128);

  StreamPtr file(stream_open(default_demo_name, "rb"));
  ASSERT_TRUE(file);
  DemoHeader header;
  ASSERT_TRUE(read_demo_header(file.get(), "default", header));
  EXPECT_EQ(header.version, 5);
  EXPECT_EQ(header.laps, 3);
  EXPECT_EQ(header.drop_tick, 300);
  EXPECT_EQ(header.track, "venloop");
  ASSERT_EQ(header.bikes.size(), 3u);
  EXPECT_EQ(header.bikes[0].model, "crf250(2009)");
  EXPECT_EQ(header.bikes[2].number, "6");
  EXPECT_EQ(std::filesystem::file_size(home("demos/default.qzdemo")),
            static_cast<std::uintmax_t>(header.length + 128 * frame_3));
}

TEST_F(DemoFileTest, PlaybackPutsTheBikesWhereTheyWereRecorded) {
  add_bike(0, bike_local, 100);
  add_bike(1, bike_robot, 300);
  std::vector<double> recorded_x[2];
  start_recording(game, demo);
  for (int t = 0; t < 50; ++t) {
    ++game.tick;
    record_tick(game, demo);
    for (int slot = 0; slot < 2; ++slot) {
      recorded_x[slot].push_back(frame_x(slot));
      move_bike(*game.bikes[slot], {0.37, 0.01, -0.2});
    }
  }
  stop_recording(demo);

  drive_all_by_states();
  ASSERT_TRUE(open_playback(game, demo, nullptr));
  for (int t = 0; t < 50; ++t) {
    ++game.tick;
    play_tick(game, demo);
    for (int slot = 0; slot < 2; ++slot) {
      EXPECT_NEAR(frame_x(slot), recorded_x[slot][t], test_extent / 16777215) << t;
      EXPECT_EQ(demo.visibility[slot], 1.0f);
    }
  }
  ++game.tick;
  play_tick(game, demo);
  EXPECT_EQ(demo.visibility[0], 0.0f) << "the file ended";
  EXPECT_TRUE(demo.playback_ended);
}

TEST_F(DemoFileTest, VersionFourWithTwoBikesAdvances52BytesPerTick) {
  std::string text = "QZ04 2 0 3\nvenloop\ncrf250(2009)|r.png|b.png\n7\ncrf250(2009)\n12345\n";
  // Three frames; frame t puts both bikes at x = 100 * (t + 1) ft.
  for (int t = 0; t < 3; ++t)
    for (int b = 0; b < 2; ++b) {
      std::string state(26, '\0');
      auto n = static_cast<std::uint32_t>(100.0 * (t + 1) / test_extent * 16777215);
      state[0] = static_cast<char>(n & 255);
      state[1] = static_cast<char>(n >> 8 & 255);
      state[2] = static_cast<char>(n >> 16);
      state[10] = state[9] = '\xff';  // w = 1
      text += state;
    }
  tree.write("xdg/Tavrin/demos/old.qzdemo", text);
  add_bike(0, bike_states);
  add_bike(1, bike_states);
  ASSERT_TRUE(open_playback(game, demo, "@demos/old.qzdemo"));
  EXPECT_EQ(demo.header.version, 4);
  EXPECT_EQ(demo.header.drop_tick, 14 * 128) << "no drop tick in the header";
  EXPECT_EQ(demo.header.bikes[0].rider, "r.png");
  EXPECT_EQ(demo.header.bikes[0].helmet, "");
  EXPECT_EQ(demo.header.bikes[1].number, "123");
  for (int t = 0; t < 3; ++t) {
    play_tick(game, demo);
    EXPECT_NEAR(frame_x(1), 100.0 * (t + 1), 1e-3) << t;
  }
  play_tick(game, demo);
  EXPECT_EQ(demo.visibility[1], 0.0f);
}

TEST_F(DemoFileTest, DamagedHeadersAreRefusedWithAMessage) {
  struct Case {
    const char* name;
    std::string bytes;
    const char* message;
  };
  const Case cases[] = {
      {"empty", "", "no header line"},
      {"no newline", "QZ05 1 0 3 0", "no header line"},
      {"other file", "PNG\n", "not a demo file"},
      {"two numbers", "QZ05 1\nvenloop\n", "not a demo file"},
      {"version 6", "QZ06 1 0 3 0\nvenloop\nm\n1\n", "unsupported demo version"},
      {"version 3", "QZ03 1 0 3 0\nvenloop\nm\n1\n", "unsupported demo version"},
      {"41 bikes", "QZ05 41 0 3 0\nvenloop\n", "bad number of bikes"},
      {"negative bikes", "QZ05 -1 0 3 0\nvenloop\n", "bad number of bikes"},
      {"huge bikes", "QZ05 99999999999999999999 0 3 0\nvenloop\n", "not a demo file"},
      {"negative laps", "QZ05 1 0 -3 0\nvenloop\nm\n1\n", "bad race length"},
      {"no track line", "QZ05 1 0 3 0\n", "header cut short"},
      {"track outside", "QZ05 1 0 3 0\n../../etc\nm\n1\n", "bad track name"},
      {"bike lines cut", "QZ05 2 0 3 0\nvenloop\nm\n1\nm\n", "header cut short"},
      {"number unterminated", "QZ05 1 0 3 0\nvenloop\nm\n1", "header cut short"},
      {"endless line", "QZ05 1 0 3 0\nvenloop\n" + std::string(5000, 'm') + "\n1\n",
       "header cut short"},
  };
  for (const Case& c : cases) {
    tree.write("xdg/Tavrin/demos/bad.qzdemo", c.bytes);
    reset_data_dirs_for_tests();
    clear_messages();
    EXPECT_FALSE(open_playback(game, demo, "@demos/bad.qzdemo")) << c.name;
    EXPECT_FALSE(demo.playback) << c.name;
    EXPECT_NE(last_message().find(c.message), std::string::npos)
        << c.name << ": " << last_message();
    EXPECT_NE(last_message().find("demos/bad.qzdemo"), std::string::npos) << c.name;
  }
  EXPECT_FALSE(open_playback(game, demo, "@demos/missing.qzdemo"));
}

TEST_F(DemoFileTest, DemoBikesTakeTheHeadersModelsThroughTheAliases) {
  tree.write("xdg/Tavrin/demos/models.qzdemo",
             "QZ05 3 0 3 0\nvenloop\nkx250f|r.png|b.png|w.png|h.png\n21\n"
             "crf250(2009)\n22\nno such bike\n23\n");
  ASSERT_TRUE(open_playback(game, demo, "@demos/models.qzdemo"));
  game.lineup.fill(0);
  game.lineup[1] = 1;  // the player's slot is left alone
  EXPECT_EQ(build_demo_bikes(game, demo, world, false), 3);
  EXPECT_EQ(game.bikes[1], nullptr);
  ASSERT_NE(game.bikes[0], nullptr);
  EXPECT_EQ(game.bikes[0]->model.name, "kx250f(2008)");
  EXPECT_EQ(game.bikes[0]->textures.rider_body, "r.png");
  EXPECT_EQ(game.bikes[0]->textures.helmet, "h.png");
  EXPECT_STREQ(game.bikes[0]->number_text, "21");
  EXPECT_EQ(game.bike_kind[2], bike_states);
  ASSERT_NE(game.bikes[3], nullptr);
  EXPECT_NE(last_message().find("no such bike"), std::string::npos) << last_message();
}

TEST_F(DemoFileTest, MissingTrackIsNamed) {
  DemoHeader header;
  header.track = "venloop";
  EXPECT_TRUE(demo_track_exists(header, "x"));
  header.track = "nowhere";
  EXPECT_FALSE(demo_track_exists(header, "demos/x.qzdemo"));
  EXPECT_NE(last_message().find("track 'nowhere' is not installed"), std::string::npos);
}

// A recording cut short by a crash, at any byte, plays its whole frames
// and nothing of the broken one.
TEST_F(DemoFileTest, FileCutAtAnyBytePlaysItsWholeFrames) {
  add_bike(0, bike_local, 100);
  add_bike(1, bike_robot, 200);
  record(6);
  const std::string whole = tree.read("xdg/Tavrin/demos/default.qzdemo");
  drive_all_by_states();
  ASSERT_TRUE(open_playback(game, demo, nullptr));
  const int header_length = demo.header.length;
  const int frame = 2 * 39;

  for (std::size_t cut = 0; cut <= whole.size(); ++cut) {
    tree.write("xdg/Tavrin/demos/cut.qzdemo", whole.substr(0, cut));
    reset_data_dirs_for_tests();
    bool opened = open_playback(game, demo, "@demos/cut.qzdemo");
    ASSERT_EQ(opened, static_cast<int>(cut) >= header_length) << cut;
    if (!opened) continue;
    int expected = (static_cast<int>(cut) - header_length) / frame, played = 0;
    for (int t = 0; t < 8; ++t) {
      game.tick = t + 1;
      play_tick(game, demo);
      played += demo.visibility[1] > 0;
      if (demo.visibility[1] > 0) {
        EXPECT_NEAR(frame_x(1), 200 + t, 1e-3) << cut;
      }
    }
    EXPECT_EQ(played, expected) << cut;
  }
}

int rewound_to = -1;

TEST_F(DemoFileTest, SeekingLandsOnTheRightFrame) {
  add_bike(0, bike_local, 100);
  record(400);
  drive_all_by_states();
  ASSERT_TRUE(open_playback(game, demo, nullptr));
  demo_hooks.rewind_progress = [](GameState&, int tick) { rewound_to = tick; };
  for (game.tick = 1; game.tick <= 100; ++game.tick) play_tick(game, demo);
  game.tick = 100;

  // Rewinding 1 s at tick 100: frame 0 (clamped), then frames 0 and 1
  // applied, tick 2.
  seek_playback(game, demo, -1);
  EXPECT_EQ(game.tick, 2);
  EXPECT_EQ(rewound_to, 2);
  EXPECT_NEAR(frame_x(0), 101, 1e-3);

  // Forward from tick 2: frame 2 + 128 - 2 and the one after it.
  seek_playback(game, demo, 1);
  EXPECT_EQ(game.tick, 130);
  EXPECT_NEAR(frame_x(0), 100 + 129, 1e-3);
  // Velocities come from the two frames: 1 ft per tick.
  EXPECT_NEAR(dBodyGetLinearVel(game.bikes[0]->bodies[body_frame])[0], 128, 0.1);

  // Past the end of the file nothing moves.
  game.tick = 1000;
  seek_playback(game, demo, 1);
  EXPECT_EQ(game.tick, 1000);
  demo_hooks = DemoHooks{};
}

TEST_F(DemoFileTest, AccurateSkipRunsOneSecondOfGameTicks) {
  add_bike(0, bike_local, 100);
  record(300);
  drive_all_by_states();
  ASSERT_TRUE(open_playback(game, demo, nullptr));
  demo.session.accurate_skip = true;
  demo_hooks.game_tick = [](GameState& g) {
    ++g.tick;
    play_tick(g, game_demo);
  };
  game.tick = 10;
  seek_playback(game, demo, 1);
  EXPECT_EQ(game.tick, 138);
  EXPECT_NEAR(frame_x(0), 100 + 127, 1e-3) << "128 frames played in order";
  demo_hooks = DemoHooks{};
}

TEST_F(DemoFileTest, NoSeekingWhileRecordingOrRiding) {
  add_bike(0, bike_local, 100);
  record(300);
  drive_all_by_states();
  ASSERT_TRUE(open_playback(game, demo, nullptr));
  game.tick = 50;
  game.bike_kind[0] = bike_local;
  seek_playback(game, demo, 1);
  EXPECT_EQ(game.tick, 50) << "a ridden bike";
  game.bike_kind[0] = bike_states;
  demo.session.solo = true;
  start_recording(game, demo);  // records nothing but is open
  seek_playback(game, demo, 1);
  EXPECT_EQ(game.tick, 50) << "recording";
  stop_recording(demo);
}

TEST_F(DemoFileTest, NamedDemoMovesIntoTheDemoFolder) {
  add_bike(0, bike_local);
  demo.name = "race1";
  record(3);
  EXPECT_TRUE(std::filesystem::exists(home("demos/race1.qzdemo")));
  EXPECT_FALSE(std::filesystem::exists(home("demos/default.qzdemo")));
  EXPECT_TRUE(demo.name.empty());

  demo.name = "../escape";
  record(3);
  EXPECT_NE(last_message().find("Can't name a demo '../escape'"), std::string::npos);
  EXPECT_TRUE(std::filesystem::exists(home("demos/default.qzdemo")));
}

TEST_F(DemoFileTest, SoloLapsKeepTheFastestAndRideItAsAGhost) {
  demo.session.solo = true;
  add_bike(0, bike_local, 100);
  record(20);  // the first lap
  EXPECT_TRUE(std::filesystem::exists(home("venloop/lastlap.qzdemo")));

  end_solo_lap(game, demo, world, true, false, 0);
  EXPECT_EQ(tree.read("xdg/Tavrin/venloop/fastlap.qzdemo").size(),
            std::filesystem::file_size(home("venloop/lastlap.qzdemo")) + 20 * 39)
      << "no fastest lap yet: the last lap is kept; a new last lap has begun";
  ASSERT_TRUE(demo.playback);
  ASSERT_TRUE(demo.recording);
  ASSERT_NE(game.bikes[1], nullptr);
  EXPECT_EQ(game.bike_kind[1], bike_states);
  EXPECT_EQ(game.bikes[2], nullptr);

  // The ghost plays the first lap while the second is recorded.
  for (int t = 0; t < 10; ++t) {
    ++game.tick;
    play_tick(game, demo);
    record_tick(game, demo);
    move_bike(*game.bikes[0], {2, 0, 0});
  }
  EXPECT_NEAR(frame_x(1), 109, 1e-3);
  const std::string fastest = tree.read("xdg/Tavrin/venloop/fastlap.qzdemo");

  end_solo_lap(game, demo, world, true, false, 500);  // slower: the ghost was ahead
  EXPECT_EQ(tree.read("xdg/Tavrin/venloop/fastlap.qzdemo"), fastest);
  stop_recording(demo);
  const std::string second = tree.read("xdg/Tavrin/venloop/lastlap.qzdemo");
  start_recording(game, demo);
  stop_recording(demo);

  end_solo_lap(game, demo, world, false, true, 400);  // no gates: ghosts go, nothing kept
  EXPECT_EQ(game.bikes[1], nullptr);
  EXPECT_FALSE(demo.playback);
  EXPECT_EQ(tree.read("xdg/Tavrin/venloop/fastlap.qzdemo"), fastest);
  (void)second;
}

TEST_F(DemoFileTest, RaceAgainstTheDefaultDemoNeverRecordsIt) {
  struct Case {
    const char* file;
    bool race_against, record_demo, allowed, message;
  };
  const Case cases[] = {
      {"@demos/default.qzdemo", true, true, false, true},
      {"@demos/default.qzdemo", true, false, false, true},
      {"@demos/race1.qzdemo", true, true, true, false},
      {"@demos/race1.qzdemo", true, false, false, false},
      {"@demos/race1.qzdemo", false, true, false, false},
      {"@demos/default.qzdemo", false, true, false, false},
  };
  for (const Case& c : cases) {
    clear_messages();
    EXPECT_EQ(demo_recording_allowed(c.file, c.race_against, c.record_demo), c.allowed) << c.file;
    EXPECT_EQ(last_message() == "Can't record and play from same file - recording disabled",
              c.message)
        << c.file << " " << c.race_against << " " << c.record_demo;
  }
}

// Online, every frame holds the states of 127 ticks before, taken from
// the received states, so the demo trails the race by that much.
TEST_F(DemoFileTest, OnlineRecordingTrailsTheRaceBy127Ticks) {
  Bike& remote = add_bike(4, bike_states, 300);
  demo.session.online = true;
  demo.session.race_slot = true;
  start_recording(game, demo);
  BikeState state;
  for (int t = 0; t < 300; ++t) {
    move_bike(remote, {1, 0, 0});  // received state of tick t: x = 301 + t
    encode_state(remote, test_extent, test_min_height, state);
    push_state(demo.history[4], t, state);
    game.tick = t + 1;
    record_tick(game, demo);
  }
  stop_recording(demo);
  const std::string file = tree.read("xdg/Tavrin/demos/default.qzdemo");
  add_bike(0, bike_states);
  ASSERT_TRUE(open_playback(game, demo, nullptr));
  EXPECT_EQ(file.size(), demo.header.length + (300 - 126) * 39u) << "nothing before tick 127";
  game.tick = 1;
  play_tick(game, demo);
  EXPECT_NEAR(frame_x(0), 301, 1e-3) << "first frame: the state of tick 0";
  play_tick(game, demo);
  EXPECT_NEAR(frame_x(0), 302, 1e-3);
}

// The game tick's solo step: the ghost behind the player at the lap end
// means the player's lap was faster, so it becomes the ghost.
TEST_F(DemoFileTest, SoloLapDemosFollowTheGatesOfPlayerAndGhost) {
  demo.session.solo = true;
  game.world = &world;
  game.has_gates = true;
  game.first_lap_gates = 5;
  add_bike(0, bike_local, 100);
  record(10);
  solo_lap_demos(game, demo);  // first lap: no fastest yet, kept
  const std::string first = tree.read("xdg/Tavrin/venloop/fastlap.qzdemo");
  ASSERT_NE(game.bikes[1], nullptr);
  EXPECT_EQ(game.progress[1].next_gate, 4);

  struct Case {
    int player_next, ghost_next, last_lap;
    bool kept;
  };
  const Case cases[] = {
      {14, 15, 900, false},  // ghost ahead: the fastest stays
      {14, 14, 900, false},  // level: the fastest stays
      {14, 13, 0, false},    // ghost behind but no timed lap
      {14, 13, 800, true},   // ghost behind: the player's lap is the new fastest
  };
  for (const Case& c : cases) {
    tree.write("xdg/Tavrin/venloop/fastlap.qzdemo", first);
    stop_recording(demo);
    move_bike(*game.bikes[0], {7, 0, 0});
    start_recording(game, demo);
    for (int t = 0; t < 3; ++t) {
      ++game.tick;
      record_tick(game, demo);
    }
    const std::string lap = tree.read("xdg/Tavrin/venloop/lastlap.qzdemo");
    game.progress[0].next_gate = c.player_next;
    game.progress[1].next_gate = c.ghost_next;
    game.last_lap_ticks = c.last_lap;
    solo_lap_demos(game, demo);
    EXPECT_EQ(tree.read("xdg/Tavrin/venloop/fastlap.qzdemo"), c.kept ? lap : first)
        << c.player_next << " " << c.ghost_next << " " << c.last_lap;
    EXPECT_NE(game.bikes[1], nullptr);
  }
  stop_recording(demo);
}

}  // namespace
