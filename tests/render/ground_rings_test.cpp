// The clip rings without GL: windows around the eye, tiles kept across a
// move, the drawing order, and which tile shows a node.

#include "render/ground_rings.h"

#include <gtest/gtest.h>

#include <set>
#include <utility>

namespace {

// Draws every waiting tile (one per call, as one per frame).
int draw_all(ClipRings& rings) {
  int drawn = 0;
  while (auto tile = next_clip_tile(rings)) {
    clip_tile_drawn(rings, *tile);
    ++drawn;
  }
  return drawn;
}

ClipRings rings_for(int levels, int first_ring) {
  ClipRings rings;
  rings.levels = levels;
  rings.first_ring = first_ring;
  return rings;
}

TEST(ClipRings, EveryRingStartsWithSixteenTilesToDrawCoarsestFirst) {
  ClipRings rings = rings_for(9, 0);
  move_clip_rings(rings, 500, 500);
  auto first = next_clip_tile(rings);
  ASSERT_TRUE(first);
  EXPECT_EQ(first->ring, 5);
  EXPECT_EQ(draw_all(rings), 6 * 16);
  EXPECT_FALSE(next_clip_tile(rings));
}

TEST(ClipRings, MovingByOneRingZeroTileRedrawsOnlyTheTilesThatEntered) {
  ClipRings rings = rings_for(9, 0);
  move_clip_rings(rings, 446, 446);
  draw_all(rings);
  const ClipRing before = rings.rings[0];
  // Two cells on in x: one ring-0 node; here the coarser windows stay.
  move_clip_rings(rings, 448, 446);
  const ClipRing& after = rings.rings[0];
  EXPECT_EQ(after.x0, before.x0 + 1);
  EXPECT_EQ(draw_all(rings), 4);  // the new column of ring 0
  // The tiles that stayed in the window kept their nodes.
  for (int y = after.y0; y < after.y1; ++y)
    for (int x = after.x0; x < before.x1; ++x) {
      const RingTile& tile = after.tiles[static_cast<std::size_t>(ring_slot(x, y))];
      EXPECT_EQ(std::make_pair(tile.node_x, tile.node_y), std::make_pair(x, y));
    }
}

TEST(ClipRings, WindowsStayInsideTheField) {
  ClipRings rings = rings_for(6, 0);  // 64 nodes of level 6 per side
  move_clip_rings(rings, -50, 10000);
  for (int k = 0; k <= 5; ++k) {
    const ClipRing& ring = rings.rings[static_cast<std::size_t>(k)];
    const int count = 1 << (6 - k);
    EXPECT_GE(ring.x0, 0);
    EXPECT_LE(ring.y1, count);
    EXPECT_EQ(ring.x1 - ring.x0, std::min(4, count));
    EXPECT_EQ(ring.y1 - ring.y0, std::min(4, count));
  }
}

TEST(ClipRings, ANodeIsShownByTheFinestReadyTileThatHoldsIt) {
  ClipRings rings = rings_for(9, 1);
  move_clip_rings(rings, 500, 500);
  // Nothing drawn yet: no tile holds anything.
  EXPECT_FALSE(clip_tile_for_node(rings, 9, 250, 250));
  draw_all(rings);
  // A level-9 node (2 cells) under the eye: ring 1 is the finest in use.
  auto tile = clip_tile_for_node(rings, 9, 250, 250);
  ASSERT_TRUE(tile);
  EXPECT_EQ(tile->ring, 1);
  // A level-4 node (64 cells) can only be held by ring 5.
  tile = clip_tile_for_node(rings, 4, 500 / 64, 500 / 64);
  ASSERT_TRUE(tile);
  EXPECT_EQ(tile->ring, 5);
  // Coarser than every ring, or far away: none.
  EXPECT_FALSE(clip_tile_for_node(rings, 3, 0, 0));
  EXPECT_FALSE(clip_tile_for_node(rings, 9, 0, 0));
}

TEST(ClipRings, FineRingsSwitchedOffLeaveOnlyLowDetail) {
  ClipRings rings = rings_for(9, 6);  // Ground Texture Levels 4
  move_clip_rings(rings, 500, 500);
  EXPECT_FALSE(next_clip_tile(rings));
  EXPECT_FALSE(clip_tile_for_node(rings, 9, 250, 250));
}

TEST(ClipRings, EditedTilesAreRedrawnOldestEditFirst) {
  ClipRings rings = rings_for(9, 0);
  move_clip_rings(rings, 500, 500);
  draw_all(rings);
  stamp_clip_tiles(rings, 501, 501, 502, 502);  // one cell: a tile in every ring
  stamp_clip_tiles(rings, 497, 497, 498, 498);
  std::set<std::pair<int, int>> redrawn;
  while (auto tile = next_clip_tile(rings)) {
    EXPECT_TRUE(redrawn.insert({tile->ring, tile->slot}).second);
    clip_tile_drawn(rings, *tile);
  }
  // The first edit's tiles, then the second's, each tile once.
  EXPECT_GE(redrawn.size(), 6u);
  EXPECT_LE(redrawn.size(), 12u);
}

}  // namespace
