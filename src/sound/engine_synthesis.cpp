#include "sound/engine_synthesis.h"

#include <algorithm>
#include <cmath>

#include "platform/audio.h"
#include "sim/bike.h"
#include "sim/drivetrain.h"

namespace {

constexpr int history_mask = engine_history - 1;
constexpr int lead_samples = 4410;     // keep this far ahead of the play position
constexpr int max_new_samples = 8820;  // at most 0.2 s of sound per frame
constexpr std::int32_t phase_one = 1 << 24;

// x clamped into [lo, hi]; not-a-number gives `otherwise`. Everything a
// file or the simulation hands in passes here before it becomes an index,
// an integer or a sample.
double clamp_or(double x, double lo, double hi, double otherwise) {
  if (std::isnan(x)) return otherwise;
  return std::clamp(x, lo, hi);
}

// Where x lies between lo and hi, 0..1; 1 when the two are not in order.
double fraction(double x, double lo, double hi) {
  if (!(hi - lo > 0)) return 1;
  return clamp_or((x - lo) / (hi - lo), 0, 1, 0);
}

std::int32_t phase_step(float freq) {
  return static_cast<std::int32_t>(freq / engine_sample_rate * phase_one);
}

// A firing at new sample k of n: picks the table cells at the engine speed
// of this moment of the frame and starts one grain in each.
void fire(EngineSound& s, int k, int n, float rpm, float load) {
  const EngineSoundDesc& d = s.desc;
  const SoundTable& table = *d.table;
  const std::uint32_t f = s.firings;
  const double r = s.prev_rpm + static_cast<double>(rpm - s.prev_rpm) * k / n;
  const double e = std::max(static_cast<double>(d.min_rpm),
                            (r + d.bias[f % static_cast<unsigned>(std::max(d.bias_count, 1))]) *
                                d.scale[f % static_cast<unsigned>(std::max(d.scale_count, 1))]);

  int i = 0;
  while (i < table.rows && !(table.cell(i, 0).rpm > e)) ++i;
  const int r0 = std::clamp(i - 1, 0, table.rows - 1), r1 = std::clamp(i, 0, table.rows - 1);
  int j = 0;
  while (j < table.columns && !(table.cell(0, j).load > load)) ++j;
  const int c0 = std::clamp(j - 1, 0, table.columns - 1), c1 = std::clamp(j, 0, table.columns - 1);
  const double a = r0 == r1 ? 1 : fraction(e, table.cell(r0, 0).rpm, table.cell(r1, 0).rpm);
  const double b = c0 == c1 ? 1 : fraction(load, table.cell(0, c0).load, table.cell(0, c1).load);

  s.firings = f + 1;
  // Never below 5 firings a second, never more than one per sample.
  s.freq = static_cast<float>(clamp_or(e * d.firing_factor / 60, 5, engine_sample_rate, 5));

  const int rows[4] = {r0, r1, r0, r1};
  const int columns[4] = {c0, c0, c1, c1};
  const double weights[4] = {(1 - a) * (1 - b), a * (1 - b), (1 - a) * b, a * b};
  for (int g = 0; g < 4; ++g) {
    const SoundCell& cell = table.cell(rows[g], columns[g]);
    EngineGrain& grain = s.grains[static_cast<size_t>(g)];
    std::uint32_t m = s.firings;
    if (!cell.remap.empty()) m = static_cast<std::uint32_t>(cell.remap[m % cell.remap.size()]);
    const double segment = static_cast<double>(cell.sample_count) / cell.segment_count;
    grain.samples = cell.samples;
    grain.sample_count = cell.sample_count;
    grain.weight = static_cast<float>(weights[g]);
    grain.position =
        static_cast<std::int64_t>((m % static_cast<unsigned>(cell.segment_count)) * segment) << 10;
    grain.step = static_cast<std::int64_t>(s.freq / engine_sample_rate * segment * 1024);
  }
}

// Writes n new samples into the history from write_pos on.
void synthesize_samples(EngineSound& s, int n, float rpm, float load) {
  const EngineSoundDesc& d = s.desc;
  // Only the taps that sound; a ".braap" file without a pipe has none.
  int taps = 0;
  std::int32_t delays[pipe_taps];
  float gains[pipe_taps];
  for (int t = 0; t < pipe_taps; ++t) {
    if (d.tap_gain[static_cast<size_t>(t)] == 0) continue;
    delays[taps] = d.tap_delay[static_cast<size_t>(t)];
    gains[taps++] = d.tap_gain[static_cast<size_t>(t)];
  }

  float* history = s.history.data();
  std::int32_t step = phase_step(s.freq);
  int at = s.write_pos;
  for (int k = 0; k < n; ++k) {
    float v = 0;
    for (int t = 0; t < taps; ++t) v += gains[t] * history[(delays[t] + at) & history_mask];
    for (EngineGrain& grain : s.grains) {
      std::int64_t index = grain.position >> 10;
      // A grain played past its sample's end (a period longer than its
      // segment) falls silent instead of reading beyond it.
      if (grain.weight != 0 && index >= 0 && index < grain.sample_count)
        v += grain.weight * grain.samples[index];
      grain.position += grain.step;
    }
    history[at] = static_cast<float>(clamp_or(v, -16, 16, 0));
    s.phase += step;
    if (s.phase >= phase_one) {
      fire(s, k, n, rpm, load);
      step = phase_step(s.freq);
      s.phase -= phase_one;
    }
    at = (at + 1) & history_mask;
  }
  s.write_pos = at;
}

// Copies the history's n newest samples into the voice as 8-bit bytes.
void write_voice(EngineSound& s, int n) {
  static std::uint8_t scratch[engine_history];  // main thread only
  const int start = (s.write_pos - n) & history_mask;
  for (int i = 0; i < n; ++i) {
    float v = s.history[static_cast<size_t>((start + i) & history_mask)];
    scratch[i] = static_cast<std::uint8_t>(std::clamp(static_cast<int>(v * 127 + 127), 0, 255));
  }
  voice_write(s.voice, n, scratch, start);
}

}  // namespace

