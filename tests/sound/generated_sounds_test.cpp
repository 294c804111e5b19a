// The generated data set's engine sounds, read back through the game's own
// loader: every bike model finds its ".braap" file and sound table without
// a message, and its engine sounds (neither silent nor clipped) when
// synthesised through the readback driver.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "data/data_dirs.h"
#include "platform/audio.h"
#include "platform/messages.h"
#include "sim/bike_model.h"
#include "sound/engine_synthesis.h"

namespace {

class GeneratedSoundsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("QZ_HOME", TAVRIN_BUILD_DIR, 1);
    setenv("XDG_DATA_HOME", "/nonexistent-tavrin-test-home", 1);
    reset_data_dirs_for_tests();
    clear_messages();
  }
  void TearDown() override { reset_data_dirs_for_tests(); }
};

TEST_F(GeneratedSoundsTest, EveryModelFindsItsSoundAndTable) {
  for (const BikeModel& model : bike_models) {
    EngineSound s;
    create_engine_sound_for(s, model.bike_class, model.files.bike_texture.view());
    const char* expected =
        model.bike_class == "250f" ? "@sounds/four_stroke.table" : "@sounds/two_stroke.table";
    ASSERT_NE(s.desc.table, nullptr);
    EXPECT_EQ(s.desc.table->name, expected) << model.name;
    EXPECT_GT(s.desc.min_rpm, 1000) << model.name;  // the file's, not the built-in's
    EXPECT_NE(s.desc.tap_gain[0], 0.0f) << model.name;
    free_engine_sound(s);
  }
  // A graphic variant without its own file falls back to the model's.
  EngineSound s;
  create_engine_sound_for(s, "250f", "@kx250f-alt3.png");
  EXPECT_FLOAT_EQ(s.desc.min_rpm, 1150);
  // A bike of a class with no graphics of its own takes the class default.
  create_engine_sound_for(s, "50", "@nothing.png");
  EXPECT_FLOAT_EQ(s.desc.high_torque, 4.5f);
  EXPECT_EQ(message_list().visible, 0);
}

TEST_F(GeneratedSoundsTest, EnginesSoundWithoutClipping) {
  ASSERT_NE(audio_start_readback(nullptr, 44100, 735), nullptr);
  for (const char* graphic : {"@crf250.png", "@kx125.png"}) {
    EngineSound s;
    create_engine_sound_for(s, graphic[3] == '1' ? "125" : "250f", graphic);
    Listener listener;
    EngineFrame frame;
    frame.position = {0, 0, -5};
    int loud = 0, clipped = 0, total = 0;
    for (int f = 0; f < 120; ++f) {
      frame.rpm = 2000 + 80.0f * f;  // revving up over two seconds
      frame.torque = f < 60 ? 3 : 15;
      synthesize_engine(s, frame, listener, 1);
      for (std::uint8_t byte : audio_read_back()) {
        ++total;
        loud += std::abs(byte - 128) > 3;
        clipped += byte == 0 || byte == 255;
      }
    }
    EXPECT_GT(loud, total / 4) << graphic;
    EXPECT_LT(clipped, total / 50) << graphic;
    for (float v : s.history) ASSERT_TRUE(std::isfinite(v));
    free_engine_sound(s);
  }
  audio_close();
}

}  // namespace
