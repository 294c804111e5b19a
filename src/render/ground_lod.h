#pragma once
// The ground's level of detail, without GL: a restricted quadtree over the
// height grid, the per-node subdivision distances, the per-frame marking
// around the eye, and the triangle fans the marked tree gives.
//
// Grid: G = 2^(M+1) + 1 samples per side (M = HeightField::shift), sample
// (i, j) at world (i s, height, j s). Quadtree levels 0..M; node (x, y) of
// level L has half-size h = (G - 1) >> (L + 1) cells and its centre at
// sample ((2x + 1) h, (2y + 1) h); level M nodes are 2 x 2 cells. A marked
// node is subdivided. The distances keep neighbouring leaves at most one
// level apart, so every fan can close its edges against its neighbours
// without cracks.
//
// Lifetime: built by the track load (ground_lod_init), dropped with the
// track. Holds a pointer to the height field it was built for, which must
// outlive it.

#include <cstdint>
#include <vector>

#include "base/vec3.h"
#include "track/height_field.h"

struct GroundLod {
  const HeightField* field = nullptr;
  int levels = 0;  // M: levels 0..M
  int size = 0;    // G: samples per side
  // Squared horizontal distance (feet^2) below which each node is
  // subdivided, level-major (see node_index). `distances` is drawn; a
  // recomputation fills `pending` and swaps them when it completes.
  std::vector<float> distances, pending;
  // Where an interrupted recomputation resumes.
  int next_level = -1;  // -1: no pass in progress
  long next_node = 0;
  // Per-frame marks, one byte per node (1 = subdivided).
  std::vector<std::uint8_t> marks;
  float detail = 0.0025f;  // d: geometric error (feet) per foot of distance
};

// Index of node (x, y) of level L in the level-major node arrays.
inline long node_index(int level, int x, int y) {
  return ((1L << (2 * level)) - 1) / 3 + static_cast<long>(y) * (1L << level) + x;
}

// Sets up the tree for `field` (which must stay alive) with detail divisor
// `detail` (0.125 / Ground Geometric Detail) and computes every distance.
void ground_lod_init(GroundLod& lod, const HeightField& field, float detail);

// (Re)computes the subdivision distances with a work budget (10 units per
// row of samples examined plus one per sample). Returns true when the pass
// is complete (the new distances are then in use); false when the budget
// ran out, and the next call resumes where this one stopped.
bool ground_compute_distances(GroundLod& lod, long budget);

// The per-frame marking for an eye at world `eye`: the always-subdivided
// top levels, 4 x 4 node windows around the eye's cell on every level,
// and the nodes nearer than their subdivision distance.
void ground_mark_nodes(GroundLod& lod, Vec3 eye);

// Triangle fans of the marked tree, for one frame. Vertices are sample
// indices (i, j) of the grid; each fan is centre first, then the ring in
// an order that faces up (counter-clockwise seen from above). `node` says
// which node drew the fan, so the renderer can pick its picture.
struct GroundFan {
  int level = 0, x = 0, y = 0;  // the node
  int first = 0;                // first vertex in GroundFans::vertices
  int count = 0;                // vertices in the fan
};
struct GroundFans {
  std::vector<GroundFan> fans;
  std::vector<std::int32_t> vertices;  // (i, j) pairs
};

// Walks the marked tree from the root, nearest children first, skipping
// nodes wholly behind the eye (looking along `forward`), and appends the
// fans to `out` (cleared first).
void ground_build_fans(const GroundLod& lod, Vec3 eye, Vec3 forward, GroundFans& out);
