#include "sim/terrain_contacts.h"

#include "sim/body_math.h"

#include <algorithm>
#include <cmath>

#include <ode/ode.h>

#include "sim/sphere_terrain.h"
#include "sim/steering.h"
#include "sim/terrain_hit.h"
#include "sim/tyre_terrain.h"
#include "sim/world.h"

namespace {

constexpr double pi = 3.14159265358979323846;

// Ground springs of shape spheres, lb/ft and lb per ft/s.
constexpr double sphere_kp = 2500, sphere_kd = 250;

// Rider speed above which an upside-down ground touch crashes him, ft/s.
constexpr double crash_speed = 5;

// How far the tube is flattened, 0..1.
double compression(double depth, double tube_radius) {
  return tube_radius > 0 ? std::clamp(depth / tube_radius, 0.0, 1.0) : 1.0;
}

void add_contact(const Bike& bike, dBodyID body, const dContact& contact,
                 dJointFeedback* feedback) {
  dJointID joint = dJointCreateContact(bike.world->world, bike.world->contacts, &contact);
  dJointAttach(joint, body, nullptr);
  if (feedback) dJointSetFeedback(joint, feedback);
}

// One tyre: record the contact, make its joint, brake it by rolling
// resistance. Returns whether it touched.
bool tyre_contact(Bike& bike, WheelContact& wheel, const Terrain& terrain) {
  TerrainHit hit = tyre_terrain_test(terrain.field, wheel);
  if (!hit.found) {
    wheel.depth = 0;
    return false;
  }
  dVector3 pv;
  dBodyGetPointVel(wheel.body, hit.point.x, hit.point.y, hit.point.z, pv);
  Vec3 point_velocity = to_vec(pv);
  wheel.point = to_vec3f(hit.point);
  wheel.normal = to_vec3f(hit.normal);
  wheel.depth = static_cast<float>(hit.depth);
  wheel.point_velocity = to_vec3f(point_velocity);

  const SurfaceType& surface = terrain_surface_at(terrain, hit.point.x, hit.point.z);
  double mu = friction_at(surface, length(point_velocity)) * tyre_grip(bike);
  if (!std::isfinite(mu) || mu < 0) mu = 0;

  double k = compression(hit.depth, wheel.tube_radius);
  ContactSpring spring = tyre_spring(hit.depth, wheel.tube_radius);

  dContact c = contact_at(hit.point, hit.normal, hit.depth);
  c.surface.mode = dContactApprox1;
  c.surface.mu = mu;  // without dContactMu2 it serves both directions
  set_soft_contact(c.surface, spring.kp, spring.kd);
  // First friction direction across the slip (or, rolling true, across
  // the axle), so the pyramid's two sides are along and across the slide.
  Vec3 f = cross(hit.normal, point_velocity);
  if (dot(f, f) < 1.0 / 1024) {
    dVector3 axle;
    dBodyVectorToWorld(wheel.body, wheel.axle.x, wheel.axle.y, wheel.axle.z, axle);
    f = cross(hit.normal, to_vec(axle));
  }
  if (dot(f, f) > 0) {
    Vec3 dir = normalized(f);
    c.surface.mode |= dContactFDir1;
    c.fdir1[0] = dir.x;
    c.fdir1[1] = dir.y;
    c.fdir1[2] = dir.z;
  }
  add_contact(bike, wheel.body, c, &wheel.feedback);

  // Rolling resistance against the ground-plane part of the wheel's
  // velocity; below 1 ft/s the force shrinks with the speed.
  Vec3 v = to_vec(dBodyGetLinearVel(wheel.body));
  Vec3 w = v - hit.normal * dot(hit.normal, v);
  double u = length(w);
  RollResist rr = roll_resist_at(surface, u);
  if (u > 1) w = w / u;
  double force = rr.force_light + (rr.force_full - rr.force_light) * k;
  if (std::isfinite(force)) dBodyAddForce(wheel.body, -force * w.x, -force * w.y, -force * w.z);
  return true;
}

// The sphere set of one body: world centres brought up to date, a contact
// for every sphere that touches. Returns whether any touched.
bool shape_contacts(Bike& bike, int body_index, const Terrain& terrain) {
  dBodyID body = bike.bodies[body_index];
  BikeShape& copy = bike.shapes[body_index];
  if (!body || !copy.shape) return false;
  // A part whose bounding sphere clears every sample under it cannot
  // touch: each sphere's own walk would cover a part of those cells from
  // higher up. Its centres are still brought up to date.
  const dReal* origin = dBodyGetPosition(body);
  const double reach = copy.shape->bounding_radius + clear_margin;
  const CellRange cells = cells_under(terrain.field, origin[0], origin[2], reach, reach);
  const bool clear = cells.valid && reach < max_walk_cells / 2 * terrain.field.spacing &&
                     cells_clear_below(terrain.field, cells, origin[1] - reach);
  bool touched = false;
  size_t n = std::min(copy.spheres.size(), copy.shape->spheres.size());
  for (size_t i = 0; i < n; ++i) {
    const ShapeSphere& local = copy.shape->spheres[i];
    dVector3 world;
    dBodyGetRelPointPos(body, local.centre.x, local.centre.y, local.centre.z, world);
    copy.spheres[i].centre = to_vec(world);
    if (clear) continue;
    TerrainHit hit = sphere_terrain_test(terrain.field, copy.spheres[i].centre, local.radius);
    if (!hit.found) continue;
    touched = true;
    dContact c = contact_at(hit.point, hit.normal, hit.depth);
    c.surface.mode = dContactApprox1;
    c.surface.mu = std::isfinite(local.mu) && local.mu > 0 ? local.mu : 0;
    set_soft_contact(c.surface, sphere_kp, sphere_kd);
    add_contact(bike, body, c, nullptr);
  }
  return touched;
}

}  // namespace

double tyre_grip(const Bike& bike) {
  if (!(bike.flags & flag_arcade)) return 1;
  double roll = std::fabs(frame_roll_angle(bike));
  return 1 - 0.375 * std::min(4 * roll / pi, 1.0);
}

ContactSpring tyre_spring(double depth, double tube_radius) {
  double k = compression(depth, tube_radius);
  double k3 = k * k * k;
  return {24000 * k3 + 1000, 2300 * k3 + 200};
}

double frame_roll_angle(const Bike& bike) { return roll_angle(bike.bodies[body_frame]); }

int terrain_contacts(Bike& bike, const Terrain& terrain) {
  if (!bike.world) return 0;
  bool touched = tyre_contact(bike, bike.front_contact, terrain);
  touched = tyre_contact(bike, bike.rear_contact, terrain) || touched;
  bool parts = false;
  for (int b : {body_frame, body_fork_upper, body_fork_lower, body_swingarm})
    parts = shape_contacts(bike, b, terrain) || parts;
  bool rider = shape_contacts(bike, body_rider, terrain);
  parts = parts || rider;
  if (parts && bike.mishap == 0) bike.mishap = 1;

  int result = touched || parts ? terrain_touched : 0;
  if (rider && bike.crash_counter < 1 && bike.collision_timer >= 0) {
    dBodyID r = bike.bodies[body_rider];
    const dReal* R = dBodyGetRotation(r);
    if (R[5] < 0 && length(to_vec(dBodyGetLinearVel(r))) > crash_speed)
      result |= terrain_rider_crash;
  }
  return result;
}
