#include "shapes.h"

#include <cmath>

#include "output.h"

namespace mkdata {

namespace {

// Contact behaviour per material. Bike parts slide on each other and on
// the ground like plastic and metal do (a crashed bike slides a good way);
// the rider's gear grips more and gives more; tyres grip most. Stiffness
// and damping keep a lying bike from bouncing: the damping is near the
// critical value for the part's mass on that spring.
struct Material {
  double mu, kp, kd;
};
constexpr Material kPlastic = {0.45, 20000, 2000};
constexpr Material kRider = {0.7, 10000, 1200};
constexpr Material kTyre = {0.9, 20000, 2000};
constexpr Material kGateSteel = {0.6, 30000, 3000};

// Body centres in the model frame of an upright bike; the spheres are
// written relative to these.
struct Point {
  double x, y, z;
};
constexpr Point kFrame = {0, 1.98, 3.6};
constexpr Point kUpperFork = {0, 2.9, 2.16};
constexpr Point kLowerFork = {0, 1.77, 1.59};
constexpr Point kSwingarm = {0, 1.34, 4.99};
constexpr Point kRiderBody = {0, 4.5, 4.12};

// Adds a sphere given at a model-frame position; with `mirror` a second
// one at -x, for the parts that come in pairs.
void add(std::vector<ShapeSphere>& out, Point body, Point at, double r, Material m,
         bool mirror = false) {
  out.push_back({at.x - body.x, at.y - body.y, at.z - body.z, r, m.mu, m.kp, m.kd});
  if (mirror) out.push_back({-at.x - body.x, at.y - body.y, at.z - body.z, r, m.mu, m.kp, m.kd});
}

std::vector<ShapeSphere> frame() {
  std::vector<ShapeSphere> s;
  add(s, kFrame, {0, 2.9, 2.16}, 0.25, kPlastic);           // steering head
  add(s, kFrame, {0.45, 2.7, 2.7}, 0.3, kPlastic, true);    // radiator shrouds
  add(s, kFrame, {0, 3.05, 3.1}, 0.35, kPlastic);           // tank
  add(s, kFrame, {0, 3.15, 4.2}, 0.3, kPlastic);            // seat, front
  add(s, kFrame, {0, 3.2, 5.2}, 0.3, kPlastic);             // seat, rear
  add(s, kFrame, {0, 3.15, 6.6}, 0.25, kPlastic);           // rear fender tip
  add(s, kFrame, {0.35, 2.6, 5.0}, 0.25, kPlastic, true);   // side panels
  add(s, kFrame, {0.4, 2.7, 5.6}, 0.25, kPlastic);          // silencer, right side
  add(s, kFrame, {0, 1.8, 3.5}, 0.55, kPlastic);            // engine
  // Skid plate, 14 in above the ground: the suspension bottoming on a jump
  // face or a landing must not bring it down to the ground.
  add(s, kFrame, {0, 1.45, 3.6}, 0.3, kPlastic);
  add(s, kFrame, {0.6, 1.45, 4.15}, 0.15, kPlastic, true);  // foot pegs
  return s;
}

std::vector<ShapeSphere> upper_fork() {
  std::vector<ShapeSphere> s;
  add(s, kUpperFork, {1.0, 4.0, 2.88}, 0.15, kPlastic, true);    // bar ends by the grips
  add(s, kUpperFork, {0, 3.95, 2.76}, 0.2, kPlastic);            // bar clamp
  add(s, kUpperFork, {0.42, 2.55, 1.91}, 0.18, kPlastic, true);  // fork tubes in the clamps
  add(s, kUpperFork, {0, 3.3, 1.76}, 0.25, kPlastic);            // number plate
  return s;
}

std::vector<ShapeSphere> lower_fork() {
  std::vector<ShapeSphere> s;
  add(s, kLowerFork, {0.42, 2.07, 1.84}, 0.16, kPlastic, true);  // fork legs, upper
  add(s, kLowerFork, {0.42, 1.57, 1.47}, 0.16, kPlastic, true);  // fork legs, lower
  add(s, kLowerFork, {0.42, 1.09, 1.11}, 0.14, kPlastic, true);  // axle clamps
  add(s, kLowerFork, {0, 2.45, 1.0}, 0.25, kPlastic);            // front fender over the tyre
  return s;
}

std::vector<ShapeSphere> swingarm() {
  std::vector<ShapeSphere> s;
  add(s, kSwingarm, {0.38, 1.49, 4.44}, 0.15, kPlastic, true);
  add(s, kSwingarm, {0.38, 1.29, 5.09}, 0.15, kPlastic, true);
  add(s, kSwingarm, {0.38, 1.09, 5.74}, 0.15, kPlastic, true);
  return s;
}

// A ring of tube-sized spheres around the rim, in the wheel's own plane
// (the axle is the body's x axis).
std::vector<ShapeSphere> wheel(double rim_radius, double tyre_radius) {
  std::vector<ShapeSphere> s;
  for (int k = 0; k < 8; ++k) {
    double a = k * 3.14159265358979323846 / 4;
    s.push_back({0, rim_radius * std::cos(a), rim_radius * std::sin(a), tyre_radius, kTyre.mu,
                 kTyre.kp, kTyre.kd});
  }
  return s;
}

std::vector<ShapeSphere> rider() {
  std::vector<ShapeSphere> s;
  add(s, kRiderBody, {0, 5.31, 3.18}, 0.45, kRider);          // helmet
  add(s, kRiderBody, {0, 4.75, 3.77}, 0.5, kRider);           // chest
  add(s, kRiderBody, {0, 4.15, 4.47}, 0.5, kRider);           // hips
  add(s, kRiderBody, {0.5, 5.05, 3.52}, 0.25, kRider, true);  // shoulders
  add(s, kRiderBody, {0.8, 4.8, 3.2}, 0.2, kRider, true);     // elbows
  add(s, kRiderBody, {0.55, 3.5, 3.3}, 0.25, kRider, true);   // knees
  return s;
}

// The starting gate slat, hinged at the statue's origin across the bike's
// path. In this resting (dropped) frame it lies flat ahead of the hinge,
// sunk into the ground to a twentieth of a foot: the start straight runs
// over the gate every lap, and a slat standing proud of the dirt throws a
// bike that crosses it flat out. Race control tips it up by
// 3 pi / 16 about x while the gate is up, and its far edge then stands
// about a foot high in front of the front wheel.
std::vector<ShapeSphere> startgate() {
  std::vector<ShapeSphere> s;
  constexpr double radius = 0.15;
  constexpr double sunk = 0.25;
  // The near edge starts 0.8 ft ahead of the hinge: a bike standing at
  // its start position clears the raised slat by a fifth of a foot.
  for (double along : {0.8, 1.2, 1.6, 2.0})
    for (double x : {-1.05, -0.35, 0.35, 1.05})
      s.push_back({x, radius - sunk, -along, radius, kGateSteel.mu, kGateSteel.kp, kGateSteel.kd});
  return s;
}

}  // namespace

std::vector<ShapeFile> shape_files() {
  return {
      {"generic_frame.shp", frame()},
      {"generic_fork_upper.shp", upper_fork()},
      {"generic_fork_lower.shp", lower_fork()},
      {"generic_swingarm.shp", swingarm()},
      {"front_wheel.shp", wheel(0.833333, 0.333333)},
      {"rear_wheel.shp", wheel(0.75, 0.333333)},
      {"generic_rider.shp", rider()},
      {"startgate.shp", startgate()},
  };
}

std::string shape_text(const ShapeFile& shape) {
  std::string out = format("%d\n", static_cast<int>(shape.spheres.size()));
  for (const ShapeSphere& s : shape.spheres)
    out += format("%f %f %f %f %f %f %f\n", s.x, s.y, s.z, s.radius, s.mu, s.kp, s.kd);
  return out;
}

}  // namespace mkdata
