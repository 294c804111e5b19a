#pragma once
// The software mixer behind the waveout and readback drivers: voices of
// 8-bit unsigned samples mixed into blocks of 8- or 16-bit, mono or stereo
// output with integer accumulators and a precomputed volume table.
//
// Each voice has a left and a right node. A node's level (0..31) comes from
// the voice's volume and pan; playing nodes sit in one list per level and
// channel, and a block mixes only the loudest nodes up to the voice budget
// (quieter ones advance without sounding). Level changes and restarts take
// effect at the next zero crossing of the samples (a change of their sign
// bit), so volume steps and restarts do not click; a change never waits
// longer than the block in which it was pending.
//
// No locking here: the drivers put their own lock around these calls.
// Voices belong to their mixer: mixer_destroy frees the ones still alive.

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

constexpr int mixer_levels = 32;  // level 0 is silence

// The contribution table: row v (1..31) maps a sample byte u to
// sign(u - 128) x floor(j x v / 32), j = |u - 128| (127 for u = 0), counted
// the way a running sum growing by v and dropping by 32 whenever it exceeds
// 31 counts its overflows. Row 0 is all zeros.
using VolumeTable = std::array<std::array<std::int8_t, 256>, mixer_levels>;
const VolumeTable& mixer_volume_table();

struct KorbVoice;

struct MixerNode {
  MixerNode* prev = nullptr;  // links in the list of its level (playing only)
  MixerNode* next = nullptr;
  KorbVoice* voice = nullptr;
  int channel = 0;                // 0 left, 1 right
  std::uint64_t position = 0;     // byte index << 31 | 31-bit fraction
  int level = 0;                  // 0..31, from volume and pan
  int mixed_level = 0;            // level used at the end of the last mix
  bool restarted = false;         // this block's pending restart is done
  std::uint8_t last_sign = 0x80;  // sign bit of the last byte read
  bool reached_end = false;       // a non-looping voice ran out this block
  int listed_level = -1;          // list it is filed in, -1 none
};

// Sample data shared by a voice and its clones.
using MixerSamples = std::shared_ptr<std::vector<std::uint8_t>>;

struct KorbVoice {
  MixerSamples data;
  int frequency = 0;  // Hz
  int volume = 32767;
  int pan = 0;
  bool loop = false;
  bool playing = false;
  bool restart = false;            // restart pending
  bool ended = false;              // leaves the lists after the next mix
  std::array<MixerNode, 2> nodes;  // left, right
};

struct Mixer {
  int rate = 22050;  // output samples per second
  bool stereo = true;
  bool sixteen_bit = false;
  int budget = 16;                        // nodes heard per block ("sound-channels")
  int block = 0;                          // samples per block
  std::vector<std::int32_t> left, right;  // accumulators, `block` each
  std::vector<std::uint8_t> output;       // block x channels x bytes
  std::array<std::array<MixerNode*, mixer_levels>, 2> lists{};  // [channel][level]
  std::vector<std::unique_ptr<KorbVoice>> voices;               // every live voice
};

// The instance a mixer-based driver's open returns.
struct KorbAudio {
  std::unique_ptr<Mixer> mixer;
};

// A mixer for `block` samples per mix (at least 1) at `rate` Hz (at least
// 1); budget below 0 counts as 0.
std::unique_ptr<Mixer> mixer_create(int rate, bool stereo, bool sixteen_bit, int budget, int block);

// Mixes one block and returns the output bytes (valid until the next mix):
// 8-bit samples clamp(acc, -128, 127) + 128, 16-bit little-endian samples
// clamp(acc, -127, 127) x 256; stereo interleaves left and right.
std::span<const std::uint8_t> mixer_mix(Mixer& mixer);

// The voice operations of the driver table, on this mixer (see
// platform/audio.h for their contracts).
KorbVoice* mixer_voice_create(Mixer& mixer, int length, const std::uint8_t* data, int rate);
KorbVoice* mixer_voice_clone(Mixer& mixer, KorbVoice* voice);
void mixer_voice_free(Mixer& mixer, KorbVoice* voice);
void mixer_voice_play(Mixer& mixer, KorbVoice* voice);
void mixer_voice_stop(Mixer& mixer, KorbVoice* voice);
void mixer_voice_set_frequency(Mixer& mixer, KorbVoice* voice, int hz);
void mixer_voice_set_volume(Mixer& mixer, KorbVoice* voice, int volume);
void mixer_voice_set_pan(Mixer& mixer, KorbVoice* voice, int pan);
void mixer_voice_set_loop(Mixer& mixer, KorbVoice* voice, bool on);
int mixer_voice_position(Mixer& mixer, KorbVoice* voice);
void mixer_voice_write(Mixer& mixer, KorbVoice* voice, int length, const std::uint8_t* data,
                       int offset);
