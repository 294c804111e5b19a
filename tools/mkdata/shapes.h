#pragma once
// Collision shapes (".shp"): spheres in a body's own frame (x to the
// rider's right, y up, z to the rear, origin at the body's centre) that
// follow the outline of the bike's parts, the rider, and the starting gate
// slat.

#include <string>
#include <vector>

namespace mkdata {

struct ShapeSphere {
  double x, y, z;  // centre in the body frame, feet
  double radius;   // feet
  double mu;       // friction against whatever it touches
  double kp, kd;   // contact stiffness (lb/ft) and damping (lb per ft/s)
};

struct ShapeFile {
  const char* name;  // file name in the data folder
  std::vector<ShapeSphere> spheres;
};

// Every shape file of the data set: the seven bike and rider shapes and
// "startgate.shp".
std::vector<ShapeFile> shape_files();

// The file text: "%d" sphere count, then per sphere its centre and
// "radius mu stiffness damping".
std::string shape_text(const ShapeFile& shape);

}  // namespace mkdata
