#include "sound.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>

#include "output.h"

namespace mkdata {

namespace {

// How one kind of engine fires. A firing is an exhaust pulse: a few
// resonances of the pipe and the intake ringing down after the pressure
// step, plus a short burst of noise from the gas itself.
struct EngineVoice {
  const char* name;              // table name under sounds/
  double firings_per_rev;        // 0.5 four-stroke, 1 two-stroke
  std::vector<double> rpm;       // table rows
  double resonance;              // lowest ringing frequency, Hz
  std::vector<double> partials;  // relative amplitude of harmonics 1, 2, ...
  double ring_time;              // decay time of the ringing, fraction of a period
  double noise;                  // noise burst amplitude
};

const EngineVoice kFourStroke = {
    "four_stroke", 0.5, {1500, 4000, 7000, 10000, 13000}, 95, {1.0, 0.55, 0.35, 0.2, 0.12},
    0.35,          0.18};
const EngineVoice kTwoStroke = {
    "two_stroke", 1.0, {2500, 6000, 9500, 13000, 16000}, 210, {0.8, 0.7, 0.5, 0.35, 0.25, 0.15},
    0.22,         0.3};

constexpr int kSegments = 4;  // firings recorded per cell
constexpr int kSampleRate = 44100;

// A small deterministic generator (xorshift32): the same noise on every
// run and every machine.
struct Noise {
  std::uint32_t state;
  double next() {  // -1..1
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return static_cast<double>(state) / 2147483648.0 - 1.0;
  }
};

// kSegments firings of one cell, each one firing period long at the row's
// engine speed, so the synthesis plays them at their own pitch there.
std::string firing_samples(const EngineVoice& v, int row, int column) {
  const double rpm = v.rpm[static_cast<size_t>(row)];
  const double load = column == 0 ? 0.0 : 1.0;
  const int period = static_cast<int>(std::lround(kSampleRate * 60.0 / (rpm * v.firings_per_rev)));
  Noise noise{0x9E3779B9u ^ static_cast<std::uint32_t>(row * 977 + column * 131 + v.resonance)};
  // Under load the pulse is stronger and brighter.
  const double amplitude = 0.12 + 0.3 * load;
  const double brightness = 0.6 + 0.8 * load;

  std::string bytes;
  for (int s = 0; s < kSegments; ++s) {
    // Each firing a little different, as real ones are.
    const double strength = 1.0 + 0.12 * noise.next();
    const double detune = 1.0 + 0.03 * noise.next();
    const double ring = v.ring_time * period;
    double smoothed = 0;
    for (int i = 0; i < period; ++i) {
      const double t = static_cast<double>(i) / kSampleRate;
      double x = 0;
      for (size_t h = 0; h < v.partials.size(); ++h) {
        const double k = static_cast<double>(h + 1);
        const double decay = std::exp(-i * k / ring);
        x += v.partials[h] * std::pow(brightness, k - 1) * decay *
             std::sin(2 * std::numbers::pi * v.resonance * detune * k * t);
      }
      // Noise shaped by a one-pole low-pass and a faster decay.
      smoothed += 0.35 * (noise.next() - smoothed);
      x += v.noise * (0.5 + load) * smoothed * std::exp(-i * 3.0 / ring);
      // Fade the tail so the next firing joins without a click.
      const double tail = std::min(1.0, (period - i) / (0.1 * period));
      const double value = std::clamp(x * amplitude * strength * tail, -0.95, 0.95);
      const auto sample = static_cast<std::int16_t>(std::lround(value * 32767));
      bytes.push_back(static_cast<char>(sample & 0xFF));
      bytes.push_back(static_cast<char>((sample >> 8) & 0xFF));
    }
  }
  return bytes;
}

std::string sample_name(const EngineVoice& v, int row, int column) {
  return format("sounds/%s_r%d_c%d.raw", v.name, row, column);
}

// The table: rows by engine speed, columns for closed and open throttle;
// each cell plays its firings in a fixed shuffled order.
std::string table_text(const EngineVoice& v) {
  std::string text = format("SOUNDTABLE %d 2\n", static_cast<int>(v.rpm.size()));
  for (double r : v.rpm) text += format("%.0f ", r);
  text += "\n0 1\n";
  for (int r = 0; r < static_cast<int>(v.rpm.size()); ++r)
    for (int c = 0; c < 2; ++c)
      text += format("0 2 1 3 -1 %d @%s\n", kSegments, sample_name(v, r, c).c_str());
  return text;
}

// One ".braap" description.
struct Description {
  const char* file;  // without ".braap"
  const EngineVoice* voice;
  double pipe_length, pipe_spread, pipe_gain;  // feet, feet, feedback
  double min_rpm;
  double low_torque, high_torque;  // ft lb mapped to load 0 .. 1
  const char* bias;                // per-firing speed offsets (rpm)
  const char* scale;               // per-firing speed factors
};

// The 250 four-strokes have long headers and a lumpy idle; the 125
// two-strokes short expansion chambers and an even beat. The 50s wear the
// 125s' graphics and share their files; their own torque keeps their load
// (and voice) lower.
const Description kDescriptions[] = {
    {"crf250", &kFourStroke, 4.6, 0.90, -0.80, 1100, -2, 18, "0 35 -20 10", "1 1.004"},
    {"kx250f", &kFourStroke, 4.3, 0.85, -0.82, 1150, -2, 18, "0 25 -30 5", "1 0.997"},
    {"rmz250", &kFourStroke, 4.8, 0.95, -0.78, 1050, -2, 18, "0 40 -15 -10", "1 1.003"},
    {"yz250f", &kFourStroke, 4.5, 0.80, -0.84, 1100, -2, 18, "0 30 -25 15", "1 0.998"},
    {"yz250f_se", &kFourStroke, 4.4, 0.80, -0.86, 1100, -2, 18, "0 30 -25 15", "1 1.002"},
    {"default250f", &kFourStroke, 4.5, 0.88, -0.80, 1100, -2, 18, "0 30 -20 10", "1"},
    {"cr125", &kTwoStroke, 2.9, 0.50, -0.70, 1600, -3, 14, "0 15", "1 1.01 0.995"},
    {"kx125", &kTwoStroke, 3.1, 0.55, -0.72, 1550, -3, 14, "0 -10", "1 1.008 0.997"},
    {"rm125", &kTwoStroke, 2.8, 0.45, -0.68, 1650, -3, 14, "0 20", "1 0.99 1.005"},
    {"yz125", &kTwoStroke, 3.0, 0.50, -0.74, 1600, -3, 14, "0 -15", "1 1.006 0.996"},
    {"125sx", &kTwoStroke, 3.2, 0.60, -0.70, 1500, -3, 14, "0 10", "1 1.004 0.994"},
    {"default125", &kTwoStroke, 3.0, 0.50, -0.72, 1600, -3, 14, "0", "1"},
    {"default50", &kTwoStroke, 1.9, 0.35, -0.65, 1800, -1, 4.5, "0 25", "1 1.01"},
};

std::string braap_text(const Description& d) {
  return format(
      "# Engine sound of %s, made by tavrin-mkdata\n"
      "soundtable @sounds/%s.table\n"
      "pipe %.3f %.3f %.3f 0 15\n"
      "minrpm %.0f\n"
      "lowtorque %.1f\n"
      "hightorque %.1f\n"
      "bias %s\n"
      "scale %s\n",
      d.file, d.voice->name, d.pipe_length, d.pipe_spread, d.pipe_gain, d.min_rpm, d.low_torque,
      d.high_torque, d.bias, d.scale);
}

}  // namespace

std::vector<std::pair<std::string, std::string>> sound_files() {
  std::vector<std::pair<std::string, std::string>> files;
  for (const EngineVoice* v : {&kFourStroke, &kTwoStroke}) {
    files.emplace_back(format("sounds/%s.table", v->name), table_text(*v));
    for (int r = 0; r < static_cast<int>(v->rpm.size()); ++r)
      for (int c = 0; c < 2; ++c)
        files.emplace_back(sample_name(*v, r, c), firing_samples(*v, r, c));
  }
  for (const Description& d : kDescriptions)
    files.emplace_back(std::string(d.file) + ".braap", braap_text(d));
  return files;
}

}  // namespace mkdata
