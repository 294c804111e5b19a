#pragma once
// Name lists built from the merged file index (data/data_dirs.h): tracks,
// demos, graphics variants and screenshot numbers. Each walks the merged
// name list in its sorted order.

#include <string>
#include <vector>

struct TrackListing {
  std::string name;     // folder name, for example "venloop"
  std::string display;  // first line of the track's desc, else the name
};

// Every folder holding "terrain.hf" or "terrain.hf.gz", sorted by display
// name ignoring letter case.
std::vector<TrackListing> list_tracks();

struct DemoListing {
  std::string name;     // index name, for example "demos/race1.qzdemo"
  std::string display;  // base name without extension, for example "race1"
};

// Every "demos/...qzdemo" file, in name order.
std::vector<DemoListing> list_demos();

struct GraphicsVariant {
  std::string file;     // "@" + index name; empty for "default"
  std::string display;  // base name without the prefix and ".png"
};

// The variants for a texture prefix such as "rider_body-": first "default"
// (no file), then every ".png" (not "_norm.png" or "_spec.png") whose base
// name starts with the prefix.
std::vector<GraphicsVariant> list_graphics_variants(const char* prefix);

// Number for the next screenshot of this run: on the first call, one more
// than the highest number in any name "screenshot<digits>..." of the
// index (0 when there is none); each later call counts on by one.
int next_screenshot_number();
