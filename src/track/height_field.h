#pragma once
// The track's terrain: one square grid of height samples in the x-z plane,
// its chessboard triangulation and the height queries every contact test,
// the camera and the drawing go through.
//
// World units are feet, y is up. Sample (i, j) stands at world
// (i * spacing, heights[i + size * j], j * spacing); i runs along x, j along
// z. Every read goes through `sample`, which clamps the indices, so the
// field behaves as if its border samples extended without end: no query,
// however far outside, reads outside the grid.

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/vec3.h"

struct HeightField {
  int shift = 0;               // size exponent; the tile map has 2^shift tiles per side
  int size = 0;                // samples per side, 2^(shift+1) + 1
  float spacing = 0;           // feet between neighbouring samples
  float tile_size = 0;         // 2 * spacing: one surface tile covers 2 x 2 cells
  float extent = 0;            // spacing * (size - 1), feet
  std::vector<float> heights;  // size * size, feet, index i + size * j
  float min_height = 0;        // the stored range; widened by the editor
  float max_height = 0;
  // RGB light map, one texel per sample, at half intensity (128 means 1.0).
  std::vector<std::uint8_t> shading;  // size * size * 3
  // One byte per sample, 0 = unshadowed (the file's bytes inverted).
  std::vector<std::uint8_t> shadows;  // size * size
};

// The largest shift a terrain.hf may give (2049 samples per side). Larger
// values are refused so a hostile header cannot ask for gigabytes.
inline constexpr int kMaxHeightFieldShift = 10;

// One triangle of the surface as three world points.
struct TerrainTriangle {
  Vec3 v[3];
};

// The two triangles of a cell, in the vertex order of the triangulation.
struct CellTriangles {
  TerrainTriangle a, b;
};

// Reads terrain.hf (and terrain.png when its samples are not inline) and
// the shading (shadingx2.ppm, else shading.ppm) from the track directory
// `dir` (a path or an "@" name, without the trailing '/'). Posts the
// failure's message and leaves `field` cleared on failure. The shadow map
// is read separately by `load_shadow_map`, later in the ground load.
bool load_height_field(HeightField& field, std::string_view dir);

// Reads shadows.pgm (optional: missing means no shadow anywhere). A file
// that is unreadable or of the wrong size fails the ground load.
bool load_shadow_map(HeightField& field, std::string_view dir);

// Frees every array and resets the sizes: the state of "no terrain".
void clear_height_field(HeightField& field);

// Sizes derived from shift and spacing (size, tile_size, extent).
void set_height_field_geometry(HeightField& field, int shift, float spacing);

// The clamped sample: heights[clamp(i) + size * clamp(j)]; 0 on an empty
// field. Inline: every contact test reads samples in its inner loops.
inline float sample(const HeightField& field, int i, int j) {
  if (field.heights.empty()) return 0;
  int last = field.size - 1;
  i = std::clamp(i, 0, last);
  j = std::clamp(j, 0, last);
  return field.heights[static_cast<std::size_t>(i) + static_cast<std::size_t>(field.size) * j];
}

// The two triangles of cell (i, j), world points from clamped samples.
// (i + j) even: diagonal (i, j)-(i+1, j+1); odd: diagonal (i, j+1)-(i+1, j).
CellTriangles cell_triangles(const HeightField& field, int i, int j);

// Height of the triangulated surface at world (x, z); exact on the planes
// of `cell_triangles`, border heights outside the field.
double height_at(const HeightField& field, double x, double z);

// Disc-averaged height around (x, z): weight 1 inside radius r, falling
// linearly to 0 over one more `spacing`. The camera keeps above it.
double smoothed_height(const HeightField& field, double x, double z, double r);

// The editor's save of the terrain files into "@" + track_name: terrain.hf
// (text header only), terrain.png (16-bit grey), shading.ppm and
// shadingx2.ppm. A completely flat field is saved flat (the stored range is
// widened so nothing divides by zero). Posts "Can't open '<file>'" and stops
// at the first file that cannot be created; files already written stay.
bool save_height_field(const HeightField& field, std::string_view track_name);
