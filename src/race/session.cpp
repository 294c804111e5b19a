#include "race/session.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

#include "base/random.h"
#include "platform/log.h"
#include "platform/messages.h"
#include "race/laps.h"
#include "race/standings.h"
#include "race/start_gate.h"
#include "robots/bike_lines.h"
#include "robots/line_store.h"
#include "robots/lines_file.h"
#include "robots/robot_roster.h"
#include "sim/assembly.h"
#include "sim/bike_model.h"
#include "sim/collisions.h"
#include "sim/control_step.h"
#include "sim/terrain_contacts.h"
#include "sim/world.h"
#include "track/track.h"

SessionHooks session_hooks;

namespace {

void show_status(const char* text) {
  if (session_hooks.show_status) session_hooks.show_status(text);
}

// Roster position for the next robot of `code` (2 any, 3 a "125", 4 a
// "250", 1000 + n number n), or -1 once the roster is used up.
int next_robot_identity(GameState& game, int code) {
  const int d = game.robots_created;
  if (d >= kRosterSize) return -1;
  game.robots_created = d + 1;
  const int id = take_roster_entry(game.identities, d, code);
  return id < static_cast<int>(session_hooks.roster.size()) ? id : -1;
}

}  // namespace

void place_on_grid(Bike& bike, int p) {
  const auto& starts = game_track.gates.starts;
  if (starts.empty()) {
    const double extent = game_track.terrain.field.extent;
    place_bike(bike, extent / 2 + p * 5.0, extent / 2, 0);
    return;
  }
  const int count = static_cast<int>(starts.size());
  const StartPosition& gate = starts[static_cast<size_t>(p % count)];
  const double row = p / count + 0.0625;
  place_bike(bike, gate.position.x + std::sin(gate.heading) * row * 10,
             gate.position.z + std::cos(gate.heading) * row * 10, gate.heading);
}

namespace {

void free_bikes(GameState& game) {
  korb_log("Deallocating bikes\n");
  for (auto& bike : game.bikes) {
    destroy_bike(bike);
    bike = nullptr;
  }
  korb_log("Finished deallocating bikes\n");
}

// Builds the bike of one entrant; null when it has none.
Bike* build_entrant(GameState& game, const SessionRequest& request, int slot, int code) {
  if (code == 1) {
    Bike* bike = create_bike(*game.world, bike_model_alias(request.rider.model), slot,
                             request.rider.number, request.rider.textures);
    apply_bike_setup(*bike, request.rider.setup);
    return bike;
  }
  if (code == 2 || code == 3 || code == 4 || code >= 1000) {
    const int id = next_robot_identity(game, code);
    if (id < 0) {
      korb_log("no robot roster entry for gate %d\n", slot + 1);
      return nullptr;
    }
    const RosterEntry& entry = session_hooks.roster[static_cast<size_t>(id)];
    Bike* bike =
        create_bike(*game.world, bike_model_alias(entry.model), slot, entry.number, entry.textures);
    return bike;
  }
  // Empty slots, demo bikes and server riders are filled by their owners.
  return nullptr;
}

int kind_of(int code) {
  if (code == 1) return bike_local;
  if (code == 2 || code == 3 || code == 4 || code >= 1000) return bike_robot;
  return bike_states;
}

// Refreshes the standings for the line recorder; returns the leader's gates.
int refresh_standings(void* context) { return update_standings(*static_cast<GameState*>(context)); }

double bike_speed(const Bike& bike) {
  const dReal* v = dBodyGetLinearVel(bike.bodies[body_frame]);
  return std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
}

}  // namespace

void place_bike(Bike& bike, double x, double z, double heading) {
  const HeightField& field = game_track.terrain.field;
  reset_bike(bike);
  turn_bike(bike, {0, 1, 0}, heading);
  double ground = 0;
  if (field.size > 0) {
    const int i = std::clamp(static_cast<int>(std::floor(x / field.spacing)), 0, field.size - 1);
    const int j = std::clamp(static_cast<int>(std::floor(z / field.spacing)), 0, field.size - 1);
    ground = sample(field, i, j);
  }
  move_bike(bike, {x, ground, z});
  // Contacts made only to test for touching are thrown away at once.
  for (int lift = 0; lift < 400; ++lift) {
    const bool touching = terrain_contacts(bike, game_track.terrain) & terrain_touched;
    dJointGroupEmpty(bike.world->contacts);
    if (!touching) break;
    move_bike(bike, {0, 0.25, 0});
  }
  for (int i = 0; i < bike_body_count; ++i) {
    const dReal* p = dBodyGetPosition(bike.bodies[static_cast<size_t>(i)]);
    bike.start_positions[static_cast<size_t>(i)] = {p[0], p[1], p[2]};
  }
}

