// The audio output through the forwarding operations: the readback driver
// gives the mixed blocks deterministically, the null platform's waveout
// fails to open and leaves the game without sound, and every operation is
// harmless with no audio open.

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "platform/audio.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

struct AudioOutputTest : ::testing::Test {
  void TearDown() override { audio_close(); }
};

// Plays a short looping tone with a volume and a pan change and returns
// the first `blocks` mixed blocks.
Bytes record(int blocks) {
  Bytes tone(100);
  for (size_t i = 0; i < tone.size(); ++i) tone[i] = (i / 10) % 2 ? 40 : 216;
  KorbVoice* voice = voice_create(static_cast<int>(tone.size()), tone.data(), 0);
  voice_set_loop(voice, true);
  voice_set_frequency(voice, 44100);
  voice_play(voice);
  Bytes all;
  for (int b = 0; b < blocks; ++b) {
    if (b == 2) voice_set_volume(voice, 9000);
    if (b == 3) voice_set_pan(voice, -20000);
    auto block = audio_read_back();
    all.insert(all.end(), block.begin(), block.end());
  }
  voice_free(voice);
  return all;
}

TEST_F(AudioOutputTest, ReadbackMixesStereoBlocksDeterministically) {
  ASSERT_NE(audio_start_readback(nullptr, 88320, 690), nullptr);
  Bytes first = record(5);
  ASSERT_EQ(first.size(), 5u * 2 * 690);
  audio_close();
  ASSERT_NE(audio_start_readback(nullptr, 88320, 690), nullptr);
  EXPECT_EQ(record(5), first);

  // Centred full volume: +88 x 15 / 32 = 41 and -88 x 15 / 32 = -41 on
  // both sides; the tone plays at half the output rate (44100 / 88320 of
  // a byte per sample), so ten bytes last about twenty samples.
  EXPECT_EQ(first[0], 128 + 41);
  EXPECT_EQ(first[1], 128 + 41);
  EXPECT_EQ(first[2 * 25], 128 - 41);
}

TEST_F(AudioOutputTest, ReadbackWithNoVoiceIsSilence) {
  ASSERT_NE(audio_start_readback(nullptr, 22050, 64), nullptr);
  auto block = audio_read_back();
  EXPECT_EQ(Bytes(block.begin(), block.end()), Bytes(128, 128));
  EXPECT_EQ(audio_update(), 1);
}

TEST_F(AudioOutputTest, SecondOpenIsRefused) {
  ASSERT_NE(audio_start_readback(nullptr, 22050, 64), nullptr);
  EXPECT_EQ(audio_start_readback(nullptr, 22050, 64), nullptr);
  EXPECT_EQ(audio_start(nullptr), nullptr);
  EXPECT_NE(audio_current_driver(), nullptr);
}

TEST_F(AudioOutputTest, BadReadbackArgumentsFail) {
  EXPECT_EQ(audio_start_readback(nullptr, 0, 690), nullptr);
  EXPECT_EQ(audio_start_readback(nullptr, 88320, 0), nullptr);
  EXPECT_EQ(audio_current_driver(), nullptr);
}

TEST_F(AudioOutputTest, WithoutDeviceEverythingIsANoOp) {
  // The null platform has no device: no driver becomes current.
  EXPECT_EQ(audio_start(nullptr), nullptr);
  EXPECT_EQ(audio_current_driver(), nullptr);
  std::uint8_t byte = 128;
  KorbVoice* voice = voice_create(1, &byte, 0);
  EXPECT_EQ(voice, nullptr);
  voice_play(voice);
  voice_set_volume(voice, 100);
  voice_write(voice, 1, &byte, 0);
  EXPECT_EQ(voice_position(voice), 0);
  EXPECT_TRUE(audio_read_back().empty());
  voice_free(voice);
  audio_close();
}

TEST_F(AudioOutputTest, CloseFreesLeftoverVoicesAndResetsTheDriver) {
  ASSERT_NE(audio_start_readback(nullptr, 22050, 64), nullptr);
  std::uint8_t byte = 200;
  KorbVoice* voice = voice_create(1, &byte, 0);
  ASSERT_NE(voice, nullptr);
  voice_play(voice);
  audio_close();
  EXPECT_EQ(audio_current_driver(), nullptr);
  EXPECT_EQ(voice_position(voice), 0);  // forwards nowhere now
}

}  // namespace
