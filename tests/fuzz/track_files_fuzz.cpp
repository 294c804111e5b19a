// Track files of arbitrary bytes through their loaders: the first byte
// picks the file (terrain.hf, tileinfo, texturelist, tilemap,
// timing_gates, statues, a collision shape), the rest is its content.
// After each load the queries run over and around the result, so a bad
// file that slipped through would show as a read outside the grid.

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "track/collision_shape.h"
#include "track/height_field.h"
#include "track/scenery.h"
#include "track/surfaces.h"
#include "track/timing_gates.h"

namespace {

const std::string& fuzz_dir() {
  static const std::string dir = [] {
    std::string d = "/tmp/tavrin-track-fuzz-" + std::to_string(getpid());
    std::string command = "mkdir -p " + d;
    if (std::system(command.c_str()) != 0) std::abort();
    return d;
  }();
  return dir;
}

void write(const std::string& name, const std::uint8_t* data, std::size_t size) {
  std::FILE* file = std::fopen((fuzz_dir() + "/" + name).c_str(), "wb");
  if (!file) return;
  std::fwrite(data, 1, size, file);
  std::fclose(file);
}

void query(const HeightField& field) {
  for (double x : {-5.0, 0.0, 1.5, 1e3, 1e12})
    for (double z : {-1e12, 0.0, 3.25, 77.0}) {
      height_at(field, x, z);
      smoothed_height(field, x, z, 10);
      cell_triangles(field, int(x), int(z));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::uint8_t* body = data + 1;
  std::size_t length = size - 1;
  const std::string& dir = fuzz_dir();
  std::remove((dir + "/tileinfo").c_str());
  switch (data[0] % 7) {
    case 0: {
      write("terrain.hf", body, length);
      std::remove((dir + "/terrain.png").c_str());
      HeightField field;
      if (load_height_field(field, dir)) query(field);
      break;
    }
    case 1:
    case 2: {
      write(data[0] % 7 == 1 ? "tileinfo" : "texturelist", body, length);
      std::vector<SurfaceType> surfaces;
      if (load_surfaces(surfaces, dir))
        for (const SurfaceType& s : surfaces)
          for (double v : {-3.0, 0.0, 1.0, 7.5, 1e9}) {
            friction_at(s, v);
            roll_resist_at(s, v);
          }
      break;
    }
    case 3: {
      write("tilemap", body, length);
      TileMap map;
      if (load_tile_map(map, dir, 3, 2.0f, 1 + data[0] / 7))
        for (double x : {-1.0, 0.0, 5.0, 15.99, 16.0, 1e9}) surface_at(map, x, x / 2);
      break;
    }
    case 4: {
      write("timing_gates", body, length);
      TimingGates gates;
      load_timing_gates(gates, dir + "/timing_gates");
      for (int g = -1; g < 600; g += 7) gate_pass_checkpoint(gates, g);
      break;
    }
    case 5: {
      write("statues", body, length);
      HeightField field;
      set_height_field_geometry(field, 1, 2.0f);
      field.heights.assign(25, 1.0f);
      std::vector<Statue> statues;
      load_statues(statues, dir + "/statues", field);
      SceneryGrid grid;
      build_scenery_grid(grid, statues, field.extent);
      break;
    }
    default: {
      // A fresh name each time: shapes are cached by name for the whole run.
      static int serial = 0;
      std::string name = "shape" + std::to_string(serial++ % 1000000) + ".shp";
      write(name, body, length);
      load_collision_shape(dir + "/" + name);
      std::remove((dir + "/" + name).c_str());
      break;
    }
  }
  return 0;
}
