#pragma once
// map.png: the track map of the HUD and a picture of the track. A top view
// of the whole field, pixel (0, 0) at world (0, 0), x to the right and z
// downwards; the course drawn in its surfaces' colours, lit by the baked
// shading so jumps and berms show, with a dark edge and the starting line
// in white; everything off the course transparent.

#include <string>
#include <vector>

#include "centreline.h"
#include "gates.h"
#include "shading.h"
#include "terrain.h"

namespace mkdata {

constexpr int kMapSize = 512;

std::string map_png(const Terrain& terrain, const Shading& shading, const Centreline& line,
                    const std::vector<Surface>& surfaces, const Gates& gates);

}  // namespace mkdata
