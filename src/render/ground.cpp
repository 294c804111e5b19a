#include "render/ground.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <vector>

#include "platform/log.h"
#include "render/gl_features.h"
#include "render/ground_lod.h"
#include "render/ground_rings.h"
#include "render/image/image.h"
#include "render/texture.h"

GroundSettings ground_settings;
GroundStats ground_stats;

namespace {

constexpr int kLowDetailCells = 128;  // cells per side of a low-detail picture
constexpr int kShadingCells = 448;    // cells per side of a shading block
constexpr int kShadingMargin = 32;    // neighbouring cells kept on every side

struct ShadingBlock {
  unsigned texture = 0;
  int origin_x = 0, origin_y = 0;  // vertex index of texel (0, 0)
  int size = 0;                    // texels per side
};

// Track lifetime: built by ground_create / ground_prepare_detail, cleared by
// ground_free.
struct GroundState {
  const Terrain* terrain = nullptr;
  int cells = 0;         // G - 1
  int picture = 128;     // T
  bool mipmaps = false;  // pictures regenerate their mip levels
  int block_cells = 0;   // cells per side of a low-detail picture
  int blocks = 0;        // low-detail pictures per side
  std::vector<unsigned> low_detail;
  std::vector<bool> low_detail_dirty;
  int shading_blocks = 0;  // per side
  std::vector<ShadingBlock> shading;
  ClipRings rings;
  // Picture of each ring tile, parallel to rings.rings[k].tiles.
  std::array<std::array<unsigned, kRingSide * kRingSide>, kGroundRings> ring_textures{};
  GroundLod lod;
  GroundFans fans;
  std::vector<float> positions, texcoords;  // per frame, parallel to fans.vertices
};

GroundState ground;

void delete_texture(unsigned& id) {
  if (id) glDeleteTextures(1, &id);
  id = 0;
}

// A T x T picture texture from a level-0 image, with its chain.
unsigned picture_texture(std::vector<std::uint8_t> level0, int size) {
  level0.resize(mip_chain_bytes(size, size, 3));
  build_mip_chain(level0.data(), size, size, 3, MipMode::Plain);
  unsigned id = upload_texture(level0.data(), size, size, 3, false, false);
  glBindTexture(GL_TEXTURE_2D, id);
  if (ground.mipmaps) {
    glTexParameteri(GL_TEXTURE_2D, GL_GENERATE_MIPMAP_SGIS, GL_TRUE);
  } else {
    // The copied level 0 would not match the stale smaller levels.
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  }
  glBindTexture(GL_TEXTURE_2D, 0);
  return id;
}

// Ring k's placeholder: squares of 64 >> k texels, black and a grey that
// darkens with k, so missing detail shows as a pattern of its ring.
unsigned ring_placeholder(int k, int size) {
  std::vector<std::uint8_t> pixels(static_cast<std::size_t>(size) * size * 3);
  const int square = std::max(1, 64 >> k);
  const std::uint8_t grey = static_cast<std::uint8_t>(255 * (6 - k) / 6);
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x) {
      bool light = ((x / square) & 1) != ((y / square) & 1);
      std::memset(&pixels[(static_cast<std::size_t>(y) * size + x) * 3], light ? grey : 0, 3);
    }
  return picture_texture(std::move(pixels), size);
}

// Shading block textures: one texel per grid vertex, clamped at the edges.
void make_shading_blocks() {
  const HeightField& field = ground.terrain->field;
  ground.shading_blocks = (ground.cells + kShadingCells - 1) / kShadingCells;
  for (int by = 0; by < ground.shading_blocks; ++by)
    for (int bx = 0; bx < ground.shading_blocks; ++bx) {
      ShadingBlock block;
      block.origin_x = bx * kShadingCells - kShadingMargin;
      block.origin_y = by * kShadingCells - kShadingMargin;
      const int remaining =
          std::min(kShadingCells, ground.cells - std::min(bx, by) * kShadingCells);
      block.size = 1;
      while (block.size < remaining + 2 * kShadingMargin && block.size < 512) block.size *= 2;
      std::vector<std::uint8_t> pixels(mip_chain_bytes(block.size, block.size, 3));
      for (int v = 0; v < block.size; ++v)
        for (int u = 0; u < block.size; ++u) {
          int i = std::clamp(block.origin_x + u, 0, field.size - 1);
          int j = std::clamp(block.origin_y + v, 0, field.size - 1);
          std::size_t from = (static_cast<std::size_t>(j) * field.size + i) * 3;
          std::size_t to = (static_cast<std::size_t>(v) * block.size + u) * 3;
          if (from + 3 <= field.shading.size())
            std::memcpy(&pixels[to], &field.shading[from], 3);
          else
            std::memset(&pixels[to], 128, 3);  // no shading map: neutral light
        }
      build_mip_chain(pixels.data(), block.size, block.size, 3, MipMode::Plain);
      block.texture = upload_texture(pixels.data(), block.size, block.size, 3, false, false);
      ground.shading.push_back(block);
    }
}

