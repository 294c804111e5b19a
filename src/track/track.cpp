#include "track/track.h"

#include <cmath>
#include <string>

#include "data/stream.h"
#include "platform/log.h"
#include "track/particles.h"

Track game_track;
std::vector<TrackListing> track_list;
TrackHooks track_hooks;

std::string track_title(std::string_view name) {
  for (const TrackListing& entry : track_list)
    if (entry.name == name) return entry.display;
  return std::string(name);
}

unsigned track_load_texture(std::string_view name) {
  return track_hooks.load_texture ? track_hooks.load_texture(std::string(name).c_str()) : 0;
}

namespace {

// Feeds a whole file into the digest in blocks as read; a file that does
// not exist is skipped.
void hash_file(Ripemd160& digest, const std::string& path) {
  StreamPtr in{stream_open(path.c_str(), "rb")};
  if (!in) return;
  char block[1024];
  while (std::size_t n = stream_read(in.get(), block, sizeof block)) digest.update(block, n);
}

void log_texture_memory(const char* format) {
  if (debug_level > 0)
    korb_log(format, track_hooks.texture_memory ? track_hooks.texture_memory() : 0ul);
}

void add_statue(Track& track, Statue statue) {
  track.statues.push_back(std::move(statue));
  if (track_hooks.statue_added) track_hooks.statue_added(track.statues.back());
}

// One start gate statue per start position, 3 feet ahead of the bike. The
// slat's hinge sits on the ground there: a start position's y is the
// ground height under the bike, and taken as a statue's offset above the
// ground it would hang the slat across the riders' chests.
void add_start_gate_objects(Track& track) {
  for (StartPosition& start : track.gates.starts) {
    double a = start.heading;
    Vec3 at{start.position.x - 3 * std::sin(a), 0, start.position.z - 3 * std::cos(a)};
    start.gate_object = static_cast<int>(track.statues.size());
    add_statue(track, make_statue(track.terrain.field, at, start.heading, "@startgate.jm",
                                  "@startgate.ppm", "@startgate.shp"));
  }
}

// Each distinct shape file once, in statue order.
void hash_statue_shapes(Ripemd160& digest, const Track& track) {
  std::vector<const std::string*> seen;
  for (const Statue& statue : track.statues) {
    const std::string& name = statue.shape_name;
    if (name.empty()) continue;
    bool repeated = false;
    for (const std::string* other : seen) repeated = repeated || *other == name;
    if (repeated) continue;
    seen.push_back(&name);
    hash_file(digest, name);
  }
}

}  // namespace

bool load_track(Track& track, std::string_view name, std::string_view dir) {
  unload_track(track);
  track.name = std::string(name);
  track.title = track_title(name);
  track.dir = std::string(dir);
  Ripemd160 digest;
  if (track_hooks.new_texture_generation) track_hooks.new_texture_generation();
  if (track_hooks.show_loading) track_hooks.show_loading();

  const std::string base = track.dir + "/";
  for (const char* file : {"terrain.hf", "terrain.png", "texturelist", "tilemap", "tileinfo"})
    hash_file(digest, base + file);

  if (debug_level > 0) korb_log("Loading '%s'\n", track.dir.c_str());
  if (!load_terrain(track.terrain, track.dir)) {
    unload_track(track);
    return false;
  }
  log_texture_memory("%lu bytes texture memory used after hf creation\n");

  hash_file(digest, base + "timing_gates");
  bool timing = load_timing_gates(track.gates, base + "timing_gates");
  add_start_gate_objects(track);
  if (timing && track_hooks.timing_loaded) track_hooks.timing_loaded(track.gates);

  reset_roost_particles(roost_particles);

  if (track_hooks.load_flaggers) track_hooks.load_flaggers(track, track.dir.c_str());
  log_texture_memory("%lu bytes texture memory used after flagger creation\n");
  if (track_hooks.load_billboards) track_hooks.load_billboards(track, track.dir.c_str());
  log_texture_memory("%lu bytes texture memory used after billboard creation\n");

  hash_file(digest, base + "statues");
  track.first_file_statue = static_cast<int>(track.statues.size());
  std::vector<Statue> statues;
  load_statues(statues, base + "statues", track.terrain.field);
  for (Statue& statue : statues) add_statue(track, std::move(statue));
  log_texture_memory("%lu bytes texture memory used after statue creation\n");

  if (track_hooks.load_lighting) track_hooks.load_lighting(track, track.dir.c_str());
  track.map_texture = track_load_texture(base + "map.png");
  build_scenery_grid(track.scenery_grid, track.statues, track.terrain.field.extent);
  if (track_hooks.editor_start) track_hooks.editor_start(track);

  hash_statue_shapes(digest, track);
  track.hash = digest.finish();
  if (track_hooks.purge_textures) track_hooks.purge_textures();
  if (debug_level > 0 && track_hooks.texture_memory)
    korb_log("%d MB texture memory used\n", static_cast<int>(track_hooks.texture_memory() >> 20));
  return true;
}

bool load_track(std::string_view name) {
  return load_track(game_track, name, "@" + std::string(name));
}

void unload_track(Track& track) {
  if (track.dir.empty()) return;  // nothing was loaded
  korb_log("Deallocating track\n");
  if (track_hooks.editor_end) track_hooks.editor_end(track);
  free_timing_gates(track.gates);
  for (auto& bucket : track.scenery_grid.buckets) bucket = {};
  track.statues = {};
  if (track_hooks.scenery_unloaded) track_hooks.scenery_unloaded(track);
  clear_terrain(track.terrain);
  track = Track{};
  korb_log("Finished deallocating track\n");
}

void unload_track() { unload_track(game_track); }