EngineFrame engine_frame(const Bike& bike) {
  EngineFrame frame;
  frame.rpm = static_cast<float>(bike.engine_speed * rpm_per_rad_s);
  frame.torque = engine_torque(bike);
  if (dBodyID body = bike.bodies[body_frame]) {
    const dReal* p = dBodyGetPosition(body);
    const dReal* v = dBodyGetLinearVel(body);
    frame.position = {p[0], p[1], p[2]};
    frame.velocity = {v[0], v[1], v[2]};
  }
  return frame;
}

void synthesize_engine(EngineSound& state, const EngineFrame& engine, const Listener& listener,
                       float volume) {
  if (!state.voice || !state.desc.table || state.history.size() != engine_history) return;
  const EngineSoundDesc& d = state.desc;

  const int played = voice_position(state.voice) & history_mask;
  int n = (played + lead_samples - state.write_pos) & history_mask;
  if (n != 0) {
    n = std::min(n, max_new_samples);
    const float load = static_cast<float>(
        clamp_or((engine.torque - d.low_torque) / (d.high_torque - d.low_torque), 0, 1, 0));
    synthesize_samples(state, n, engine.rpm, load);
    state.prev_rpm = engine.rpm;
    write_voice(state, n);
  }

  const Vec3 apart = listener.position - engine.position;
  const double distance2 = dot(apart, apart);
  const double distance = std::sqrt(distance2);
  double ratio = 1, pan = 0;
  if (distance2 >= 1.0 / 1024) {
    const Vec3 toward_listener = apart / distance;
    const double u = 1 - dot(listener.velocity, toward_listener) / speed_of_sound;
    const double w = 1 - dot(engine.velocity, toward_listener) / speed_of_sound;
    // A source closing faster than sound has no meaningful pitch: lowest.
    ratio = w > 0 && u <= 8 * w ? u / w : 0.125;
    pan = -dot(toward_listener, listener.right) * 32767;
  }
  const double attenuation = std::max(1.0, 1 + (distance - 1) / 48);
  voice_set_frequency(state.voice,
                      static_cast<int>(clamp_or(ratio * engine_sample_rate, 100, 1000000, 100)));
  voice_set_volume(state.voice,
                   static_cast<int>(clamp_or(volume * 32767.0 / attenuation, 0, 32767, 0)));
  voice_set_pan(state.voice, static_cast<int>(clamp_or(pan, -32768, 32767, 0)));
}

void update_engine_sounds(std::span<Bike* const> bikes, std::span<EngineSound> sounds,
                          const Listener& listener, float volume) {
  const std::size_t count = std::min(bikes.size(), sounds.size());
  for (std::size_t i = 0; i < count; ++i)
    if (bikes[i] && sounds[i].voice)
      synthesize_engine(sounds[i], engine_frame(*bikes[i]), listener, volume);
  audio_update();
}
