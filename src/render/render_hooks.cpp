#include "render/render_hooks.h"

#include "render/ground.h"
#include "render/texture.h"
#include "track/track.h"

void install_render_hooks() {
  track_hooks.load_texture = load_texture;
  track_hooks.texture_memory = [] { return static_cast<unsigned long>(texture_bytes); };
  track_hooks.new_texture_generation = new_texture_generation;
  track_hooks.purge_textures = purge_textures;
  track_hooks.ground_low_detail = ground_create;
  track_hooks.ground_detail = ground_prepare_detail;
  track_hooks.scenery_unloaded = [](Track&) { ground_free(); };
}

void remove_render_hooks() {
  track_hooks.load_texture = nullptr;
  track_hooks.texture_memory = nullptr;
  track_hooks.new_texture_generation = nullptr;
  track_hooks.purge_textures = nullptr;
  track_hooks.ground_low_detail = nullptr;
  track_hooks.ground_detail = nullptr;
  track_hooks.scenery_unloaded = nullptr;
}
