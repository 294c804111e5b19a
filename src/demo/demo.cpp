// Recording, playback and seeking of demo files.
#include "demo/demo.h"

#include <climits>
#include <cstdio>
#include <string_view>

#include "data/data_dirs.h"
#include "platform/messages.h"
#include "sim/apply_state.h"
#include "sim/bike.h"
#include "track/track.h"

DemoState game_demo;
DemoHooks demo_hooks;

namespace {

const HeightField& field() { return game_track.terrain.field; }

// Offline the player's and the robots' bikes; online with a race slot
// every bike; online in warm-up the remote and robot bikes.
bool recorded(const GameState& game, const DemoSession& session, int slot) {
  if (!game.bikes[slot]) return false;
  int kind = game.bike_kind[slot];
  if (!session.online) return kind == bike_local || kind == bike_robot;
  return session.race_slot || kind == bike_states || kind == bike_robot;
}

DemoBike describe(const Bike& bike) {
  const BikeTextureChoice& t = bike.textures;
  return {std::string(bike.model.name),
          t.rider_body,
          t.bike,
          t.wheels,
          t.helmet,
          std::string(bike.number_text).substr(0, 3)};
}

// A name given with "namedemo" becomes a file in demos/: one plain file
// name, with the demo extension so the demo menu lists it.
std::string named_demo_file(const std::string& name) {
  if (name.empty() || name[0] == '.' || name.find_first_of("/\\") != std::string::npos) return {};
  std::string file = "@demos/" + name;
  constexpr std::string_view ext = ".qzdemo";
  if (file.size() < ext.size() || file.compare(file.size() - ext.size(), ext.size(), ext) != 0)
    file += ext;
  return file;
}

}  // namespace

std::string solo_demo_name(const char* track, const char* file) {
  return std::string("@") + (track ? track : "") + "/" + file;
}

void start_recording(const GameState& game, DemoState& demo) {
  stop_recording(demo);
  if (demo.session.solo && !game.track_name) return;  // no track folder to keep laps in
  demo.recording_file =
      demo.session.solo ? solo_demo_name(game.track_name, last_lap_demo) : default_demo_name;
  demo.recording.reset(stream_open(demo.recording_file.c_str(), "wb"));
  if (!demo.recording) return;
  DemoHeader header;
  header.race_ticks = game.race_duration_ticks;
  header.laps = game.race_laps;
  header.drop_tick = demo.session.drop_tick;
  header.track = game.track_name ? game.track_name : "";
  demo.recorded_slots.clear();
  for (int slot = 0; slot < max_bikes; ++slot)
    if (recorded(game, demo.session, slot)) {
      demo.recorded_slots.push_back(slot);
      header.bikes.push_back(describe(*game.bikes[slot]));
      encode_state(*game.bikes[slot], field().extent, field().min_height, demo.last_recorded[slot]);
    }
  if (write_demo_header(demo.recording.get(), header) < 0 || !stream_flush(demo.recording.get()))
    demo.recording.reset();
}

void stop_recording(DemoState& demo) {
  bool was_default = demo.recording && demo.recording_file == default_demo_name;
  demo.recording.reset();
  demo.recorded_slots.clear();
  if (!was_default || demo.name.empty()) return;
  std::string target = named_demo_file(demo.name);
  char text[300];
  if (target.empty())
    std::snprintf(text, sizeof text, "Can't name a demo '%.200s'", demo.name.c_str());
  else if (!stream_rename(default_demo_name, target.c_str()))
    std::snprintf(text, sizeof text, "Can't save demo as %.200s", target.c_str() + 1);
  else
    text[0] = 0;
  if (text[0]) post_message(text);
  demo.name.clear();
}

bool open_playback(const GameState& game, DemoState& demo, const char* file) {
  close_playback(demo);
  demo.header = DemoHeader{};
  if (file)
    demo.playback_file = file;
  else if (demo.session.solo)
    demo.playback_file = solo_demo_name(game.track_name, fast_lap_demo);
  else
    demo.playback_file = default_demo_name;
  StreamPtr stream(stream_open(demo.playback_file.c_str(), "rb"));
  if (!stream) return false;
  const char* shown = demo.playback_file.c_str() + (demo.playback_file[0] == '@');
  if (!read_demo_header(stream.get(), shown, demo.header)) return false;
  demo.playback = std::move(stream);
  demo.playback_ended = false;
  demo.frame = 0;
  demo.have_previous.fill(false);
  return true;
}

bool demo_recording_allowed(const char* playback_file, bool race_against, bool record_demo) {
  if (!race_against) return false;
  if (playback_file && std::string_view(playback_file) == default_demo_name) {
    post_message("Can't record and play from same file - recording disabled");
    return false;
  }
  return record_demo;
}

