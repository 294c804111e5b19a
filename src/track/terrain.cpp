#include "track/terrain.h"

#include <algorithm>

#include "platform/log.h"
#include "platform/messages.h"
#include "track/track.h"

static void log_texture_memory(const char* format) {
  if (debug_level > 0)
    korb_log(format, track_hooks.texture_memory ? track_hooks.texture_memory() : 0ul);
}

const SurfaceType& terrain_surface_at(const Terrain& terrain, double x, double z) {
  static const SurfaceType fallback = default_surface();
  if (terrain.surfaces.empty()) return fallback;
  // Tile bytes are clamped on load; the min keeps a hand-built map safe too.
  std::size_t index = static_cast<std::size_t>(surface_at(terrain.tile_map, x, z));
  return terrain.surfaces[std::min(index, terrain.surfaces.size() - 1)];
}

void clear_terrain(Terrain& terrain) { terrain = Terrain{}; }

bool load_terrain(Terrain& terrain, std::string_view dir) {
  clear_terrain(terrain);
  HeightField& field = terrain.field;
  bool ok = load_height_field(field, dir);
  if (ok) {
    log_texture_memory("%lu bytes texture memory used before ground tiles loaded\n");
    ok = load_surfaces(terrain.surfaces, dir);
  }
  if (ok) {
    log_texture_memory("%lu bytes texture memory used after ground tiles loaded\n");
    ok = load_tile_map(terrain.tile_map, dir, field.shift, field.tile_size,
                       static_cast<int>(terrain.surfaces.size()));
  }
  if (ok && track_hooks.ground_low_detail && !track_hooks.ground_low_detail(terrain)) {
    post_message("Error creating low LOD textures");
    ok = false;
  }
  if (ok) ok = load_shadow_map(field, dir);
  if (!ok) {
    clear_terrain(terrain);
    return false;
  }
  if (track_hooks.ground_detail) track_hooks.ground_detail(terrain);
  if (track_hooks.load_decals) track_hooks.load_decals(terrain, std::string(dir).c_str());
  return true;
}

bool save_terrain(const Terrain& terrain, std::string_view track_name) {
  if (!save_height_field(terrain.field, track_name)) return false;
  if (!save_tile_map(terrain.tile_map, track_name)) return false;
  if (track_hooks.save_decals) return track_hooks.save_decals(std::string(track_name).c_str());
  return true;
}
