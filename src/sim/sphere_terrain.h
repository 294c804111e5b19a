#pragma once
// A sphere against the terrain: the test behind every body part that is
// not a tyre (the spheres of the frame, fork, swingarm and rider shapes).

#include "base/vec3.h"
#include "sim/terrain_hit.h"
#include "track/height_field.h"

// The sphere (centre c, radius r, feet) against one triangle v0, v1, v2
// (counter-clockwise seen from above, as `cell_triangles` gives them).
// Over the face (inside the three planes through the edges along the face
// normal) the face pushes along its normal; elsewhere the nearest point of
// the triangle's border does, along the line from it to the centre. A
// centre more than r below the face counts only inside the face's
// vertical prism, and is pushed out along the face normal. Depth above 0
// means contact. A triangle without area gives no contact.
TerrainHit sphere_triangle(Vec3 c, double r, Vec3 v0, Vec3 v1, Vec3 v2);

// The sphere against every triangle under it (reach r): the deepest
// contact, its normal cleaned and unit.
TerrainHit sphere_terrain_test(const HeightField& field, Vec3 centre, double radius);
