#pragma once
// The physics side of a track's scenery: statues (placed models that bikes
// collide with through their shapes) and the 8 x 8 scenery grid that finds
// the statues near a point. Billboards, flaggers, decals and the drawing
// of statues belong to the renderer, reached through the track hooks.

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "base/vec3.h"
#include "track/collision_shape.h"
#include "track/height_field.h"

struct Statue {
  Vec3 position;  // y = terrain height + y_offset
  float y_offset = 0;
  float a = 0;  // angle (radians) below 3.25, else facing exponent
  // Row-major 3x3 rotation, body to world: the turn by a about the vertical
  // and, when a > -2 pi, the tilt that makes the up axis follow the ground.
  std::array<double, 9> rotation = {1, 0, 0, 0, 1, 0, 0, 0, 1};
  double facing_distance = 0;  // 2^a when a >= 3.25 (the statue turns to the eye), else 0
  std::string model_name, texture_name, shape_name;  // empty for "null"
  const CollisionShape* shape = nullptr;             // null or empty: bikes pass through
  long last_hit_tick = -1;
  // Filled by the renderer's hook; 0 while headless.
  int model = 0;
  unsigned texture = 0, normal_map = 0, specular_map = 0;
};

inline constexpr int kSceneryGridSize = 8;

// 8 x 8 buckets of statue indices over the middle three quarters of the
// field; positions outside fall into edge buckets.
struct SceneryGrid {
  std::array<std::vector<int>, kSceneryGridSize * kSceneryGridSize> buckets;
};

// Places a statue on the terrain: y from the ground height plus its offset,
// the orientation and facing distance from a.
void place_statue(Statue& statue, const HeightField& field);
// Turns a placed statue further by `angle` radians about its own x axis
// (its rotation followed by the tip): a starting gate slat rising.
void tip_statue(Statue& statue, double angle);

// Builds a statue at (x, z) from the statue line's values and loads its
// collision shape (names "null" or empty mean none). A named shape that
// cannot be loaded posts "Warning: missing shape file <name>".
Statue make_statue(const HeightField& field, Vec3 position_with_offset, float a,
                   std::string_view model, std::string_view texture, std::string_view shape);

// Reads the "statues" file at `path`, appending to `statues`: lines
// "[ x y z ] a model texture shape" until one fails to parse. A missing
// file adds nothing.
void load_statues(std::vector<Statue>& statues, std::string_view path, const HeightField& field);

// Bucket coordinate of world coordinate u on a field of the given extent:
// clamp(floor((u / extent - 1/8) * 4/3 * 8), 0, 7).
int scenery_bucket(double u, double extent);

// Empties the grid and inserts every statue with a non-empty shape into
// every bucket its bounding square (x +- R, z +- R) touches.
void build_scenery_grid(SceneryGrid& grid, const std::vector<Statue>& statues, double extent);
