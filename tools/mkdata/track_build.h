#pragma once
// Building one track folder from its description: centreline, profile,
// terrain, shading, surfaces, gates, map, robot lines and desc.

#include <string>
#include <utility>
#include <vector>

#include "centreline.h"
#include "gates.h"
#include "profile.h"
#include "shading.h"
#include "terrain.h"
#include "track_desc.h"

namespace mkdata {

// Figures for the README's track table.
struct TrackStats {
  double lap_feet = 0;
  int jumps = 0;  // jump features (a rhythm row counts once)
  int turns = 0;  // direction changes of more than 40 degrees
  int berms = 0;  // turns with a banked outside
  int gates = 0;  // checkpoints
  int whoops = 0, rhythm = 0;
};

struct BuiltTrack {
  TrackDesc desc;
  Centreline line;
  TrackProfile profile;
  Terrain terrain;
  Shading shading;
  std::vector<Surface> surfaces;
  Gates gates;
  TrackStats stats;
  // The folder's files, name and bytes, in the order they are written.
  std::vector<std::pair<std::string, std::string>> files;
};

BuiltTrack build_track(const TrackDesc& desc);

// Every track of the data set, in the order they are generated.
std::vector<TrackDesc> all_tracks();

}  // namespace mkdata
