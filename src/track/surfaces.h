#pragma once
// Ground surfaces: the surface types of a track (texture, tyre friction
// curve, rolling-resistance curve, roost kinds), the tile map that says
// which type lies where, and the curve lookups the tyre contact uses every
// step. Read from tileinfo, or from the older texturelist.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

inline constexpr int kMaxSurfaces = 256;
inline constexpr int kCurvePoints = 8;
inline constexpr int kRoostKinds = 4;

// Roost kinds: 0 ends a surface's list of roost types.
enum RoostKind : int { kRoostUnused = 0, kRoostDirt = 1, kRoostSplash = 2 };

// One kind of dirt, dust or water a tyre throws up. Defaults are those a
// "roost" line starts from.
struct RoostType {
  int kind = kRoostUnused;
  unsigned texture = 0;            // particle texture ("@roost.png" by default)
  float count = 10;                // particles per wheel per step; fraction = chance
  float dig = 1;                   // amount factor handed to the particle
  float slip_threshold = 4;        // ft/s of slip below which dirt roost stays down
  float slow_angle = 1.57079633f;  // spread, radians, at low wheel spin
  float fast_angle = 0.19634954f;  // spread, radians, at high wheel spin
  float slow_speed = 0;            // wheel spin rad/s where slow_angle applies
  float fast_speed = 64;           // wheel spin rad/s where fast_angle applies
  float size = 0.25f;              // particle size, feet
  float grow = 4;                  // particle growth, feet per second
  float drag = 0.5f;               // particle drag, 1/s
  float vscale = 1;                // launch velocity scale
  float randomize = 15;            // random launch jitter, ft/s
  std::array<std::uint8_t, 4> colour = {255, 255, 255, 255};  // start RGBA
  // Colour change per step (1/128 s); the file gives it per second.
  std::array<std::int8_t, 4> fade = {0, 0, 0, -2};
};

struct FrictionPoint {
  float mu = 1;     // >= 0
  float speed = 0;  // slip speed, ft/s; 0 ends the curve
};

struct RollResistPoint {
  float force_light = 5;  // pounds-force at zero tyre compression
  float force_full = 15;  // pounds-force at full compression
  float speed = 0;        // ground speed, ft/s; 0 ends the curve
};

struct SurfaceType {
  unsigned texture = 0;      // ground texture, 0 when none (headless)
  std::string texture_name;  // name after its last '/', for the ground renderer
  std::array<FrictionPoint, kCurvePoints> friction{};
  std::array<RollResistPoint, kCurvePoints> roll_resist{};
  std::array<RoostType, kRoostKinds> roost{};
};

// The tile map: n * n bytes, row tz (world z from tz * tile_size) by row,
// x ascending within a row; each byte indexes the surface types.
struct TileMap {
  int n = 0;            // tiles per side, 2^shift
  float tile_size = 0;  // feet, 2 * spacing
  std::vector<std::uint8_t> tiles;
};

// Reads tileinfo from the track directory `dir`, else texturelist (then
// required). Content problems are posted as warnings and skipped. A track
// that defines no surface at all gets one default surface (mu 1, forces 5
// and 15), so the tile map always has a valid target. Returns false only
// when neither file can be opened.
bool load_surfaces(std::vector<SurfaceType>& surfaces, std::string_view dir);

// Reads the required tilemap (n * n bytes; a short file fails). Bytes above
// the last surface index are clamped to it.
bool load_tile_map(TileMap& map, std::string_view dir, int shift, float tile_size,
                   int surface_count);

// Writes the tile map as "@" + track_name + "/tilemap".
bool save_tile_map(const TileMap& map, std::string_view track_name);

// Index of the surface type under world (x, z); outside the field the
// border tiles. 0 when the map is empty.
int surface_at(const TileMap& map, double x, double z);

// Tyre friction coefficient at slip speed v (ft/s); interpolated on squared
// speeds between the curve's points.
double friction_at(const SurfaceType& surface, double v);

// Rolling-resistance forces at ground speed u (ft/s), interpolated linearly.
struct RollResist {
  double force_light, force_full;
};
RollResist roll_resist_at(const SurfaceType& surface, double u);

// The defaults a surface starts from before its tileinfo lines.
SurfaceType default_surface();
