#pragma once
// The tyre against the terrain: a wheel is a torus (a core circle of the
// rim radius around the axle, thickened by the tyre's tube radius) tested
// against the height field's triangles.
//
// The test distinguishes the ways a torus meets a triangle: the core circle
// cutting through the face, dipping through the plane beside an edge that
// passes under the hub, sunk wholly under the face, hovering over the face,
// or closest to an edge or corner (found by a Newton search on the
// stationary points of the edge-to-circle distance). Every normalisation is
// guarded: degenerate triangles, a zero axle and non-finite input give no
// contact rather than NaN. All arithmetic is in double precision, like the
// world the results feed.

#include "base/vec3.h"
#include "sim/terrain_hit.h"
#include "track/height_field.h"

struct WheelContact;

// A tyre in world coordinates.
struct Torus {
  Vec3 centre;             // wheel centre, feet
  Vec3 axle;               // axle direction; need not be unit, zero means no tyre
  double core_radius = 0;  // core circle radius (the rim radius), feet
  double tube_radius = 0;  // tube radius (the tyre radius), feet
};

// The torus against one triangle v0, v1, v2 (counter-clockwise seen from
// above, so that (v1 - v0) x (v2 - v0) points up, as every triangle of
// `cell_triangles` does). Depth above 0 means contact; `found` is set
// then. The normal is unit except in the edge-distance case, where it is
// the vector from the edge point to the core circle (the terrain walk
// normalises it). A triangle without area gives no contact: its
// neighbours carry the ground there.
TerrainHit torus_triangle(const Torus& torus, Vec3 v0, Vec3 v1, Vec3 v2);

// The torus against every triangle under its bounding box (from the hub,
// R sqrt(1 - a_x^2) + r along x and R sqrt(1 - a_z^2) + r along z, a the
// unit axle) and within the square of half side R + r around the hub; the
// deepest contact, its normal cleaned and unit.
TerrainHit torus_terrain(const HeightField& field, const Torus& torus);

// The geometric test of one wheel: centre from the wheel body, axle = the
// contact record's body-frame axle turned into the world, radii from the
// record. Touches nothing but reads the body's pose. No body: no contact.
TerrainHit tyre_terrain_test(const HeightField& field, const WheelContact& wheel);
