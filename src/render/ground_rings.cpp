#include "render/ground_rings.h"

#include <algorithm>

namespace {

// One axis of ring k's window: 4 nodes around the eye's cell, cut to the
// field's `count` nodes.
void ring_axis(int k, int cell, int count, int* lo, int* hi) {
  *lo = std::clamp(((cell - (1 << k)) >> (k + 1)) - 1, 0, std::max(0, count - kRingSide));
  *hi = std::min(*lo + kRingSide, count);
}

}  // namespace

int last_clip_ring(const ClipRings& rings) { return std::min(kGroundRings - 1, rings.levels); }

void move_clip_rings(ClipRings& rings, int cx, int cz) {
  for (int k = last_clip_ring(rings); k >= rings.first_ring; --k) {
    ClipRing& ring = rings.rings[static_cast<std::size_t>(k)];
    const int count = 1 << (rings.levels - k);
    ring_axis(k, cx, count, &ring.x0, &ring.x1);
    ring_axis(k, cz, count, &ring.y0, &ring.y1);
    for (int y = ring.y0; y < ring.y1; ++y)
      for (int x = ring.x0; x < ring.x1; ++x) {
        RingTile& tile = ring.tiles[static_cast<std::size_t>(ring_slot(x, y))];
        if (tile.node_x == x && tile.node_y == y) continue;
        tile = {x, y, false, 0};
      }
  }
}

std::optional<RingTileRef> next_clip_tile(const ClipRings& rings) {
  std::optional<RingTileRef> stalest;
  int stalest_stamp = 0;
  for (int k = last_clip_ring(rings); k >= rings.first_ring; --k) {
    const ClipRing& ring = rings.rings[static_cast<std::size_t>(k)];
    for (int y = ring.y0; y < ring.y1; ++y)
      for (int x = ring.x0; x < ring.x1; ++x) {
        const int slot = ring_slot(x, y);
        const RingTile& tile = ring.tiles[static_cast<std::size_t>(slot)];
        if (!tile.ready) return RingTileRef{k, slot};
        if (tile.stamp > 0 && (!stalest || tile.stamp < stalest_stamp)) {
          stalest = RingTileRef{k, slot};
          stalest_stamp = tile.stamp;
        }
      }
  }
  return stalest;
}

void clip_tile_drawn(ClipRings& rings, RingTileRef ref) {
  RingTile& tile =
      rings.rings[static_cast<std::size_t>(ref.ring)].tiles[static_cast<std::size_t>(ref.slot)];
  tile.ready = true;
  tile.stamp = 0;
}

std::optional<RingTileRef> clip_tile_for_node(const ClipRings& rings, int level, int x, int y) {
  const int m = rings.levels;
  for (int k = std::max(rings.first_ring, m - level); k <= last_clip_ring(rings); ++k) {
    const int shift = level - (m - k);
    const int ax = x >> shift, ay = y >> shift;
    const ClipRing& ring = rings.rings[static_cast<std::size_t>(k)];
    if (ax < ring.x0 || ax >= ring.x1 || ay < ring.y0 || ay >= ring.y1) continue;
    const int slot = ring_slot(ax, ay);
    const RingTile& tile = ring.tiles[static_cast<std::size_t>(slot)];
    if (tile.ready && tile.node_x == ax && tile.node_y == ay) return RingTileRef{k, slot};
  }
  return std::nullopt;
}

void stamp_clip_tiles(ClipRings& rings, int i0, int j0, int i1, int j1) {
  for (int k = rings.first_ring; k <= last_clip_ring(rings); ++k) {
    const int cells = 2 << k;
    for (RingTile& tile : rings.rings[static_cast<std::size_t>(k)].tiles) {
      if (tile.node_x < 0) continue;
      const int a = tile.node_x * cells, b = tile.node_y * cells;
      if (a < i1 && a + cells > i0 && b < j1 && b + cells > j0) tile.stamp = ++rings.stamp_counter;
    }
  }
}
