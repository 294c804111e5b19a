// Engine sound for 40 bikes: one 60 Hz frame of synthesis (735 new samples
// per bike at 44100 Hz, Doppler, distance and pan) followed by the mix of
// that frame, and the mix alone. The readback driver stands in for a
// device, so the mixer runs on this thread exactly as it would on SDL's.

#include <benchmark/benchmark.h>

#include <array>

#include "platform/audio.h"
#include "sound/engine_synthesis.h"

namespace {

constexpr int frame_samples = 735;  // 1/60 s at 44100 Hz

struct FortyEngines {
  std::array<EngineSound, 40> sounds;
  std::array<EngineFrame, 40> frames;
  Listener listener;

  FortyEngines() {
    audio_start_readback(nullptr, 44100, frame_samples);
    for (int i = 0; i < 40; ++i) {
      // Half four-strokes, half two-strokes, spread along a straight at
      // different engine speeds and loads.
      create_engine_sound_for(sounds[i], i % 2 ? "125" : "250f", "");
      frames[i].rpm = 3000.0f + 250.0f * i;
      frames[i].torque = static_cast<float>(i % 5);
      frames[i].position = {5.0 * i, 0, -20.0 - i};
      frames[i].velocity = {0, 0, i % 3 ? 60.0 : -60.0};
    }
    // Settle into the steady state: each frame then writes one frame's
    // worth of samples.
    for (int f = 0; f < 20; ++f) frame();
  }
  ~FortyEngines() {
    for (EngineSound& s : sounds) free_engine_sound(s);
    audio_close();
  }

  void frame() {
    for (int i = 0; i < 40; ++i) synthesize_engine(sounds[i], frames[i], listener, 1);
    audio_update();
    audio_read_back();
  }
};

void BM_EngineSoundFrame40Bikes(benchmark::State& state) {
  FortyEngines engines;
  for (auto _ : state) engines.frame();
  state.counters["frames/s"] = benchmark::Counter(state.iterations(), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_EngineSoundFrame40Bikes)->Unit(benchmark::kMicrosecond);

void BM_MixFrame40Voices(benchmark::State& state) {
  FortyEngines engines;
  for (auto _ : state) benchmark::DoNotOptimize(audio_read_back().data());
}
BENCHMARK(BM_MixFrame40Voices)->Unit(benchmark::kMicrosecond);

}  // namespace