void end_session(GameState& game) {
  if (session_hooks.demo_stop) session_hooks.demo_stop(game);
  free_bikes(game);
  for (LineRecorder& progress : game.progress) reset_line_recorder(progress);
}

bool start_session(GameState& game, const SessionRequest& request) {
  if (session_hooks.series_notify) session_hooks.series_notify(game, false);
  show_status("Resetting...");

  seed_random(static_cast<std::uint32_t>(game.tick));
  shuffle_roster(game.identities);
  game.robots_created = 0;

  if (!game_track.name.empty()) {
    show_status("Remembering lines...");
    remember_lines(line_store, game_track.name, request.learn);
  }
  show_status("Cleaning up...");
  end_session(game);

  game.tick = 0;
  game.race_ticks = game.race_duration_ticks = std::max(request.race_ticks, 0);
  game.laps = game.race_laps = std::max(request.laps, 0);
  game.record_demo = request.record_demo;
  game.robot_skill = request.robot_skill;
  game.staging_ticks = static_cast<int>(5 / game.step);
  game.drop_tick = static_cast<int>((1 / game.step) * (13 + 2 * random_unit()));
  game.solo = request.lineup == nullptr;

  if (game_track.name != request.track) {
    unload_track();
    if (!load_track(request.track)) return false;
  }
  game.track_name = game_track.name.c_str();
  const TimingGates& gates = game_track.gates;
  game.has_gates = timing_active(gates);
  game.first_lap_gates = static_cast<int>(gates.first_lap.size());
  game.lap_gates = static_cast<int>(gates.normal_lap.size());

  if (game.solo) {
    game.lineup.fill(0);
    game.lineup[0] = 1;
    game.best_lap_ticks = game.last_lap_ticks = 0;
    game.tick = static_cast<int>(300 / game.step);
  } else {
    game.lineup = *request.lineup;
  }
  auto first = std::find_if(game.lineup.begin(), game.lineup.end(), [](int c) { return c != 0; });
  if (first == game.lineup.end()) {
    if (!request.play_demo) game.lineup[0] = 2;
    first = game.lineup.begin();
  }
  game.viewed_bike = static_cast<int>(first - game.lineup.begin());
  bool local_seen = false;
  for (size_t slot = 0; slot < game.lineup.size(); ++slot) {
    if (game.lineup[slot] != 1) continue;
    if (local_seen)
      game.lineup[slot] = 0;
    else
      game.viewed_bike = static_cast<int>(slot);
    local_seen = true;
  }

  create_line_store(line_store, gates);
  load_lines(line_store, game_track.name, request.robot_skill);
  show_status("Analyzing lines...");
  analyze_lines(line_store);

  show_status("Loading bikes...");
  for (int slot = 0; slot < max_bikes; ++slot) {
    const int code = game.lineup[static_cast<size_t>(slot)];
    Bike* bike = code ? build_entrant(game, request, slot, code) : nullptr;
    game.bikes[static_cast<size_t>(slot)] = bike;
    game.bike_kind[static_cast<size_t>(slot)] = bike ? kind_of(code) : bike_states;
    if (!bike) continue;
    place_on_grid(*bike, slot);
    if (kind_of(code) == bike_local) {
      game.start_position = bike->start_positions[body_frame];
      game.false_start_hold = 0;
    } else if (session_hooks.robot_created && !session_hooks.roster.empty()) {
      const int id = game.identities[static_cast<size_t>(game.robots_created - 1)];
      session_hooks.robot_created(game, slot, session_hooks.roster[static_cast<size_t>(id)],
                                  request.practice);
    }
  }
  if (request.record_demo && session_hooks.demo_start) session_hooks.demo_start(game);

  if (game.race_ticks > 0) {
    game.halfway_lap = game.final_lap = lap_unknown;
  } else {
    game.final_lap = game.laps;
    game.halfway_lap = (game.laps + 1) / 2;
  }
  raise_gate_slats(game);
  game.penalty_laps.fill(0);
  game.penalty_ticks.fill(0);
  if (game.solo) restart_attempt(game);
  game.results_done = false;
  update_standings(game);
  if (!game.bikes[static_cast<size_t>(game.viewed_bike)] && game.standing_count > 0)
    game.viewed_bike = game.standings[0].slot;
  Bike* viewed = game.bikes[static_cast<size_t>(game.viewed_bike)];
  if (viewed && game.bike_kind[static_cast<size_t>(game.viewed_bike)] == bike_local)
    apply_rider_aids(*viewed, request.rider.aids);
  return true;
}

