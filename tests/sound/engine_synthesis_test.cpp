// The per-frame engine synthesis: keeping the voice filled ahead of the
// play position, firing rate from engine speed, table cells from speed and
// load, and Doppler, distance and pan from the listener. The readback
// driver stands in for a sound device, so the mixer's play position moves
// one block per "frame".

#include <gtest/gtest.h>

#include <cmath>

#include "data/data_dirs_fixture.h"
#include "platform/audio.h"
#include "platform/mixer.h"
#include "sim/bike.h"
#include "sim/drivetrain.h"
#include "sim/world.h"
#include "sound/engine_synthesis.h"

namespace {

constexpr int block = 735;  // one frame at 60 Hz of 44100 Hz output

EngineFrame frame_at(float rpm, float torque = 0, Vec3 position = {}, Vec3 velocity = {}) {
  EngineFrame frame;
  frame.rpm = rpm;
  frame.torque = torque;
  frame.position = position;
  frame.velocity = velocity;
  return frame;
}

class EngineSynthesisTest : public DataDirsTest {
 protected:
  void SetUp() override {
    DataDirsTest::SetUp();
    ASSERT_NE(audio_start_readback(nullptr, 44100, block), nullptr);
  }
  void TearDown() override {
    for (EngineSound& s : sounds) free_engine_sound(s);
    audio_close();
    DataDirsTest::TearDown();
  }

  // A four-stroke with the built-in description (no ".braap" file).
  EngineSound& engine(int i = 0) {
    EngineSound& s = sounds[static_cast<size_t>(i)];
    if (!s.voice) create_engine_sound_for(s, "250f", "@no-such-bike.png");
    return s;
  }

  // Runs `frames` frames: synthesis, then one mixed block.
  void run(EngineSound& s, const EngineFrame& frame, int frames, float volume = 1) {
    for (int f = 0; f < frames; ++f) {
      synthesize_engine(s, frame, listener, volume);
      audio_read_back();
    }
  }