// The colour a surface without a ground texture is drawn in: the colour
// of the dirt it throws, else a neutral grey.
std::array<std::uint8_t, 3> surface_colour(const SurfaceType& surface) {
  for (const RoostType& roost : surface.roost)
    if (roost.kind != kRoostUnused) return {roost.colour[0], roost.colour[1], roost.colour[2]};
  return {128, 128, 128};
}

void quad(std::vector<float>& xy, std::vector<float>& uv, float x0, float y0, float x1, float y1,
          float u0, float v0, float u1, float v1) {
  xy.insert(xy.end(), {x0, y0, x1, y0, x1, y1, x0, y1});
  uv.insert(uv.end(), {u0, v0, u1, v0, u1, v1, u0, v1});
}

void draw_quads(const std::vector<float>& xy, const std::vector<float>& uv) {
  if (xy.empty()) return;
  glVertexPointer(2, GL_FLOAT, 0, xy.data());
  glTexCoordPointer(2, GL_FLOAT, 0, uv.data());
  glDrawArrays(GL_QUADS, 0, static_cast<GLsizei>(xy.size() / 2));
  ground_stats.picture_quads += static_cast<int>(xy.size() / 8);
}

// Draws cells [i0, i0 + n) x [j0, j0 + n) into the lower-left T x T of the
// back buffer (x to the right, z upwards) and copies it into `texture`.
void draw_picture(unsigned texture, int i0, int j0, int n) {
  const Terrain& terrain = *ground.terrain;
  const int t = ground.picture;
  glPushAttrib(GL_ALL_ATTRIB_BITS);
  glDisable(GL_DEPTH_TEST);
  glDepthMask(GL_FALSE);
  glDisable(GL_CULL_FACE);
  glDisable(GL_LIGHTING);
  glDisable(GL_FOG);
  glDisable(GL_ALPHA_TEST);
  glViewport(0, 0, t, t);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(i0, i0 + n, j0, j0 + n, -1, 1);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glEnableClientState(GL_VERTEX_ARRAY);
  glEnableClientState(GL_TEXTURE_COORD_ARRAY);

  // Surface layer: each 2 x 2-cell tile in its surface's texture, or its
  // colour where the surface has none. Quads are grouped by surface.
  const TileMap& map = terrain.tile_map;
  const int surfaces = static_cast<int>(terrain.surfaces.size());
  std::vector<std::vector<float>> xy(static_cast<std::size_t>(surfaces)), uv(xy.size());
  const int tiles0 = std::max(0, i0 / 2), tiles1 = std::min(map.n, (i0 + n + 1) / 2);
  const int rows0 = std::max(0, j0 / 2), rows1 = std::min(map.n, (j0 + n + 1) / 2);
  for (int tz = rows0; tz < rows1; ++tz)
    for (int tx = tiles0; tx < tiles1; ++tx) {
      int s = map.tiles[static_cast<std::size_t>(tz) * map.n + tx];
      s = std::min(s, surfaces - 1);
      quad(xy[static_cast<std::size_t>(s)], uv[static_cast<std::size_t>(s)],
           static_cast<float>(2 * tx), static_cast<float>(2 * tz), static_cast<float>(2 * tx + 2),
           static_cast<float>(2 * tz + 2), 0, 0, 1, 1);
    }
  glDisable(GL_BLEND);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_DECAL);
  for (int s = 0; s < surfaces; ++s) {
    const SurfaceType& surface = terrain.surfaces[static_cast<std::size_t>(s)];
    if (surface.texture) {
      glEnable(GL_TEXTURE_2D);
      glBindTexture(GL_TEXTURE_2D, surface.texture);
      glColor3f(1, 1, 1);
    } else {
      glDisable(GL_TEXTURE_2D);
      auto c = surface_colour(surface);
      glColor3ub(c[0], c[1], c[2]);
    }
    draw_quads(xy[static_cast<std::size_t>(s)], uv[static_cast<std::size_t>(s)]);
  }

  // Shading layer: twice the product of picture and light, so 128 in the
  // light map leaves the picture as it is.
  glEnable(GL_TEXTURE_2D);
  glEnable(GL_BLEND);
  glBlendFunc(GL_DST_COLOR, GL_SRC_COLOR);
  glColor3f(1, 1, 1);
  for (int by = 0; by < ground.shading_blocks; ++by)
    for (int bx = 0; bx < ground.shading_blocks; ++bx) {
      const int a0 = std::max(i0, bx * kShadingCells), b0 = std::max(j0, by * kShadingCells);
      const int a1 = std::min(i0 + n, (bx + 1) * kShadingCells);
      const int b1 = std::min(j0 + n, (by + 1) * kShadingCells);
      if (a0 >= a1 || b0 >= b1) continue;
      const ShadingBlock& block =
          ground.shading[static_cast<std::size_t>(by * ground.shading_blocks + bx)];
      auto u = [&](int i) { return (i - block.origin_x + 0.5f) / block.size; };
      auto v = [&](int j) { return (j - block.origin_y + 0.5f) / block.size; };
      std::vector<float> sxy, suv;
      quad(sxy, suv, static_cast<float>(a0), static_cast<float>(b0), static_cast<float>(a1),
           static_cast<float>(b1), u(a0), v(b0), u(a1), v(b1));
      glBindTexture(GL_TEXTURE_2D, block.texture);
      draw_quads(sxy, suv);
    }

  glBindTexture(GL_TEXTURE_2D, texture);
  glCopyTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 0, 0, t, t);
  glBindTexture(GL_TEXTURE_2D, 0);
  glDisableClientState(GL_VERTEX_ARRAY);
  glDisableClientState(GL_TEXTURE_COORD_ARRAY);
  glPopAttrib();
}

