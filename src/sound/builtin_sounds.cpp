// The built-in engine sounds: two firing waveforms, their tables and the
// three class descriptions used when a bike has no ".braap" file.

#include <cmath>
#include <numbers>

#include "sound/engine_sound.h"

namespace {

constexpr int waveform_length = 1024;

// Four-stroke firing: a slow rectified swell with a short decaying ring.
float four_stroke(double x) {
  double w = (std::fabs(std::sin(3 * std::numbers::pi * x + 0.5246)) - 0.5) * 0.5;
  if (x < 0.25) w += std::sin(16 * std::numbers::pi * x) * (1 - 4 * x);
  return static_cast<float>(w);
}

// Two-stroke firing: only the short decaying ring.
float two_stroke(double x) {
  return x < 0.25 ? static_cast<float>(std::sin(8 * std::numbers::pi * x) * (1 - 4 * x)) : 0.0f;
}

std::vector<float> waveform(float (*shape)(double), float amplitude) {
  std::vector<float> samples(waveform_length);
  for (int i = 0; i < waveform_length; ++i)
    samples[static_cast<size_t>(i)] = shape(i / 1023.0) * amplitude;
  return samples;
}

// One row (rpm 0), two columns: load 0 plays the quarter-amplitude
// waveform, load 1 the full one. The waveforms are kept in `waves` (moving
// a vector keeps its buffer, so the cells' pointers stay valid).
const SoundTable* builtin_table(const char* name, float (*shape)(double),
                                std::vector<std::vector<float>>& waves) {
  SoundTable table;
  table.name = name;
  table.rows = 1;
  table.columns = 2;
  for (int c = 0; c < 2; ++c) {
    waves.push_back(waveform(shape, c == 0 ? 0.25f : 1.0f));
    const std::vector<float>& samples = waves.back();
    SoundCell cell;
    cell.samples = samples.data();
    cell.sample_count = waveform_length;
    cell.load = static_cast<float>(c);
    table.cells.push_back(cell);
  }
  return keep_sound_table(std::move(table));
}

// Built on first use, kept for the run.
struct Builtins {
  std::vector<std::vector<float>> waves;
  EngineSoundDesc four, two, fifty;
};

Builtins make_builtins() {
  Builtins b;
  b.waves.reserve(4);  // no reallocation: the tables point into these
  const SoundTable* four_table = builtin_table("default_four_stroke", four_stroke, b.waves);
  const SoundTable* two_table = builtin_table("default_two_stroke", two_stroke, b.waves);

  b.four.table = four_table;
  b.four.firing_factor = 0.5f;
  b.four.low_torque = -2.5f;
  b.four.high_torque = 2.5f;
  b.four.min_rpm = 1000;
  set_pipe(b.four, 5.0f, 0.918f, -0.85f, 0, 15);

  b.two.table = two_table;
  b.two.firing_factor = 1.0f;
  b.two.low_torque = -3.5f;
  b.two.high_torque = 3.5f;
  b.two.min_rpm = 1000;
  set_pipe(b.two, 1.75f, 0.3f, -0.75f, 0, 15);

  b.fifty = b.two;
  b.fifty.high_torque = 1.5f;
  return b;
}

}  // namespace

const EngineSoundDesc& builtin_engine_sound(EngineClass engine) {
  static const Builtins builtins = make_builtins();
  switch (engine) {
    case EngineClass::two_stroke:
      return builtins.two;
    case EngineClass::fifty:
      return builtins.fifty;
    case EngineClass::four_stroke:
      break;
  }
  return builtins.four;
}
