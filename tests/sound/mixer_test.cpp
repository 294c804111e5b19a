// The software mixer: levels from volume and pan, the volume table, mixing
// several voices with clipping, looping and ending, the voice budget, level
// changes and restarts at zero crossings, resampling and voice writes.
// Expected samples are worked out by hand from the mixing rules: a byte u
// at level v adds sign(u - 128) x floor(|u - 128| x v / 32).

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "platform/mixer.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// Volume for a centred voice whose left and right level is `level`.
int volume_for_level(int level) { return level * 2048 + 100; }

struct MixerTest : ::testing::Test {
  std::unique_ptr<Mixer> mixer = mixer_create(22050, true, false, 16, 4);

  KorbVoice* voice(const Bytes& data, bool loop = true) {
    KorbVoice* v = mixer_voice_create(*mixer, static_cast<int>(data.size()), data.data(), 0);
    mixer_voice_set_loop(*mixer, v, loop);
    return v;
  }
  Bytes mix() {
    auto out = mixer_mix(*mixer);
    return Bytes(out.begin(), out.end());
  }
  // Left channel only (stereo output).
  Bytes mix_left() {
    Bytes all = mix(), left;
    for (size_t i = 0; i < all.size(); i += 2) left.push_back(all[i]);
    return left;
  }
};

TEST(VolumeTableTest, CountsOverflowsOfTheRunningSum) {
  const VolumeTable& t = mixer_volume_table();
  EXPECT_EQ(t[31][255], 123);  // floor(127 x 31 / 32)
  EXPECT_EQ(t[16][0], -63);    // 0 counts as 127 below the middle
  EXPECT_EQ(t[16][1], -63);
  EXPECT_EQ(t[1][128 + 31], 0);  // 31 x 1 never passes 31
  EXPECT_EQ(t[1][128 + 32], 1);
  for (int u = 0; u < 256; ++u) EXPECT_EQ(t[0][u], 0);
  for (int v = 0; v < mixer_levels; ++v) EXPECT_EQ(t[v][128], 0);
}

TEST_F(MixerTest, LevelsFollowVolumeAndPan) {
  struct Case {
    int volume, pan, left, right;
  } cases[] = {
      {32767, 0, 15, 15},      // centred: half level on each side
      {32767, 32767, 0, 31},   // full right
      {32767, -32768, 31, 0},  // full left
      {0, 0, 0, 0},           {16383, 0, 7, 7},
  };
  for (const Case& c : cases) {
    KorbVoice* v = voice({128});
    mixer_voice_set_volume(*mixer, v, c.volume);
    mixer_voice_set_pan(*mixer, v, c.pan);
    EXPECT_EQ(v->nodes[0].level, c.left) << c.volume << " " << c.pan;
    EXPECT_EQ(v->nodes[1].level, c.right) << c.volume << " " << c.pan;
  }
}

TEST_F(MixerTest, OneCentredVoiceAtFullVolume) {
  KorbVoice* v = voice({200, 56});
  mixer_voice_play(*mixer, v);
  // Level 15: 72 x 15 / 32 = 33 each side.
  EXPECT_EQ(mix(), (Bytes{161, 161, 95, 95, 161, 161, 95, 95}));
}

TEST_F(MixerTest, VoicesAddAndTheSumClips) {
  for (int i = 0; i < 3; ++i) {
    KorbVoice* v = voice({255});
    mixer_voice_set_pan(*mixer, v, 32767);  // right only, level 31: +123 each
    mixer_voice_play(*mixer, v);
  }
  KorbVoice* quiet = voice({192});
  mixer_voice_set_pan(*mixer, quiet, -32768);  // left only, level 31: +62
  mixer_voice_play(*mixer, quiet);
  EXPECT_EQ(mix(), (Bytes{190, 255, 190, 255, 190, 255, 190, 255}));
}

TEST_F(MixerTest, SixteenBitOutputClipsAt127) {
  mixer = mixer_create(22050, false, true, 16, 2);
  for (int i = 0; i < 2; ++i) {
    KorbVoice* v = voice({255});
    mixer_voice_play(*mixer, v);  // mono: full left, level 31
  }
  // 246 clipped to 127, times 256 = 0x7F00, little-endian.
  EXPECT_EQ(mix(), (Bytes{0x00, 0x7F, 0x00, 0x7F}));
}

TEST_F(MixerTest, MonoOutputIgnoresPan) {
  mixer = mixer_create(22050, false, false, 16, 2);
  KorbVoice* v = voice({200});
  mixer_voice_set_pan(*mixer, v, 32767);
  mixer_voice_play(*mixer, v);
  EXPECT_EQ(v->pan, -32768);
  EXPECT_EQ(mix(), (Bytes{128 + 69, 128 + 69}));  // 72 x 31 / 32
}

