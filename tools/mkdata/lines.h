#pragma once
// Seed lines for the robots: for each skill, a lines file whose segments
// are the stretches between the line gates, each holding a few lines
// (centre, inside and outside of the turns; on the first stretch one from
// every starting gate position) sampled every 0.25 s at a speed a bike can
// ride. Robots ride these from the first race; the line store replaces
// them with better ridden ones as races are run.

#include <string>
#include <vector>

#include "centreline.h"
#include "gates.h"
#include "profile.h"
#include "terrain.h"
#include "track_desc.h"

namespace mkdata {

// How a rider of one skill rides: lean limit, top speed, and how hard he
// accelerates and brakes.
struct Skill {
  const char* file;     // "lines_novice", ...
  double lean_deg;      // most lean on flat ground
  double top_speed;     // ft/s
  double accel;         // ft/s^2 at low speed, falling to 0 at top speed
  double brake;         // ft/s^2
  double whoops_speed;  // ft/s through whoops
};

extern const Skill kSkills[3];

// One stored line point, as the lines file holds it.
struct SeedPoint {
  double x, y, z;  // frame body position, feet
  double speed;    // ft/s, negative while both wheels are off the ground
  double lean;     // radians; negative leaning to the rider's right
};

struct SeedLine {
  std::vector<SeedPoint> points;
  int rec_single, rec_double;  // ticks of 1/128 s
};

// Segments in store order: the first-lap stretches (the first from the
// gate to checkpoint 0), then the stretches of a flying lap.
// surfaces: the track's ground at every centreline sample (its grip
// limits the lean).
std::vector<std::vector<SeedLine>> seed_lines(const Centreline& line, const TrackProfile& profile,
                                              const Terrain& terrain, const Gates& gates,
                                              const std::vector<Surface>& surfaces,
                                              const Skill& skill);

// The lines file ("ct03" header, segments, lines, points).
std::string lines_text(const std::vector<std::vector<SeedLine>>& segments);

// Height of the frame body above the ground while riding.
constexpr double kFrameHeight = 1.9;

// The speed at each take-off of profile.jumps on a flying lap along the
// middle of the track, for checking that a skill reaches the speed each
// jump was built for.
std::vector<double> centre_lip_speeds(const Centreline& line, const TrackProfile& profile,
                                      const std::vector<Surface>& surfaces, const Skill& skill);

}  // namespace mkdata
