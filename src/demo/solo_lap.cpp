// The solo session's lap demos: the last lap is recorded, the fastest is
// kept and ridden against as a ghost.
#include <algorithm>
#include <cstdio>

#include "demo/demo.h"
#include "platform/messages.h"
#include "sim/bike.h"
#include "sim/bike_model.h"

namespace {

bool file_exists(const std::string& name) {
  StreamPtr s(stream_open(name.c_str(), "rb"));
  return s != nullptr;
}

// Copies `from` over `to` through a temporary file renamed into place, so
// a crash or a full disk never leaves a broken fastest lap behind.
bool copy_demo(const std::string& from, const std::string& to) {
  StreamPtr in(stream_open(from.c_str(), "rb"));
  if (!in) return false;
  std::string temporary = to + ".tmp";
  StreamPtr out(stream_open(temporary.c_str(), "wb"));
  if (!out) return false;
  char buffer[1024];
  for (std::size_t n; (n = stream_read(in.get(), buffer, sizeof buffer)) > 0;)
    if (stream_write(out.get(), buffer, n) != n) return false;
  if (!stream_flush(out.get())) return false;
  out.reset();
  return stream_rename(temporary.c_str(), to.c_str());
}

}  // namespace

int build_demo_bikes(GameState& game, const DemoState& demo, PhysicsWorld& world,
                     bool ghost_slots) {
  int built = 0;
  std::size_t next = 0;
  for (int slot = ghost_slots ? 1 : 0; slot < max_bikes && next < demo.header.bikes.size();
       ++slot) {
    if (!ghost_slots && (game.lineup[slot] != 0 || game.bikes[slot])) continue;
    if (game.bikes[slot]) destroy_bike(game.bikes[slot]);
    const DemoBike& d = demo.header.bikes[next++];
    BikeTextureChoice textures{d.bike, d.wheel, d.rider, d.helmet};
    game.bikes[slot] = create_bike(world, bike_model_alias(d.model), slot, d.number, textures);
    game.bike_kind[slot] = bike_states;
    ++built;
  }
  return built;
}

void end_solo_lap(GameState& game, DemoState& demo, PhysicsWorld& world, bool has_gates,
                  bool ghost_behind, int last_lap_ticks) {
  close_playback(demo);
  stop_recording(demo);
  for (int slot = 1; slot < max_bikes; ++slot) {
    if (game.bikes[slot]) destroy_bike(game.bikes[slot]);
    game.bikes[slot] = nullptr;
    game.bike_kind[slot] = bike_states;
  }
  if (!has_gates) return;
  std::string fast = solo_demo_name(game.track_name, fast_lap_demo);
  std::string last = solo_demo_name(game.track_name, last_lap_demo);
  if (!file_exists(fast) || (ghost_behind && last_lap_ticks > 0)) {
    if (!copy_demo(last, fast)) {
      char text[300];
      std::snprintf(text, sizeof text, "Can't keep the fastest lap in %.200s", fast.c_str() + 1);
      post_message(text);
    }
  }
  if (open_playback(game, demo, fast.c_str())) build_demo_bikes(game, demo, world, true);
  start_recording(game, demo);
}

void solo_lap_demos(GameState& game, DemoState& demo) {
  if (!game.world) return;
  const int player_next = game.progress[0].next_gate;
  const bool ghost_behind =
      game.bikes[1] && player_next >= 0 && game.progress[1].next_gate < player_next;
  end_solo_lap(game, demo, *game.world, game.has_gates, ghost_behind, game.last_lap_ticks);
  for (int slot = 1; slot < max_bikes; ++slot)
    if (game.bikes[slot]) game.progress[slot].next_gate = std::max(game.first_lap_gates - 1, 0);
}