TEST_F(MixerTest, LoopingWrapsAndOneShotEnds) {
  mixer = mixer_create(22050, false, false, 16, 6);
  KorbVoice* once = voice({255, 255, 1, 1}, false);
  mixer_voice_play(*mixer, once);
  EXPECT_EQ(mix(), (Bytes{251, 251, 5, 5, 128, 128}));
  EXPECT_FALSE(once->playing);
  EXPECT_EQ(mixer_voice_position(*mixer, once), 0);
  EXPECT_EQ(mix(), (Bytes{128, 128, 128, 128, 128, 128}));

  KorbVoice* looping = voice({255, 255, 1, 1}, true);
  mixer_voice_play(*mixer, looping);
  EXPECT_EQ(mix(), (Bytes{251, 251, 5, 5, 251, 251}));
  EXPECT_TRUE(looping->playing);
  EXPECT_EQ(mixer_voice_position(*mixer, looping), 2);
}

TEST_F(MixerTest, FrequencyStepsThroughTheData) {
  mixer = mixer_create(22050, false, false, 16, 4);
  KorbVoice* v = voice({255, 128, 1, 128});
  mixer_voice_set_frequency(*mixer, v, 44100);  // two bytes per output sample
  mixer_voice_play(*mixer, v);
  EXPECT_EQ(mix(), (Bytes{251, 5, 251, 5}));
  mixer_voice_set_frequency(*mixer, v, 11025);  // each byte twice
  EXPECT_EQ(mix(), (Bytes{251, 251, 128, 128}));
}

TEST_F(MixerTest, BudgetKeepsTheLoudestNodes) {
  // Ten centred voices at levels 6..15, budget 16: the eight loudest
  // voices (16 nodes) are heard, levels 8..15. Byte 136 adds level / 4.
  mixer = mixer_create(22050, true, false, 16, 1);
  std::vector<KorbVoice*> voices;
  for (int level = 6; level <= 15; ++level) {
    KorbVoice* v = voice({136, 136, 136, 136});
    mixer_voice_set_volume(*mixer, v, volume_for_level(level));
    ASSERT_EQ(v->nodes[0].level, level);
    mixer_voice_play(*mixer, v);
    voices.push_back(v);
  }
  const int heard = 2 + 2 + 2 + 2 + 3 + 3 + 3 + 3;  // not the 1 + 1 of levels 6, 7
  Bytes out = mix();
  EXPECT_EQ(out[0], 128 + heard);
  EXPECT_EQ(out[1], 128 + heard);

  // Quiet and loud voices alike moved on.
  for (KorbVoice* v : voices) EXPECT_EQ(mixer_voice_position(*mixer, v), 1);
}

TEST_F(MixerTest, BudgetCountsNodesNotVoices) {
  // One loud voice panned right, two quiet centred ones; a budget of 2
  // hears the loud right node and the first quiet node in the lists.
  mixer = mixer_create(22050, true, false, 2, 1);
  KorbVoice* loud = voice({255});
  mixer_voice_set_pan(*mixer, loud, 32767);
  mixer_voice_play(*mixer, loud);
  KorbVoice* a = voice({255});
  mixer_voice_set_volume(*mixer, a, volume_for_level(4));
  mixer_voice_play(*mixer, a);
  Bytes out = mix();
  EXPECT_EQ(out[1], 128 + 123);           // right: the loud node only
  EXPECT_EQ(out[0], 128 + 127 * 4 / 32);  // left: the quiet voice's left node
}

TEST_F(MixerTest, SilentVoiceUsesNoBudget) {
  mixer = mixer_create(22050, true, false, 2, 1);
  KorbVoice* muted = voice({255});
  mixer_voice_set_volume(*mixer, muted, 0);
  mixer_voice_play(*mixer, muted);
  KorbVoice* heard = voice({255});
  mixer_voice_set_volume(*mixer, heard, volume_for_level(2));
  mixer_voice_play(*mixer, heard);
  EXPECT_EQ(mix(), (Bytes{128 + 7, 128 + 7}));        // 127 x 2 / 32
  EXPECT_EQ(mixer_voice_position(*mixer, muted), 0);  // one byte: wrapped to 0
}

TEST_F(MixerTest, VolumeChangeWaitsForTheNextZeroCrossing) {
  mixer = mixer_create(22050, false, false, 16, 6);
  KorbVoice* v = voice({200, 200, 200, 200, 56, 56, 56, 56});
  mixer_voice_play(*mixer, v);
  // Mono, full volume: level 31, 72 x 31 / 32 = 69.
  EXPECT_EQ(mix(), (Bytes{197, 197, 197, 197, 59, 59}));
  mixer_voice_set_volume(*mixer, v, 16383);  // level 15: 72 x 15 / 32 = 33
  // Bytes 6 and 7 are still below the middle: old level until byte 0,
  // where the sign bit changes.
  EXPECT_EQ(mix(), (Bytes{59, 59, 161, 161, 161, 161}));
}