  std::array<EngineSound, 2> sounds;
  Listener listener;
};

TEST_F(EngineSynthesisTest, FirstFrameWritesAtMost8820SamplesFromPosition11025) {
  EngineSound& s = engine();
  ASSERT_NE(s.voice, nullptr);
  synthesize_engine(s, frame_at(6000, 5), listener, 1);
  EXPECT_EQ(s.write_pos, 11025 + 8820);
  const std::vector<std::uint8_t>& bytes = *s.voice->data;
  EXPECT_EQ(bytes[11024], 128);
  EXPECT_EQ(bytes[11025 + 8820], 128);
  int changed = 0;
  for (int i = 11025; i < 11025 + 8820; ++i) {
    float v = s.history[static_cast<size_t>(i)];
    ASSERT_EQ(bytes[static_cast<size_t>(i)], std::clamp(static_cast<int>(v * 127 + 127), 0, 255));
    changed += bytes[static_cast<size_t>(i)] != 127;
  }
  EXPECT_GT(changed, 1000);  // the engine is heard, not silence
}

TEST_F(EngineSynthesisTest, StaysATenthOfASecondAheadOfThePlayPosition) {
  EngineSound& s = engine();
  const EngineFrame frame = frame_at(5000, 2);
  run(s, frame, 12);
  for (int f = 0; f < 5; ++f) {
    synthesize_engine(s, frame, listener, 1);
    EXPECT_EQ((s.write_pos - voice_position(s.voice)) & 32767, 4410);
    audio_read_back();
  }
}

TEST_F(EngineSynthesisTest, FiringRateFollowsEngineSpeed) {
  EngineSound& slow = engine(0);
  EngineSound& fast = engine(1);
  for (int f = 0; f < 12; ++f) {  // the same samples for both
    synthesize_engine(slow, frame_at(3000), listener, 1);
    synthesize_engine(fast, frame_at(9000), listener, 1);
    audio_read_back();
  }
  ASSERT_EQ(slow.write_pos, fast.write_pos);
  // Four-stroke: one firing every other revolution.
  EXPECT_FLOAT_EQ(slow.freq, 3000 * 0.5f / 60);
  EXPECT_FLOAT_EQ(fast.freq, 9000 * 0.5f / 60);
  EXPECT_GT(fast.firings, 2.5 * slow.firings);
}

TEST_F(EngineSynthesisTest, StoppedEngineStillFiresAtMinimumSpeed) {
  EngineSound& s = engine();
  run(s, frame_at(0), 12);
  EXPECT_FLOAT_EQ(s.freq, 1000 * 0.5f / 60);
  EXPECT_GT(s.firings, 0u);
}

TEST_F(EngineSynthesisTest, BiasAndScaleListsRepeatWithTheirCommonPeriod) {
  EngineSound& s = engine();
  run(s, frame_at(1500), 12);  // steady: 735 new samples a frame
  s.desc.bias_count = 3;
  s.desc.bias[0] = 0, s.desc.bias[1] = 1000, s.desc.bias[2] = 2000;
  s.desc.scale_count = 2;
  s.desc.scale[0] = 1, s.desc.scale[1] = 2;
  s.firings = 0;
  s.prev_rpm = 1500;
  // (1500 + bias[f mod 3]) x scale[f mod 2], firing every other turn.
  const float rpm[6] = {1500, 5000, 3500, 3000, 2500, 7000};
  for (int f = 0; f < 12; ++f) {
    // Fire on the first new sample; the next firing would come after more
    // than a frame, so each frame holds exactly one.
    s.phase = (1 << 24) - 1;
    run(s, frame_at(1500), 1);
    ASSERT_EQ(s.firings, static_cast<unsigned>(f + 1));
    EXPECT_FLOAT_EQ(s.freq, rpm[f % 6] * 0.5f / 60) << f;
  }
}

TEST_F(EngineSynthesisTest, BelowTheFirstRowOnlyRowZeroSounds) {
  std::string sample = tree.write("grain.raw", std::string(64, '\x10'));
  tree.write("two_rows.table",
             "SOUNDTABLE 2 1 5000 10000 0 -1 1 " + sample + " -1 1 " + sample + "\n");
  EngineSound& s = engine();
  s.desc.table = sound_table(tree.path("two_rows.table"));
  ASSERT_NE(s.desc.table, nullptr);
  run(s, frame_at(2000), 3);
  ASSERT_GT(s.firings, 0u);
  const SoundCell& row0 = s.desc.table->cell(0, 0);
  for (const EngineGrain& g : s.grains) EXPECT_EQ(g.samples, row0.samples);
  EXPECT_FLOAT_EQ(s.grains[3].weight, 1);
  EXPECT_FLOAT_EQ(s.grains[0].weight + s.grains[1].weight + s.grains[2].weight, 0);
}

TEST_F(EngineSynthesisTest, LoadBlendsTheColumns) {
  EngineSound& s = engine();
  // Torque halfway between low (-2.5) and high (2.5): half of each column.
  run(s, frame_at(4000, 0), 3);
  EXPECT_FLOAT_EQ(s.grains[2].weight + s.grains[3].weight, 0.5f);
  run(s, frame_at(4000, 100), 3);
  EXPECT_FLOAT_EQ(s.grains[2].weight + s.grains[3].weight, 1);
}

struct ListenerCase {
  const char* what;
  Vec3 bike, bike_velocity, listener_velocity;
  float volume;
  int frequency, level, pan;
};

TEST_F(EngineSynthesisTest, DopplerDistanceAndPanFollowTheListener) {
  const double c = static_cast<double>(1140.63f);
  const ListenerCase cases[] = {
      {"at the listener", {0.01, 0, 0}, {0, 0, 500}, {}, 1, 44100, 32767, 0},
      {"approaching",
       {0, 0, -10},
       {0, 0, 100},
       {},
       1,
       static_cast<int>(44100 / (1 - 100 / c)),
       static_cast<int>(32767 / (1 + 9 / 48.0)),
       0},
      {"receding",
       {0, 0, -10},
       {0, 0, -100},
       {},
       1,
       static_cast<int>(44100 / (1 + 100 / c)),
       static_cast<int>(32767 / (1 + 9 / 48.0)),
       0},
      {"listener closing in",
       {0, 0, -10},
       {},
       {0, 0, -100},
       1,
       static_cast<int>(44100 * (1 + 100 / c)),
       static_cast<int>(32767 / (1 + 9 / 48.0)),
       0},
      {"faster than sound",
       {0, 0, -10},
       {0, 0, 2000},
       {},
       1,
       44100 / 8,
       static_cast<int>(32767 / (1 + 9 / 48.0)),
       0},
      {"to the right, 49 ft", {49, 0, 0}, {}, {}, 1, 44100, 16383, 32767},
      {"to the left", {-1, 0, 0}, {}, {}, 0.5f, 44100, 16383, -32767},
      {"far away", {0, 0, 10000}, {}, {}, 1, 44100, static_cast<int>(32767 / (1 + 9999 / 48.0)), 0},
      {"paused", {0, 0, -1}, {}, {}, 0, 44100, 0, 0},
  };
  for (const ListenerCase& lc : cases) {
    EngineSound& s = engine();
    listener.velocity = lc.listener_velocity;
    synthesize_engine(s, frame_at(5000, 0, lc.bike, lc.bike_velocity), listener, lc.volume);
    EXPECT_NEAR(s.voice->frequency, lc.frequency, 1) << lc.what;
    EXPECT_NEAR(s.voice->volume, lc.level, 1) << lc.what;
    EXPECT_NEAR(s.voice->pan, lc.pan, 1) << lc.what;
  }
}

TEST_F(EngineSynthesisTest, SilentWhenPausedOrWithoutAudio) {
  EngineSound& s = engine();
  run(s, frame_at(8000, 10), 8, 0);
  for (std::uint8_t byte : audio_read_back()) EXPECT_EQ(byte, 128);
  run(s, frame_at(8000, 10), 8, 1);
  int loud = 0;
  for (std::uint8_t byte : audio_read_back()) loud += byte != 128;
  EXPECT_GT(loud, 0);

  free_engine_sound(s);
  audio_close();
  EngineSound quiet;
  create_engine_sound_for(quiet, "125", "@x.png");
  EXPECT_EQ(quiet.voice, nullptr);
  synthesize_engine(quiet, frame_at(8000), listener, 1);  // nothing to do
  EXPECT_EQ(quiet.write_pos, 11025);
}

TEST_F(EngineSynthesisTest, LongFrameOnlyCatchesUpByTheCap) {
  EngineSound& s = engine();
  run(s, frame_at(5000), 12);
  for (int b = 0; b < 20; ++b) audio_read_back();  // a long frame: 0.33 s played
  int before = s.write_pos;
  synthesize_engine(s, frame_at(5000), listener, 1);
  EXPECT_EQ((s.write_pos - before) & 32767, 8820);
  audio_read_back();
  synthesize_engine(s, frame_at(5000), listener, 1);
  EXPECT_EQ((s.write_pos - voice_position(s.voice)) & 32767, 4410);
}

TEST_F(EngineSynthesisTest, HostileNumbersStayFinite) {
  EngineSound& s = engine();
  s.desc.scale[0] = 1e30f;
  s.desc.low_torque = s.desc.high_torque = 1;
  run(s, frame_at(NAN, INFINITY, {NAN, 0, 0}), 5);
  run(s, frame_at(1e38f), 5);
  for (float v : s.history) ASSERT_TRUE(std::isfinite(v));
  EXPECT_LE(s.freq, 44100);
  EXPECT_GE(s.voice->frequency, 100);
}

TEST_F(EngineSynthesisTest, BikesAreReadFromTheirFrameAndEngine) {
  PhysicsWorld world;
  create_world(world);
  Bike* bike = create_bike(world, "kx125", 0, "7");
  bike->engine_speed = 900;  // rad/s
  EngineFrame frame = engine_frame(*bike);
  EXPECT_FLOAT_EQ(frame.rpm, static_cast<float>(900 * rpm_per_rad_s));
  EXPECT_FLOAT_EQ(frame.torque, engine_torque(*bike));
  const dReal* p = dBodyGetPosition(bike->bodies[body_frame]);
  EXPECT_DOUBLE_EQ(frame.position.y, p[1]);

  std::array<Bike*, 2> bikes = {bike, nullptr};
  create_engine_sound(sounds[0], *bike, nullptr);
  EXPECT_FLOAT_EQ(sounds[0].desc.firing_factor, 1.0f);  // a two-stroke
  update_engine_sounds(bikes, sounds, listener, 1);
  EXPECT_NE(sounds[0].write_pos, 11025);
  destroy_bike(bike);
  destroy_world(world);
}

}  // namespace
