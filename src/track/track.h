#pragma once
// The one loaded track: its terrain, timing gates, scenery and hash, read
// in a fixed order from the track's directory and freed together. Only one
// track is loaded at a time.
//
// Steps that belong to drawing (textures, ground renderer set-up, loading
// screen, billboards, flaggers, lighting, decals) go through `track_hooks`,
// a table of function pointers that do nothing while unset, so a track
// loads headless in the server, the simulator and the tests.

#include <string>
#include <string_view>
#include <vector>

#include "base/ripemd160.h"
#include "data/listings.h"
#include "track/scenery.h"
#include "track/terrain.h"
#include "track/timing_gates.h"

// Lifetime: from one `load_track` to the next `unload_track`.
struct Track {
  std::string name;   // directory name; empty while no track is loaded
  std::string title;  // display name from the track list, else the name
  std::string dir;    // directory the files were read from
  Terrain terrain;
  TimingGates gates;
  // Start gate objects first (one per start position), then the statues
  // of the "statues" file.
  std::vector<Statue> statues;
  int first_file_statue = 0;  // index of the first statue read from "statues"
  SceneryGrid scenery_grid;
  unsigned map_texture = 0;  // "map.png", 0 while headless
  Ripemd160Digest hash{};    // RIPEMD-160 over the defining files
};

extern Track game_track;

// The installed tracks (directory name and display name) that titles come
// from. The program's start-up stores its list_tracks() result here.
extern std::vector<TrackListing> track_list;

// Display name for a track directory: the track list's, else the name.
std::string track_title(std::string_view name);

// Rendering and editor steps of the track load. Every slot may be null;
// a null slot does nothing (and `load_texture` gives 0).
struct TrackHooks {
  unsigned (*load_texture)(const char* name) = nullptr;
  unsigned long (*texture_memory)() = nullptr;  // bytes in use, for the log lines
  // A new texture generation starts before the load (memory count back to
  // 0); textures of older generations are purged after it.
  void (*new_texture_generation)() = nullptr;
  void (*purge_textures)() = nullptr;
  void (*show_loading)() = nullptr;  // "Loading track..." when a window is up
  // Ground load steps 5, 7 and 8. A false from `ground_low_detail` fails the load.
  bool (*ground_low_detail)(Terrain& terrain) = nullptr;
  void (*ground_detail)(Terrain& terrain) = nullptr;
  void (*load_decals)(Terrain& terrain, const char* dir) = nullptr;
  bool (*save_decals)(const char* track_name) = nullptr;
  void (*load_flaggers)(Track& track, const char* dir) = nullptr;
  void (*load_billboards)(Track& track, const char* dir) = nullptr;
  void (*statue_added)(Statue& statue) = nullptr;  // model and textures
  void (*load_lighting)(Track& track, const char* dir) = nullptr;
  void (*timing_loaded)(const TimingGates& gates) = nullptr;  // line store tables
  void (*editor_start)(Track& track) = nullptr;
  void (*editor_end)(Track& track) = nullptr;
  void (*scenery_unloaded)(Track& track) = nullptr;  // free billboards, flaggers, decals
  void (*roost_spawned)(int slot) = nullptr;  // a particle took slot `slot` of roost_particles
};
extern TrackHooks track_hooks;

// `load_texture` through the hook; 0 without one (no GL context).
unsigned track_load_texture(std::string_view name);

// Loads track `name` from directory `dir` into `track` (unloading what it
// held). On failure the name and title are cleared and nothing of the
// track stays loaded; the messages are already posted.
bool load_track(Track& track, std::string_view name, std::string_view dir);

// Loads track `name` from "@" + name into `game_track`.
bool load_track(std::string_view name);

// Frees everything the load made; the record is left empty.
void unload_track(Track& track);
void unload_track();
