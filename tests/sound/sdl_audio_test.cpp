// The waveout driver on SDL opens on SDL's dummy audio driver (no sound
// device needed), mixes from SDL's thread, and closes cleanly; a device
// SDL cannot open leaves the game without sound instead of failing.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "platform/audio.h"
#include "platform/clock.h"

namespace {

TEST(SdlAudioTest, OpensOnTheDummyDriverAndMixesFromItsThread) {
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  ASSERT_NE(audio_start(nullptr), nullptr);
  EXPECT_EQ(audio_start(nullptr), nullptr);  // already open

  std::vector<std::uint8_t> tone(1000, 200);
  KorbVoice* voice = voice_create(static_cast<int>(tone.size()), tone.data(), 0);
  ASSERT_NE(voice, nullptr);
  voice_set_loop(voice, true);
  voice_play(voice);
  // The audio thread moves the voice on; give it up to 5 s of real time.
  double deadline = korb_time() + 5;
  while (voice_position(voice) == 0 && korb_time() < deadline) korb_sleep(0.01);
  EXPECT_NE(voice_position(voice), 0);
  voice_write(voice, static_cast<int>(tone.size()), tone.data(), 0);
  EXPECT_EQ(audio_update(), 1);
  EXPECT_TRUE(audio_read_back().empty());  // waveout is not a readback driver

  voice_free(voice);
  audio_close();
  EXPECT_EQ(audio_current_driver(), nullptr);
  // And it opens again after a close.
  ASSERT_NE(audio_start(nullptr), nullptr);
  audio_close();
}

TEST(SdlAudioTest, ExitWithTheDeviceOpenStopsTheAudioThreadFirst) {
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  EXPECT_EXIT(
      {
        if (!audio_start(nullptr)) std::_Exit(2);
        std::uint8_t tone[256];
        for (int i = 0; i < 256; ++i) tone[i] = static_cast<std::uint8_t>(i);
        KorbVoice* voice = voice_create(256, tone, 0);
        voice_set_loop(voice, true);
        voice_play(voice);
        korb_sleep(0.1);
        std::exit(0);
      },
      ::testing::ExitedWithCode(0), "");
}

TEST(SdlAudioTest, UnknownDeviceMeansNoSound) {
  setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
  EXPECT_EQ(audio_start(nullptr), nullptr);
  EXPECT_EQ(audio_current_driver(), nullptr);
  EXPECT_EQ(voice_create(1, nullptr, 0), nullptr);
  setenv("SDL_AUDIODRIVER", "dummy", 1);
}

}  // namespace