void restart_attempt(GameState& game) {
  if (session_hooks.demo_stop) session_hooks.demo_stop(game);
  for (size_t slot = 1; slot < game.bikes.size(); ++slot) {
    destroy_bike(game.bikes[slot]);
    game.bikes[slot] = nullptr;
  }
  Bike* bike = game.bikes[0];
  const TimingGates& gates = game_track.gates;
  if (bike && game.has_gates) {
    const int g = std::max(game.first_lap_gates - 2, 0);
    const Checkpoint& c = gates.checkpoints[static_cast<size_t>(gate_pass_checkpoint(gates, g))];
    place_bike(*bike, c.centre.x, c.centre.z, std::atan2(-c.direction.x, -c.direction.z));
    LineRecorder& progress = game.progress[0];
    progress.next_gate = g;
    if (static_cast<int>(progress.crossing_ticks.size()) > g)
      progress.crossing_ticks.resize(static_cast<size_t>(g));
    progress.finished = false;
  }
  game.last_lap_ticks = 0;
  update_standings(game);
}

void game_tick(GameState& game) {
  if (!game.world) return;  // no session was ever started
  const int bike_count = static_cast<int>(
      std::count_if(game.bikes.begin(), game.bikes.end(), [](Bike* b) { return b != nullptr; }));
  if (game.solo)
    for (int slot = 0; slot < 2; ++slot)
      game.solo_laps_before[static_cast<size_t>(slot)] = laps_completed(game, slot);

  // Contacts: the track for every simulated bike, then every pair of them,
  // fastest first, so the same crowd always meets in the same order.
  std::array<Bike*, max_bikes> simulated{};
  int simulated_count = 0;
  for (int slot = 0; slot < max_bikes; ++slot) {
    Bike* bike = game.bikes[static_cast<size_t>(slot)];
    if (!bike || game.bike_kind[static_cast<size_t>(slot)] == bike_states) continue;
    environment_contacts(*bike, game_track.terrain, game_track.statues, game_track.scenery_grid,
                         game.tick);
    simulated[static_cast<size_t>(simulated_count++)] = bike;
  }
  std::stable_sort(simulated.begin(), simulated.begin() + simulated_count,
                   [](const Bike* a, const Bike* b) { return bike_speed(*a) > bike_speed(*b); });
  crowd_contacts({simulated.data(), static_cast<size_t>(simulated_count)}, game.tick);

  if (session_hooks.emit_roost && bike_count > 0) {
    for (int k = 0; k < max_bikes; ++k) {
      const int slot = (game.tick % max_bikes + k) % max_bikes;
      if (game.bikes[static_cast<size_t>(slot)]) session_hooks.emit_roost(game, slot);
    }
  }

  step_world(*game.world);

  const RecordedRace race{&game_track.gates, game.tick,         game.drop_tick,
                          game.final_lap,    refresh_standings, &game};
  ControlContext context;
  context.tick = game.tick;
  context.drop_tick = game.drop_tick;
  context.terrain = &game_track.terrain;
  for (int slot = 0; slot < max_bikes; ++slot) {
    Bike* bike = game.bikes[static_cast<size_t>(slot)];
    if (!bike) continue;
    const int kind = game.bike_kind[static_cast<size_t>(slot)];
    if (kind == bike_robot && session_hooks.auto_pilot) session_hooks.auto_pilot(game, slot);
    control_step(*bike, context, kind != bike_states);
    double progress = 0;
    std::span<LinePoint> path;
    if (kind == bike_robot && session_hooks.robot_path)
      path = session_hooks.robot_path(game, slot, &progress);
    record_bike_lines(line_store, game.progress[static_cast<size_t>(slot)], *bike,
                      kind == bike_robot, path, progress, race);
  }

  if (session_hooks.advance_roost) session_hooks.advance_roost(game);

  drop_gate_slats(game);

  game.tick += 1;
  if (session_hooks.demo_tick) session_hooks.demo_tick(game);

  if (game.solo && game.bikes[0] && laps_completed(game, 0) != game.solo_laps_before[0]) {
    const int laps = laps_completed(game, 0);
    game.last_lap_ticks = laps >= 2 ? lap_ticks(game, 0, laps) : 0;
    if (game.last_lap_ticks > 0 &&
        (game.best_lap_ticks == 0 || game.last_lap_ticks < game.best_lap_ticks))
      game.best_lap_ticks = game.last_lap_ticks;
    if (session_hooks.solo_lap) session_hooks.solo_lap(game);
  }
}