void draw_ring_tile(RingTileRef ref) {
  const RingTile& tile = ground.rings.rings[static_cast<std::size_t>(ref.ring)]
                             .tiles[static_cast<std::size_t>(ref.slot)];
  const int cells = 2 << ref.ring;
  draw_picture(
      ground.ring_textures[static_cast<std::size_t>(ref.ring)][static_cast<std::size_t>(ref.slot)],
      tile.node_x * cells, tile.node_y * cells, cells);
  clip_tile_drawn(ground.rings, ref);
}

// The picture for a node of level L: the finest ready ring tile holding it,
// else its low-detail picture. Sets the cell origin and span of the picture.
unsigned node_picture(int level, int x, int y, int* origin_i, int* origin_j, int* span) {
  if (auto ref = clip_tile_for_node(ground.rings, level, x, y)) {
    const RingTile& tile = ground.rings.rings[static_cast<std::size_t>(ref->ring)]
                               .tiles[static_cast<std::size_t>(ref->slot)];
    *span = 2 << ref->ring;
    *origin_i = tile.node_x * *span;
    *origin_j = tile.node_y * *span;
    return ground
        .ring_textures[static_cast<std::size_t>(ref->ring)][static_cast<std::size_t>(ref->slot)];
  }
  const int half = ground.cells >> (level + 1);
  const int bx = std::min(ground.blocks - 1, (2 * x + 1) * half / ground.block_cells);
  const int by = std::min(ground.blocks - 1, (2 * y + 1) * half / ground.block_cells);
  *span = ground.block_cells;
  *origin_i = bx * ground.block_cells;
  *origin_j = by * ground.block_cells;
  return ground.low_detail[static_cast<std::size_t>(by * ground.blocks + bx)];
}

}  // namespace

bool ground_loaded() { return ground.terrain != nullptr; }

void ground_free() {
  for (unsigned& id : ground.low_detail) delete_texture(id);
  for (ShadingBlock& block : ground.shading) delete_texture(block.texture);
  for (auto& ring : ground.ring_textures)
    for (unsigned& id : ring) delete_texture(id);
  ground = GroundState{};
}

bool ground_create(Terrain& terrain) {
  ground_free();
  const HeightField& field = terrain.field;
  if (field.size < 3 || terrain.surfaces.empty() || terrain.tile_map.tiles.empty()) return false;
  ground.terrain = &terrain;
  ground.cells = field.size - 1;

  // Pictures are drawn in the back buffer: no larger than the window.
  GLint viewport[4] = {0, 0, 0, 0};
  glGetIntegerv(GL_VIEWPORT, viewport);
  int limit = std::min(256, std::min(viewport[2], viewport[3]));
  ground.picture = 32;
  while (ground.picture * 2 <= std::min(ground_settings.texture_size, limit)) ground.picture *= 2;
  ground.mipmaps = gl_features.generate_mipmap;

  ground.block_cells = std::min(kLowDetailCells, ground.cells);
  ground.blocks = ground.cells / ground.block_cells;
  if (debug_level >= 1)
    korb_log("%dx%d low detail textures needed for %dx%d field\n", ground.blocks, ground.blocks,
             field.size, field.size);
  const std::size_t count = static_cast<std::size_t>(ground.blocks) * ground.blocks;
  std::vector<std::uint8_t> black(static_cast<std::size_t>(ground.picture) * ground.picture * 3, 0);
  for (std::size_t i = 0; i < count; ++i)
    ground.low_detail.push_back(picture_texture(black, ground.picture));
  ground.low_detail_dirty.assign(count, true);
  make_shading_blocks();
  if (debug_level >= 1)
    korb_log("%lu bytes texture memory used after low detail ground textures\n",
             static_cast<unsigned long>(texture_bytes));
  return true;
}