TEST_F(MixerTest, PendingChangeLandsAtTheEndOfTheBlockWithoutACrossing) {
  mixer = mixer_create(22050, false, false, 16, 4);
  KorbVoice* v = voice({200});  // never crosses zero
  mixer_voice_play(*mixer, v);
  EXPECT_EQ(mix(), (Bytes{197, 197, 197, 197}));
  mixer_voice_set_volume(*mixer, v, 16383);
  EXPECT_EQ(mix(), (Bytes{197, 197, 197, 197}));
  EXPECT_EQ(mix(), (Bytes{161, 161, 161, 161}));
}

TEST_F(MixerTest, RestartJumpsToTheStartAtAZeroCrossing) {
  mixer = mixer_create(22050, false, false, 16, 3);
  KorbVoice* v = voice({255, 250, 10, 5, 1});
  mixer_voice_play(*mixer, v);
  EXPECT_EQ(mix(), (Bytes{251, 246, 14}));
  mixer_voice_play(*mixer, v);
  EXPECT_EQ(mixer_voice_position(*mixer, v), 0);  // restart pending
  // Bytes 3 (5) and 4 (1) keep the sign of byte 2; the wrap to byte 0 (255)
  // crosses, and the restart plays byte 0 there.
  EXPECT_EQ(mix(), (Bytes{9, 5, 251}));
  EXPECT_EQ(mixer_voice_position(*mixer, v), 1);
}

TEST_F(MixerTest, StopSilencesAtTheNextMix) {
  KorbVoice* v = voice({200});
  mixer_voice_play(*mixer, v);
  mixer_voice_stop(*mixer, v);
  EXPECT_EQ(mix(), Bytes(8, 128));
  EXPECT_FALSE(v->playing);
  mixer_voice_play(*mixer, v);  // a stopped voice can play again
  EXPECT_EQ(mix()[0], 161);
}

TEST_F(MixerTest, CreateResamplesToTheOutputRate) {
  Bytes half = {10, 20, 30};
  KorbVoice* v = mixer_voice_create(*mixer, 3, half.data(), 11025);
  ASSERT_NE(v, nullptr);
  EXPECT_EQ(*v->data, (Bytes{10, 10, 20, 20, 30, 30}));
  Bytes twice = {1, 2, 3, 4, 5};
  v = mixer_voice_create(*mixer, 5, twice.data(), 44100);
  EXPECT_EQ(*v->data, (Bytes{1, 3}));
  EXPECT_EQ(v->frequency, 22050);
  EXPECT_EQ(v->volume, 32767);
  EXPECT_FALSE(v->playing);
  EXPECT_EQ(mixer_voice_create(*mixer, 0, twice.data(), 0), nullptr);
  EXPECT_EQ(mixer_voice_create(*mixer, 1, twice.data(), 44100), nullptr);  // rounds to 0
  EXPECT_EQ(mixer_voice_create(*mixer, 3, twice.data(), -5), nullptr);
}

TEST_F(MixerTest, CloneSharesDataAndSettings) {
  KorbVoice* v = voice({1, 2, 3});
  mixer_voice_set_volume(*mixer, v, 1000);
  mixer_voice_set_pan(*mixer, v, 500);
  mixer_voice_play(*mixer, v);
  KorbVoice* c = mixer_voice_clone(*mixer, v);
  EXPECT_EQ(c->data, v->data);
  EXPECT_EQ(c->volume, 1000);
  EXPECT_EQ(c->pan, 500);
  EXPECT_TRUE(c->loop);
  EXPECT_FALSE(c->playing);
  Bytes b = {9};
  mixer_voice_write(*mixer, c, 1, b.data(), 1);
  EXPECT_EQ((*v->data)[1], 9);
  mixer_voice_free(*mixer, v);  // the clone keeps the data alive
  EXPECT_EQ((*c->data)[1], 9);
  EXPECT_EQ(mixer->voices.size(), 1u);
}

TEST_F(MixerTest, WriteWrapsAndKeepsOnlyTheLastVoiceSizeBytes) {
  Bytes silence(32768, 128);
  KorbVoice* v = voice(silence);
  Bytes big(40000);
  for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<std::uint8_t>(i * 7);
  mixer_voice_write(*mixer, v, 40000, big.data(), 100);
  // The last 32768 bytes go to (100 + 40000 - 32768) mod 32768 = 7332.
  const Bytes& data = *v->data;
  for (int k = 0; k < 32768; ++k)
    ASSERT_EQ(data[static_cast<size_t>((7332 + k) % 32768)],
              big[static_cast<size_t>(40000 - 32768 + k)])
        << k;

  Bytes small = {1, 2, 3};
  mixer_voice_write(*mixer, v, 3, small.data(), 32767);
  EXPECT_EQ(data[32767], 1);
  EXPECT_EQ(data[0], 2);
  EXPECT_EQ(data[1], 3);
  mixer_voice_write(*mixer, v, 1, small.data(), -1);  // offsets wrap both ways
  EXPECT_EQ(data[32767], 1);
}

}  // namespace
