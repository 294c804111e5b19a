#pragma once
// The height of the track's riding surface along its centreline: the
// field's ground smoothed along the lap, plus the jumps, rhythm sections
// and whoops of the track description. Berms are added across the track
// by the rasteriser; this is the height at the centre.

#include <vector>

#include "centreline.h"
#include "track_desc.h"

namespace mkdata {

// A take-off the robot lines fly from.
struct JumpInfo {
  FeatureKind kind;
  double lip_s;         // where the wheels leave the face, feet along the lap
  double face_deg;      // slope of the face at the lip, as built
  double target_s;      // where the designed flight touches down
  double design_speed;  // speed at the lip that lands there, ft/s
};

struct TrackProfile {
  double step = 0.5;
  std::vector<double> height;   // one per centreline sample
  std::vector<JumpInfo> jumps;  // in lap order
  int jump_features = 0;        // jumps for the README count (a rhythm row counts once)
  int whoops_sections = 0;
  int rhythm_sections = 0;
  std::vector<std::pair<double, double>> whoops;  // [start, end) of each whoops row
  double start_s = 0;                             // the starting gate line

  // Height at distance s, interpolated and wrapped around the lap.
  double height_at(double s) const;
  // Slope dh/ds of the face just behind a lip at s.
  double slope_before(double s) const;
};

TrackProfile build_profile(const TrackDesc& desc, const Centreline& line);

// Point-mass flight from distance s0 at height y0 with horizontal speed vh
// and vertical speed vy (g = 32 ft/s^2) over the profile. Returns the
// distance where it meets the surface again and the time in the air.
struct Flight {
  double land_s;
  double time;
};
Flight fly(const TrackProfile& profile, double s0, double y0, double vh, double vy);

}  // namespace mkdata
