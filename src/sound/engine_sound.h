#pragma once
// Engine sounds: every bike has its own engine voice, synthesised from
// recorded firing samples. Each engine firing starts short grains taken
// from a sound table (sound/sound_table.h) at the engine's speed and load,
// and the output is fed back through up to 16 delay taps that model the
// exhaust pipe's reflections (engine_synthesis.h runs it every frame).
//
// A bike's description starts as the built-in one of its class and may be
// changed by its ".braap" file, a text file of lines ('#' starts a
// comment; lines up to 1023 characters):
//   pipe LENGTH SPREAD GAIN FIRST LAST   pipe taps (missing values: 5.0,
//                                        0.918, -0.85, 0, 15), see set_pipe
//   minrpm RPM, lowtorque FT_LB, hightorque FT_LB
//   bias V...  / scale V...              up to 100 values each, used one per
//                                        firing in turn
//   soundtable NAME                      the grain table (an "@" name)
// Other lines are ignored.
//
// Main thread only.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "sound/sound_table.h"

struct Bike;
struct KorbVoice;
struct Stream;

constexpr int pipe_taps = 16;
constexpr int engine_history = 32768;       // samples in the history and the voice
constexpr int engine_sample_rate = 44100;   // samples per second of sound time
constexpr int max_firing_list = 100;        // bias and scale values
constexpr float speed_of_sound = 1140.63f;  // ft/s

struct EngineSoundDesc {
  const SoundTable* table = nullptr;  // grain source (kept for the run)
  float firing_factor = 0.5f;         // firings per engine revolution (class only)
  float low_torque = -2.5f;           // engine torque (ft lb) at load 0
  float high_torque = 2.5f;           // engine torque at load 1
  float min_rpm = 1000;               // lowest engine speed used for a firing
  // Read offset into the history for each tap: 32768 - d reads the sample
  // written d samples earlier.
  std::array<std::int32_t, pipe_taps> tap_delay{};
  std::array<float, pipe_taps> tap_gain{};
  std::array<float, max_firing_list> bias{};  // added to the engine speed
  int bias_count = 1;
  std::array<float, max_firing_list> scale{1.0f};  // applied to the engine speed
  int scale_count = 1;
};

// One grain of the current firing: a segment of a cell's sample played
// stretched to one firing period. Positions and steps are 22.10 fixed
// point sample indices.
struct EngineGrain {
  const float* samples = nullptr;
  int sample_count = 0;
  float weight = 0;
  std::int64_t position = 0;
  std::int64_t step = 0;
};

// The engine sound of one bike slot, made with the bike and freed with it.
struct EngineSound {
  KorbVoice* voice = nullptr;  // 32768 looping 8-bit samples; null without audio
  EngineSoundDesc desc;
  std::vector<float> history;  // synthesised output, a ring of 32768
  float freq = 10;             // firing frequency, Hz
  float prev_rpm = 1000;       // engine speed at the previous frame
  int write_pos = 11025;       // next history index to write
  std::int32_t phase = 0;      // firing phase, 24-bit fixed point
  std::uint32_t firings = 0;   // firing counter
  std::array<EngineGrain, 4> grains{};
};

// The built-in descriptions, built on first use and kept for the run.
enum class EngineClass { four_stroke, two_stroke, fifty };
const EngineSoundDesc& builtin_engine_sound(EngineClass engine);

// Sets taps first..last of a pipe of `length` feet: tap k (from 0) reflects
// at L_k = length - (k + (k / (last - first))^2) x min(length, spread) / n
// with gain gain / n (n taps); a single tap reflects at `length` with the
// whole gain. first is clamped to 0..15, last to first..15. Delays are
// kept inside the history, however odd the numbers.
void set_pipe(EngineSoundDesc& desc, float length, float spread, float gain, int first, int last);

// Reads a ".braap" file over `desc`: all taps are silenced first, then
// each line is applied. Never fails; unknown lines are skipped and a sound
// table that cannot be loaded posts "Error reading '%.512s'" and leaves
// the table as it was. Empty bias and scale lists become {0} and {1}.
void read_engine_sound_file(EngineSoundDesc& desc, Stream* stream);

// The ".braap" names tried for a bike-graphic file name, in order: the
// name with its extension replaced, then cut at each '-' from the right
// ("@crf250-alt1.png": "@crf250-alt1.braap", "@crf250.braap").
std::vector<std::string> engine_sound_file_names(std::string_view graphic_name);

// Sets up the engine sound of a new bike: a silent looping voice started
// at volume 0 when audio is open; the built-in description of the bike's
// class ("50", "125", else four-stroke) changed by the bike's ".braap"
// file, found from `graphic_name` (null: the bike's own bike graphic),
// else by "@default50.braap", "@default125.braap" or "@default250f.braap"
// for those classes. Frees whatever `state` held before.
void create_engine_sound(EngineSound& state, const Bike& bike, const char* graphic_name);

// The same for a bike class and graphic name, without a bike.
void create_engine_sound_for(EngineSound& state, std::string_view bike_class,
                             std::string_view graphic_name);

// Frees the voice and the history; the state can be created again.
void free_engine_sound(EngineSound& state);
