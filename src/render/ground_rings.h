#pragma once
// The clip rings of the ground pictures, without GL: for ring k = 0..5 a
// 4 x 4 window of nodes of level M - k (2^(k+1) cells each) around the
// eye's cell, which tile shows which node, and which tile to draw next.
//
// Tiles are addressed toroidally (slot = node & 3 in each direction), so
// when the window moves a tile keeps its picture as long as its node stays
// inside; only the nodes that entered need drawing.
//
// Lifetime: with the ground renderer's track state.

#include <array>
#include <optional>

inline constexpr int kGroundRings = 6;
inline constexpr int kRingSide = 4;  // tiles per side of a ring

struct RingTile {
  int node_x = -1, node_y = -1;  // the node it shows, -1 before the first
  bool ready = false;            // its picture shows that node
  int stamp = 0;                 // > 0: touched by an edit, redraw when nothing waits
};

struct ClipRing {
  std::array<RingTile, kRingSide * kRingSide> tiles;  // slot (y & 3) * 4 + (x & 3)
  int x0 = 0, x1 = 0, y0 = 0, y1 = 0;                 // node window [x0, x1) x [y0, y1)
};

struct ClipRings {
  int levels = 0;                 // M of the field
  int first_ring = kGroundRings;  // k0; rings k0..last_ring are used
  std::array<ClipRing, kGroundRings> rings;
  int stamp_counter = 0;
};

// Rings k0..min(5, M), none when k0 > 5.
int last_clip_ring(const ClipRings& rings);

// Slot index of node (x, y) in its ring.
inline int ring_slot(int x, int y) { return (y & 3) * kRingSide + (x & 3); }

// Recomputes every ring's window for the eye's cell (cx, cz) and marks the
// tiles of nodes that entered as not ready.
void move_clip_rings(ClipRings& rings, int cx, int cz);

// The tile to draw this frame: the first not ready, scanning rings from
// the coarsest, rows then columns; else the one with the smallest positive
// stamp; nothing when all are ready and untouched.
struct RingTileRef {
  int ring = 0, slot = 0;
};
std::optional<RingTileRef> next_clip_tile(const ClipRings& rings);

// Records that the tile's picture now shows its node.
void clip_tile_drawn(ClipRings& rings, RingTileRef tile);

// The finest ready tile whose node holds node (x, y) of level `level`, or
// nothing. Rings finer than the node's own size cannot hold it.
std::optional<RingTileRef> clip_tile_for_node(const ClipRings& rings, int level, int x, int y);

// Stamps the ready tiles over cells [i0, i1) x [j0, j1) for redrawing.
void stamp_clip_tiles(ClipRings& rings, int i0, int j0, int i1, int j1);
