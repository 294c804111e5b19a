#pragma once
// Timing gates: the starting gate positions across the start straight,
// checkpoints across the course at even spacing, and the lap lists.

#include <string>
#include <vector>

#include "centreline.h"
#include "profile.h"
#include "terrain.h"
#include "track_desc.h"

namespace mkdata {

struct StartSpot {
  double x, y, z;  // feet; y on the ground
  double heading;  // radians; the bike faces (-sin, -cos) in x-z
};

struct GateSpot {
  double radius;   // covers the track width with a little to spare
  double x, y, z;  // centre on the centreline, y on the ground
  double dx, dz;   // unit direction of travel
  double s;        // distance along the lap
};

struct Gates {
  std::vector<StartSpot> starts;
  std::vector<GateSpot> checkpoints;  // in lap order; the last is the start/finish line
  std::vector<int> first_lap, normal_lap;
};

// Checkpoints spread evenly round the lap (desc.gate_spacing apart at
// most, each moved up to 40 feet or a quarter of the spacing, off the
// jumps, to where the course runs straight or on a steady arc), the last
// one on the starting gate's line so that a lap runs from the gate round
// to the gate.
Gates build_gates(const TrackDesc& desc, const Centreline& line, const TrackProfile& profile,
                  const Terrain& terrain);

// The timing_gates file, in the layout the track editor writes.
std::string timing_gates_text(const Gates& gates);

}  // namespace mkdata
