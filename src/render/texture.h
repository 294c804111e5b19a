#pragma once
// GL textures: creation from mip chains, the texture cache by file name
// with load generations, and animated textures from sequence files.
//
// Everything here needs a current GL context and runs on the thread that
// owns it (the main loop). Texture ids are GL texture names; 0 means "no
// texture" and is never cached.
//
// Lifetime: the cache and the animation list live for the whole run.
// Entries made while `texture_generation` is 0 (fonts, HUD pictures,
// everything before the first track) are permanent. A track load starts a
// new generation, re-stamps every texture it asks for, and then purges
// the entries of older generations (purge_textures).

#include <cstdint>
#include <string>
#include <vector>

#include "render/image/image.h"

// Generation of the textures being loaded now; 0 until the first track.
extern int texture_generation;
// Bytes (width x height x channels over the uploaded levels) of the
// textures the current generation uses; logged by the track loader.
extern std::uint32_t texture_bytes;
// Top mip levels load_texture may drop from large textures, 0..10 (the
// renderer's model texture levels dropped).
extern int texture_detail;

struct TextureEntry {
  unsigned id = 0;          // GL texture name, never 0
  int generation = 0;       // 0: permanent; else the generation that last asked for it
  std::uint32_t bytes = 0;  // texture memory charged to it
  std::string name;         // the requested name without a leading '!'
};

// The cache in creation order (for the console and tests).
const std::vector<TextureEntry>& texture_cache();

// The texture for an image or animation file, 0 on failure (a missing file
// is not cached, so the next request tries again). A leading '!' asks for
// full resolution and is not part of the cached name. Names containing
// "-hrepeat." repeat horizontally, "-vrepeat." vertically, "-repeat." both
// ways; otherwise the texture clamps. Files: "J6"/"J7" predictive images,
// "P3"/"P6" PPM, "ANIM1" sequences, else PNG. A name that matches a cached
// one only ignoring case gives the cached texture and posts "Warning: case
// mismatch on '<name>'"; sides that are not powers of two are resampled
// and post "Warning: Non power of 2 texture '<name>'".
unsigned load_texture(const char* name);

// The cached name of texture `id`, or null.
const char* texture_name(unsigned id);

// Creates a texture from a full mip chain (3 or 4 channels) and charges
// its bytes to texture_bytes. Clamped directions get clamp-to-edge and,
// for RGB, the border colour of the edges; filtering is linear with the
// nearest mip level.
unsigned upload_texture(const std::uint8_t* chain, int width, int height, int channels,
                        bool repeat_s, bool repeat_t);

// As upload_texture for an image of any size: sides that are not powers
// of two are resampled (with a new plain chain), then up to `drop` top
// levels are skipped while both sides exceed 128.
unsigned upload_texture_pow2(const Image& image, bool repeat_s, bool repeat_t, int drop);

// Once per drawn frame with the simulation tick: animations that are not
// paused show the frame of their current step.
void animate_textures(int tick);
// Un-pauses the animation of texture `id` and restarts it at `tick`.
void start_texture_anim(unsigned id, int tick);
// Pauses it on its current frame. Both ignore ids without an animation.
void stop_texture_anim(unsigned id);

// The track load's bracket: a new generation with texture_bytes back to 0
// before anything is loaded, and the purge of every older (non-permanent)
// texture and its animation afterwards.
void new_texture_generation();
void purge_textures();

// Deletes every texture and animation, permanent ones too (shutdown, with
// the GL context still current).
void free_all_textures();
