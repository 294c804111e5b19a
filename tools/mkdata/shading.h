#pragma once
// Baked light: a light map from the terrain normals and the sun, and the
// shadows the sun casts across the terrain.

#include <cstdint>
#include <vector>

#include "terrain.h"
#include "track_desc.h"

namespace mkdata {

struct Shading {
  // RGB per sample at half intensity (128 = full light), the form the game
  // keeps in memory and shadingx2.ppm stores.
  std::vector<std::uint8_t> rgb;
  // Shadow per sample, 0 = in full sun, larger = darker, as the game keeps
  // it; shadows.pgm stores 255 minus this (white = no shadow).
  std::vector<std::uint8_t> shadow;
};

Shading bake_shading(const TrackDesc& desc, const Terrain& terrain);

// The image files. shading.ppm holds every byte doubled (limited to 255),
// shadingx2.ppm the bytes as they are; both binary P6 of size x size.
std::string shading_ppm(const Terrain& terrain, const Shading& shading, bool doubled);
std::string shadows_pgm(const Terrain& terrain, const Shading& shading);

}  // namespace mkdata
