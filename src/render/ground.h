#pragma once
// The ground renderer: draws the loaded track's height field every frame
// with the level of detail of render/ground_lod.h, textured with ground
// pictures drawn on the fly from the surface tiles and the baked shading.
//
// Pictures: one low-detail texture per block of 128 x 128 cells (the
// whole field when smaller) and, near the eye, rings k = 0..5 of 4 x 4
// clip tiles, a ring-k tile covering one node of level M - k (2^(k+1)
// cells). Every picture is T x T texels (the ground texture size). They
// are drawn into the back buffer before the frame is cleared and copied
// into their textures. At most one clip tile is redrawn per frame, coarse
// rings first.
//
// Lifetime: built by the track load through the track hooks (low-detail
// textures, then the detail set-up), freed when the track's scenery is
// unloaded. Everything needs the GL context of the game window; without
// the hooks installed nothing here runs.

#include "base/vec3.h"
#include "track/terrain.h"

// The ground's working values, set from the renderer settings at start-up
// (before the first track) and read at each track load.
struct GroundSettings {
  float detail = 0.0025f;  // d: geometric error per foot of distance
  int finest_ring = 1;     // k0: rings k0..5 are used; above 5 none
  int texture_size = 128;  // T, texels; limited to 256 and to the window
  bool mipmaps = true;     // ground mipmaps (when the GL can make them)
  bool vertex_arrays = true;
};
extern GroundSettings ground_settings;

// Render statistics of the ground for the latest frame.
struct GroundStats {
  int triangles = 0;      // fan triangles drawn
  int picture_quads = 0;  // quads drawn into ground pictures
};
extern GroundStats ground_stats;

// Track-load steps (installed as track hooks by install_render_hooks):
// the low-detail and shading textures (all dirty, black until drawn), then
// the level-of-detail distances and the clip-ring placeholders.
bool ground_create(Terrain& terrain);
void ground_prepare_detail(Terrain& terrain);
// Deletes every texture of the ground; nothing is drawn until the next load.
void ground_free();

// True while a ground is loaded.
bool ground_loaded();

// Once per frame before drawing (the eye moved): redraws dirty low-detail
// pictures and at most one clip tile. Changes the viewport, projection and
// modelview; the caller sets them again afterwards.
void ground_update_textures(Vec3 eye);

// Draws the field from `eye` looking along `forward`, with the frame's
// projection and view already loaded. Unlit: the lighting is in the
// pictures.
void ground_draw(Vec3 eye, Vec3 forward);

// Marks the pictures over cells [i0, i1) x [j0, j1) for redrawing.
void ground_mark_dirty(int i0, int j0, int i1, int j1);