void ground_prepare_detail(Terrain& terrain) {
  if (ground.terrain != &terrain) return;
  ground_lod_init(ground.lod, terrain.field, ground_settings.detail);
  ground.rings = ClipRings{};
  ground.rings.levels = ground.lod.levels;
  ground.rings.first_ring = std::clamp(ground_settings.finest_ring, 0, kGroundRings);
  for (int k = ground.rings.first_ring; k <= last_clip_ring(ground.rings); ++k)
    for (unsigned& id : ground.ring_textures[static_cast<std::size_t>(k)])
      id = ring_placeholder(k, ground.picture);
}

void ground_mark_dirty(int i0, int j0, int i1, int j1) {
  if (!ground.terrain) return;
  for (int by = 0; by < ground.blocks; ++by)
    for (int bx = 0; bx < ground.blocks; ++bx) {
      const int a = bx * ground.block_cells, b = by * ground.block_cells;
      if (a < i1 && a + ground.block_cells > i0 && b < j1 && b + ground.block_cells > j0)
        ground.low_detail_dirty[static_cast<std::size_t>(by * ground.blocks + bx)] = true;
    }
  stamp_clip_tiles(ground.rings, i0, j0, i1, j1);
}

void ground_update_textures(Vec3 eye) {
  if (!ground.terrain) return;
  for (std::size_t i = 0; i < ground.low_detail.size(); ++i) {
    if (!ground.low_detail_dirty[i]) continue;
    const int bx = static_cast<int>(i) % ground.blocks, by = static_cast<int>(i) / ground.blocks;
    draw_picture(ground.low_detail[i], bx * ground.block_cells, by * ground.block_cells,
                 ground.block_cells);
    ground.low_detail_dirty[i] = false;
  }

  const double s = ground.terrain->field.spacing;
  const int cx = static_cast<int>(std::floor(eye.x / s)),
            cz = static_cast<int>(std::floor(eye.z / s));
  move_clip_rings(ground.rings, cx, cz);
  if (auto tile = next_clip_tile(ground.rings)) draw_ring_tile(*tile);
}

void ground_draw(Vec3 eye, Vec3 forward) {
  ground_stats = {};
  if (!ground.terrain) return;
  GroundLod& lod = ground.lod;
  ground_mark_nodes(lod, eye);
  ground_build_fans(lod, eye, forward, ground.fans);

  const HeightField& field = ground.terrain->field;
  const std::vector<std::int32_t>& v = ground.fans.vertices;
  const std::size_t vertices = v.size() / 2;
  ground.positions.resize(vertices * 3);
  ground.texcoords.resize(vertices * 2);
  for (std::size_t n = 0; n < vertices; ++n) {
    const int i = v[2 * n], j = v[2 * n + 1];
    ground.positions[3 * n] = static_cast<float>(i * field.spacing);
    ground.positions[3 * n + 1] = field.heights[static_cast<std::size_t>(j) * field.size + i];
    ground.positions[3 * n + 2] = static_cast<float>(j * field.spacing);
  }

  glPushAttrib(GL_ENABLE_BIT | GL_TEXTURE_BIT | GL_COLOR_BUFFER_BIT);
  glDisable(GL_LIGHTING);
  glDisable(GL_BLEND);
  glEnable(GL_TEXTURE_2D);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_DECAL);
  const bool arrays = ground_settings.vertex_arrays;
  if (arrays) {
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, ground.positions.data());
    glTexCoordPointer(2, GL_FLOAT, 0, ground.texcoords.data());
  }
  unsigned bound = 0;
  for (const GroundFan& fan : ground.fans.fans) {
    int oi = 0, oj = 0, span = 1;
    unsigned texture = node_picture(fan.level, fan.x, fan.y, &oi, &oj, &span);
    for (int n = fan.first; n < fan.first + fan.count; ++n) {
      ground.texcoords[2 * n] = static_cast<float>(v[2 * n] - oi) / span;
      ground.texcoords[2 * n + 1] = static_cast<float>(v[2 * n + 1] - oj) / span;
    }
    if (texture != bound) {
      glBindTexture(GL_TEXTURE_2D, texture);
      bound = texture;
    }
    if (arrays) {
      glDrawArrays(GL_TRIANGLE_FAN, fan.first, fan.count);
    } else {
      glBegin(GL_TRIANGLE_FAN);
      for (int n = fan.first; n < fan.first + fan.count; ++n) {
        glTexCoord2fv(&ground.texcoords[2 * n]);
        glVertex3fv(&ground.positions[3 * n]);
      }
      glEnd();
    }
    ground_stats.triangles += fan.count - 2;
  }
  if (arrays) {
    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
  }
  glBindTexture(GL_TEXTURE_2D, 0);
  glPopAttrib();
}
