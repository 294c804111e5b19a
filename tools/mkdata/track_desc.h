#pragma once
// The description of one generated track: everything the generator needs
// to build its folder, as plain tables. Each track's table lives in a file
// of its own (venloop.cpp, sxarena.cpp, practice.cpp).
//
// Units: feet and degrees. The field is a square in the x-z plane with
// (0, 0) at one corner; x runs right and z down on the map.

#include <string>
#include <vector>

namespace mkdata {

// Ground surfaces, by their index in every track's tileinfo.
enum Surface : unsigned char {
  kGrass = 0,
  kLoam = 1,
  kHardpack = 2,
  kSand = 3,
  kSurfaceCount = 4,
};

// One control point of the closed centreline. The spline passes through
// every point in order and back to the first. width, bank and surface hold
// from this point and blend into the next point's values.
struct ControlPoint {
  double x, z;
  double width;     // track width, feet
  double bank_deg;  // berm angle at the outside edge of a turn; 0 = flat
  Surface surface;  // ground of the track from here to the next point
};

enum class FeatureKind {
  kTabletop,  // face up to a flat table, landing down its far side
  kDouble,    // take-off mound, open gap, landing mound
  kTriple,    // a double with a longer gap
  kStepUp,    // small kicker, gap, landing on a higher plateau
  kStepDown,  // take-off from a plateau onto lower ground
  kRhythm,    // a row of small jumps close together
  kWhoops,    // a row of rounded bumps about eight feet apart
};

// A feature laid along the centreline, starting `offset` feet after the
// control point `after_point`. Which fields matter depends on the kind:
//   height      lip height above the track's ground (whoops: bump height)
//   face_deg    take-off face angle (rhythm: face of each jump)
//   gap         table length, or the open gap before the landing
//   land_height landing mound or plateau height (step-down: ignored)
//   land_deg    landing slope angle, gentler than the face
//   count, spacing  bumps or jumps in a row (rhythm, whoops)
struct Feature {
  FeatureKind kind;
  int after_point;
  double offset;
  double height = 0;
  double face_deg = 30;
  double gap = 0;
  double land_height = 0;
  double land_deg = 15;
  int count = 0;
  double spacing = 0;
};

// A stretch of ground painted with a surface regardless of the control
// points (a sand section inside a loam turn, for example).
struct SurfacePatch {
  int after_point;
  double offset, length;  // feet along the centreline
  Surface surface;
};

struct TrackDesc {
  std::string folder;  // "venloop", ...
  std::string title;   // display name, first line of desc
  int shift;           // height field size exponent: 2^(shift+1)+1 samples
  double spacing;      // feet between samples
  double base_height;  // height of the field's ground, feet
  // Rolling ground off the track: amplitude in feet (0 = flat field).
  double roll_amplitude;
  // Arena walls: when > 0, ground rises to this height outside the
  // rectangle [wall_x0, wall_x1] x [wall_z0, wall_z1].
  double wall_height = 0;
  double wall_x0 = 0, wall_z0 = 0, wall_x1 = 0, wall_z1 = 0;
  // Cross profile beside the track: a low bank just outside each edge,
  // then a shoulder that blends into the field's ground.
  double bank_height, bank_width, shoulder;
  // Where the starting gate stands: `start_offset` feet after control
  // point 0, with `start_slots` positions `start_pitch` feet apart.
  double start_offset;
  int start_slots;
  double start_pitch;
  // Checkpoints are spread evenly, no further apart than this.
  double gate_spacing;
  // Sun direction, pointing from the ground to the sun.
  double sun_azimuth_deg, sun_elevation_deg;
  std::vector<ControlPoint> points;
  std::vector<Feature> features;
  std::vector<SurfacePatch> patches;
};

TrackDesc venloop_desc();
TrackDesc sxarena_desc();
TrackDesc practice_desc();

}  // namespace mkdata
