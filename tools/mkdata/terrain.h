#pragma once
// The track's height field: the field's ground with the track laid into it
// along the centreline (its profile, berms across the turns, low banks
// beside the edges and shoulders blending back into the field).

#include <cstdint>
#include <vector>

#include "centreline.h"
#include "profile.h"
#include "track_desc.h"

namespace mkdata {

struct Terrain {
  int shift = 0;
  int size = 0;                           // samples per side, 2^(shift+1)+1
  double spacing = 1;                     // feet between samples
  double min_height = 0, max_height = 0;  // as written to terrain.hf
  // Heights as the game reads them back: min + v * (max - min) / 65535
  // of the stored 16-bit values, index i + size * j.
  std::vector<float> heights;
  std::vector<std::uint16_t> raw;  // the stored 16-bit values
  // For each sample near the track: the nearest centreline sample and the
  // lateral offset from it (positive to the rider's right); -1 elsewhere.
  std::vector<int> nearest;
  std::vector<float> offset;

  float at(int i, int j) const;                // clamped sample, like the game's `sample`
  double height_at(double x, double z) const;  // the game's triangulated height
  double extent() const { return spacing * (size - 1); }
};

// Height of the riding surface at centreline sample i, offset u across the
// track (|u| <= half the width): the profile plus the berm of a banked turn.
double surface_height(const Centreline& line, const TrackProfile& profile, int i, double u);

Terrain build_terrain(const TrackDesc& desc, const Centreline& line, const TrackProfile& profile);

}  // namespace mkdata
