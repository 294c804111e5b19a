// Demo recording and playback of 40 bikes: one tick's frame encoded and
// written, and one tick's frame read and applied to the bikes. Playback
// speed in ticks per second is the inverse of the playback time.

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <string>

#include "demo/demo.h"
#include "sim/assembly.h"
#include "sim/bike.h"
#include "sim/world.h"
#include "track/track.h"

namespace {

struct FortyBikes {
  PhysicsWorld world;
  GameState game;
  std::string file = "/tmp/tavrin-demo-bench-" + std::to_string(getpid()) + ".qzdemo";

  FortyBikes() {
    create_world(world);
    game_track.terrain.field.extent = 2048;
    game_track.terrain.field.min_height = -50;
    game.track_name = "venloop";
    for (int slot = 0; slot < max_bikes; ++slot) {
      game.bikes[slot] = create_bike(world, "crf250(2009)", slot, std::to_string(slot + 20));
      move_bike(*game.bikes[slot], {100.0 + 10 * slot, 20, 500});
      game.bike_kind[slot] = bike_robot;
      game_demo.recorded_slots.push_back(slot);
    }
  }
  ~FortyBikes() {
    game_demo = DemoState{};
    for (Bike* bike : game.bikes) destroy_bike(bike);
    destroy_world(world);
    std::remove(file.c_str());
  }
};

void BM_RecordTick40(benchmark::State& state) {
  FortyBikes f;
  for (auto _ : state) {
    state.PauseTiming();
    game_demo.recording.reset(stream_open(f.file.c_str(), "wb"));
    state.ResumeTiming();
    for (int t = 0; t < 128; ++t) {
      ++f.game.tick;
      record_tick(f.game, game_demo);
    }
  }
  state.SetItemsProcessed(state.iterations() * 128);
}
BENCHMARK(BM_RecordTick40)->Unit(benchmark::kMillisecond);

void BM_PlayTick40(benchmark::State& state) {
  FortyBikes f;
  // One second of the forty bikes moving, then played over and over.
  game_demo.session = {};
  game_demo.recording.reset(stream_open(f.file.c_str(), "wb"));
  for (int t = 0; t < 128; ++t) {
    ++f.game.tick;
    record_tick(f.game, game_demo);
    for (Bike* bike : f.game.bikes) move_bike(*bike, {0, 0, -0.3});
  }
  game_demo.recording.reset();
  std::string header = "QZ05 40 0 3 0\nvenloop\n";
  for (int slot = 0; slot < max_bikes; ++slot)
    header += "crf250(2009)||||\n" + std::to_string(slot) + "\n";
  {
    // Put the header in front of the frames just written.
    std::FILE* in = std::fopen(f.file.c_str(), "rb");
    std::string body;
    for (int c; (c = std::fgetc(in)) != EOF;) body.push_back(static_cast<char>(c));
    std::fclose(in);
    std::FILE* out = std::fopen(f.file.c_str(), "wb");
    std::fwrite(header.data(), 1, header.size(), out);
    std::fwrite(body.data(), 1, body.size(), out);
    std::fclose(out);
  }
  for (int& kind : f.game.bike_kind) kind = bike_states;
  for (auto _ : state) {
    state.PauseTiming();
    if (!open_playback(f.game, game_demo, f.file.c_str())) {
      state.SkipWithError("the demo did not open");
      break;
    }
    f.game.tick = 0;
    state.ResumeTiming();
    for (int t = 0; t < 128; ++t) {
      ++f.game.tick;
      play_tick(f.game, game_demo);
    }
  }
  state.SetItemsProcessed(state.iterations() * 128);
  state.counters["visible"] = game_demo.visibility[39];
}
BENCHMARK(BM_PlayTick40)->Unit(benchmark::kMillisecond);

}  // namespace
