#pragma once
// The terrain record: height field, surface types and tile map, loaded
// together by the ground load and freed together at unload. The ground
// renderer keeps its derived data (level-of-detail trees, textures) on its
// own side.

#include <string_view>
#include <vector>

#include "track/height_field.h"
#include "track/surfaces.h"

struct Terrain {
  HeightField field;
  std::vector<SurfaceType> surfaces;  // 1..256 once loaded
  TileMap tile_map;
};

// Surface type under world (x, z); the field's border tiles outside it.
// Never out of range once the terrain is loaded.
const SurfaceType& terrain_surface_at(const Terrain& terrain, double x, double z);

// The ground load from track directory `dir`: height field and shading,
// surfaces, tile map, the renderer's low-detail textures (hook), the
// shadow map, the renderer's detail set-up (hook) and the decals (hook).
// On failure the record is cleared and the messages are posted.
bool load_terrain(Terrain& terrain, std::string_view dir);

// Frees every array; the state of "no terrain".
void clear_terrain(Terrain& terrain);

// The editor's terrain save into "@" + track_name: terrain.hf,
// terrain.png, shading.ppm, shadingx2.ppm, tilemap and the decals (hook).
// Stops at the first file that cannot be created.
bool save_terrain(const Terrain& terrain, std::string_view track_name);