void close_playback(DemoState& demo) {
  demo.playback.reset();
  demo.visibility.fill(0);
}

bool demo_track_exists(const DemoHeader& header, const char* name) {
  std::string terrain = header.track + "/terrain.hf";
  bool compressed;
  if (find_index_entry(terrain.c_str(), &compressed)) return true;
  char text[300];
  std::snprintf(text, sizeof text, "demo %.120s: track '%.120s' is not installed", name,
                header.track.c_str());
  post_message(text);
  return false;
}

void record_tick(const GameState& game, DemoState& demo) {
  if (!demo.recording) return;
  const int delay = state_history_length - 1;
  if (demo.session.online && game.tick < delay) return;
  std::vector<std::uint8_t> frame;
  frame.reserve(demo.recorded_slots.size() * bike_state_size);
  for (int slot : demo.recorded_slots) {
    BikeState& state = demo.last_recorded[slot];
    if (demo.session.online)
      state_at(demo.history[slot], game.bikes[slot], game.tick - delay, field().extent,
               field().min_height, state);
    else if (game.bikes[slot])
      encode_state(*game.bikes[slot], field().extent, field().min_height, state);
    frame.insert(frame.end(), state.begin(), state.end());
  }
  // A short write would shift every later frame: stop rather than write a
  // file that plays garbage after the gap.
  if (stream_write(demo.recording.get(), frame.data(), frame.size()) != frame.size() ||
      !stream_flush(demo.recording.get())) {
    char text[300];
    std::snprintf(text, sizeof text, "Demo recording stopped: can't write %.200s",
                  demo.recording_file.c_str() + (demo.recording_file[0] == '@'));
    post_message(text);
    demo.recording.reset();
  }
}

void play_tick(GameState& game, DemoState& demo) {
  if (!demo.playback) return;
  const int size = demo_state_size(demo.header.version);
  const std::size_t frame_size = demo.header.bikes.size() * size;
  std::vector<std::uint8_t> frame(frame_size);
  bool whole = !demo.playback_ended &&
               stream_read(demo.playback.get(), frame.data(), frame_size) == frame_size;
  if (whole)
    ++demo.frame;
  else
    demo.playback_ended = true;
  StateContext context;
  context.version = demo.header.version;
  context.game_tick = game.tick;
  context.extent = field().extent;
  context.min_height = field().min_height;
  std::size_t next = 0;
  for (int slot = 0; slot < max_bikes; ++slot) {
    if (game.bike_kind[slot] != bike_states || !game.bikes[slot]) continue;
    if (!whole || next == demo.header.bikes.size()) {
      demo.visibility[slot] = 0;
      continue;
    }
    context.ticks = demo.have_previous[slot] ? 1 : 0;
    std::span<const std::uint8_t> state(frame.data() + next * size, size);
    ++next;
    bool applied = apply_state(*game.bikes[slot], state, context);
    demo.visibility[slot] = applied ? 1.0f : 0.0f;
    demo.have_previous[slot] = applied;
  }
}

void seek_playback(GameState& game, DemoState& demo, int direction) {
  if (!demo.playback || demo.recording) return;
  for (int slot = 0; slot < max_bikes; ++slot)
    if (game.bikes[slot] && game.bike_kind[slot] != bike_states) return;
  const int second = static_cast<int>(1 / game.step);
  if (direction > 0 && demo.session.accurate_skip) {
    if (!demo_hooks.game_tick) return;
    if (demo_hooks.roost_enabled) demo_hooks.roost_enabled(false);
    for (int end = game.tick + second; game.tick < end;) demo_hooks.game_tick(game);
    if (demo_hooks.roost_enabled) demo_hooks.roost_enabled(true);
    return;
  }
  long long b = std::max<long long>(static_cast<long long>(game.tick) + direction * second - 2, 0);
  long long frame_size =
      static_cast<long long>(demo.header.bikes.size()) * demo_state_size(demo.header.version);
  if (frame_size == 0) return;
  // A file may be seeked past its end; a frame must be there to land on.
  auto seek_frame = [&](long long frame) {
    long long position = demo.header.length + frame * frame_size;
    return position <= INT_MAX && stream_seek(demo.playback.get(), static_cast<int>(position));
  };
  std::uint8_t probe;
  if (!seek_frame(b) || stream_read(demo.playback.get(), &probe, 1) != 1 || !seek_frame(b)) {
    seek_frame(demo.frame);
    return;
  }
  demo.frame = b;
  demo.playback_ended = false;
  demo.have_previous.fill(false);
  if (b + 2 < game.tick && demo_hooks.rewind_progress)
    demo_hooks.rewind_progress(game, static_cast<int>(b + 2));
  game.tick = static_cast<int>(b + 2);
  play_tick(game, demo);
  play_tick(game, demo);
}
