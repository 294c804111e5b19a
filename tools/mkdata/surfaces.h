#pragma once
// Ground surfaces: the tileinfo file with the four grounds (grass, loam,
// hardpack, sand), and the tile map that paints the track's surfaces along
// the centreline and grass everywhere else.

#include <string>
#include <vector>

#include "centreline.h"
#include "terrain.h"
#include "track_desc.h"

namespace mkdata {

// The surface of the track at every centreline sample: the control
// points' surfaces with the description's patches painted over them.
std::vector<Surface> lap_surfaces(const TrackDesc& desc, const Centreline& line);

// The tileinfo text, one "addtile" block per surface in Surface order. The
// reader knows no comment lines, so the surfaces go unnamed in the file.
std::string tileinfo_text();

// The tile map: 2^shift tiles per side, row by row (z), one byte each.
// A tile takes the surface of the track when its centre lies on the track
// (or within a foot of its edge), grass otherwise.
std::string tilemap_bytes(const Terrain& terrain, const Centreline& line,
                          const std::vector<Surface>& surfaces);

// Friction (mu) of a surface at a slip speed, for the speed profiles of
// the robot lines; the same curve tileinfo writes.
double surface_grip(Surface s);

}  // namespace mkdata
