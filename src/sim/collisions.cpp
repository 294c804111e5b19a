#include "sim/collisions.h"

#include "sim/body_math.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>

#include "sim/crash.h"
#include "sim/terrain_contacts.h"
#include "sim/world.h"

namespace {

constexpr double force_limit = 1000;

// One side of a sphere test: the sphere (world centre) and the body it
// belongs to (null for a statue).
struct Side {
  dBodyID body;
  const ShapeSphere* sphere;
};

struct SphereHit {
  bool found = false;
  Vec3 point, normal;  // normal from A's sphere toward B's
  double depth = 0;
};

// Clearly apart: the square root would only confirm it.
bool clearly_apart(const ShapeSphere& a, const ShapeSphere& b) {
  Vec3 d = b.centre - a.centre;
  double reach = a.radius + b.radius;
  return dot(d, d) > reach * reach * (1 + 1.0 / (1 << 20));
}

SphereHit sphere_sphere(const ShapeSphere& a, const ShapeSphere& b) {
  SphereHit hit;
  if (clearly_apart(a, b)) return hit;
  Vec3 d = b.centre - a.centre;
  double dd = dot(d, d);
  double reach = a.radius + b.radius;
  double n = std::sqrt(dd);
  if (!(n < reach) || !(n > 0)) return hit;
  hit.found = true;
  hit.depth = reach - n;
  hit.normal = d / n;
  hit.point = a.centre + d * ((a.radius - hit.depth / 2) / n);
  return hit;
}

Vec3 point_velocity(dBodyID body, Vec3 p) {
  if (!body) return {};
  dVector3 v;
  dBodyGetPointVel(body, p.x, p.y, p.z, v);
  return to_vec(v);
}

// Contact between two spheres: a joint (B pushed along the normal, A the
// other way) or, in force mode, a spring force limited to +-1000 lb.
bool sphere_contact(PhysicsWorld& world, Side a, Side b, bool force_mode, SphereHit* out) {
  SphereHit hit = sphere_sphere(*a.sphere, *b.sphere);
  if (!hit.found) return false;
  if (out) *out = hit;
  double kp = std::min(a.sphere->kp, b.sphere->kp);
  double kd = std::min(a.sphere->kd, b.sphere->kd);
  if (force_mode) {
    Vec3 closing = point_velocity(a.body, hit.point) - point_velocity(b.body, hit.point);
    double f =
        std::clamp(hit.depth * kp + kd * dot(closing, hit.normal), -force_limit, force_limit);
    if (!std::isfinite(f)) return true;
    Vec3 push = hit.normal * f;
    if (b.body && dBodyIsEnabled(b.body))
      dBodyAddForceAtPos(b.body, push.x, push.y, push.z, hit.point.x, hit.point.y, hit.point.z);
    if (a.body && dBodyIsEnabled(a.body))
      dBodyAddForceAtPos(a.body, -push.x, -push.y, -push.z, hit.point.x, hit.point.y, hit.point.z);
    return true;
  }
  if (!(kp > 0) && !(kd > 0)) return true;
  dContact c = contact_at(hit.point, hit.normal, hit.depth);
  c.surface.mode = dContactApprox1;
  double mu = std::min(a.sphere->mu, b.sphere->mu);
  c.surface.mu = std::isfinite(mu) && mu > 0 ? mu : 0;
  set_soft_contact(c.surface, kp, kd);
  dJointID j = dJointCreateContact(world.world, world.contacts, &c);
  dJointAttach(j, b.body, a.body);
  return true;
}

// A collidable part: a bike body with its shape copy, a statue, or a tyre.
// A bike part's world centres are brought up to date only once a test gets
// past the bounding spheres (`refresh`), and at most once per part record:
// bodies do not move while contacts are made. A statue's centres are placed
// one sphere at a time, so no sphere list is copied.
struct Part {
  dBodyID body = nullptr;  // null for a statue
  Vec3 centre;             // bounding sphere: the body's origin or the statue's position
  double bounding_radius = 0;
  std::size_t count = 0;           // spheres in the set; 0 without a shape
  BikeShape* copy = nullptr;       // bike parts with a shape
  const Statue* statue = nullptr;  // statues
  bool fresh = false;              // copy's centres are current
  WheelContact* wheel = nullptr;   // set for the two wheels
};

Part bike_part(Bike& bike, int index) {
  Part part;
  part.body = bike.bodies[index];
  part.centre = part.body ? to_vec(dBodyGetPosition(part.body)) : Vec3{};
  BikeShape& copy = bike.shapes[index];
  if (copy.shape) {
    part.copy = &copy;
    part.count = copy.spheres.size();
    part.bounding_radius = copy.shape->bounding_radius;
  }
  if (index == body_front_wheel) part.wheel = &bike.front_contact;
  if (index == body_rear_wheel) part.wheel = &bike.rear_contact;
  return part;
}

Part statue_part(const Statue& statue) {
  Part part;
  part.centre = statue.position;
  part.bounding_radius = statue.shape->bounding_radius;
  part.count = statue.shape->spheres.size();
  part.statue = &statue;
  return part;
}

// Brings a bike part's world centres up to date.
void refresh(Part& part) {
  if (part.fresh || !part.copy) return;
  part.fresh = true;
  const std::vector<ShapeSphere>& local = part.copy->shape->spheres;
  std::size_t n = std::min(part.copy->spheres.size(), local.size());
  for (std::size_t i = 0; i < n; ++i) {
    const Vec3& c = local[i].centre;
    dVector3 w;
    dBodyGetRelPointPos(part.body, c.x, c.y, c.z, w);
    part.copy->spheres[i].centre = to_vec(w);
  }
}

// Sphere i of the part with its world centre (after `refresh` for a bike
// part).
ShapeSphere sphere_at(const Part& part, std::size_t i) {
  if (!part.statue) return part.copy->spheres[i];
  ShapeSphere s = part.statue->shape->spheres[i];
  const auto& R = part.statue->rotation;
  Vec3 c = s.centre;
  s.centre = part.statue->position + Vec3{R[0] * c.x + R[1] * c.y + R[2] * c.z,
                                          R[3] * c.x + R[4] * c.y + R[5] * c.z,
                                          R[6] * c.x + R[7] * c.y + R[8] * c.z};
  return s;
}

bool spheres_overlap(Vec3 a, double ra, Vec3 b, double rb) {
  Vec3 d = b - a;
  return dot(d, d) < (ra + rb) * (ra + rb);
}

// True when the two spheres are clearly apart, so that no sphere inside
// one overlaps one inside the other. The margin covers the rounding of the
// sums and of placing spheres in the world, so an early-out on it never
// hides a touch the finer tests would find. Non-finite positions are never
// apart.
bool apart(Vec3 a, double ra, Vec3 b, double rb) {
  constexpr double margin = 1.0 / (1 << 10);  // ft
  double reach = ra + rb + margin;
  Vec3 d = b - a;
  return dot(d, d) > reach * reach;
}

// Sphere i of the part as `sphere_at` gives it, read in place for a bike
// part and placed into `placed` for a statue.
const ShapeSphere& sphere_ref(const Part& part, std::size_t i, ShapeSphere& placed) {
  return part.statue ? (placed = sphere_at(part, i)) : part.copy->spheres[i];
}

// Every sphere of `a` against every sphere of `b` once the bounding spheres
// overlap (a sphere of `a` clear of b's bounding sphere meets none of them,
// and a sphere of `b` clear of a's meets none of a's).
bool shape_shape(PhysicsWorld& world, Part& a, Part& b, bool force_mode) {
  if (a.count == 0 || b.count == 0) return false;
  if (!spheres_overlap(a.centre, a.bounding_radius, b.centre, b.bounding_radius)) return false;
  refresh(a);
  refresh(b);
  // Which of b's first 64 spheres reach a's bounding sphere; the rest of a
  // larger set are all tried.
  constexpr std::size_t masked = 64;
  std::uint64_t near_a = 0;
  for (std::size_t j = 0; j < std::min(b.count, masked); ++j) {
    ShapeSphere placed;
    const ShapeSphere& sb = sphere_ref(b, j, placed);
    if (!apart(sb.centre, sb.radius, a.centre, a.bounding_radius)) near_a |= std::uint64_t{1} << j;
  }
  bool touched = false;
  for (std::size_t i = 0; i < a.count; ++i) {
    ShapeSphere sa = sphere_at(a, i);
    if (apart(sa.centre, sa.radius, b.centre, b.bounding_radius)) continue;
    auto pair = [&](std::size_t j) {
      ShapeSphere placed;
      const ShapeSphere& sb = sphere_ref(b, j, placed);
      if (clearly_apart(sa, sb)) return;
      touched = sphere_contact(world, {a.body, &sa}, {b.body, &sb}, force_mode, nullptr) || touched;
    };
    for (std::uint64_t m = near_a; m; m &= m - 1) pair(static_cast<std::size_t>(std::countr_zero(m)));
    for (std::size_t j = masked; j < b.count; ++j) pair(j);
  }
  return touched;
}

// A shape against a tyre: each sphere meets a sphere of the tube radius at
// the nearest point of the tyre's core circle. `shape_first` keeps the
// pair's order (the shape is A). A wheel off the ground takes the deepest
// contact as its own so brakes and antilock see it.
bool shape_tyre(PhysicsWorld& world, Part& shape, const Part& tyre, bool force_mode,
                bool shape_first) {
  if (shape.count == 0 || !tyre.wheel || !tyre.body) return false;
  const WheelContact& w = *tyre.wheel;
  Vec3 centre = tyre.centre;
  if (!spheres_overlap(shape.centre, shape.bounding_radius, centre, w.core_radius + w.tube_radius))
    return false;
  dVector3 ax;
  dBodyVectorToWorld(tyre.body, w.axle.x, w.axle.y, w.axle.z, ax);
  Vec3 axle = to_vec(ax);
  double an = std::sqrt(dot(axle, axle));
  if (!(an > 0)) return false;
  axle = axle / an;
  // A direction in the wheel plane for centres on the axle.
  Vec3 spare = std::fabs(axle.y) < 0.9 ? cross(axle, Vec3{0, 1, 0}) : cross(axle, Vec3{1, 0, 0});
  spare = spare / std::sqrt(dot(spare, spare));

  refresh(shape);
  bool touched = false;
  SphereHit deepest;
  for (std::size_t i = 0; i < shape.count; ++i) {
    ShapeSphere s = sphere_at(shape, i);
    if (apart(s.centre, s.radius, centre, w.core_radius + w.tube_radius)) continue;
    Vec3 r = s.centre - centre;
    r = r - axle * dot(r, axle);
    double rn = std::sqrt(dot(r, r));
    Vec3 dir = rn > 1e-6 ? r / rn : spare;
    ShapeSphere tube{centre + dir * double(w.core_radius), w.tube_radius, 1, 25000, 2500};
    SphereHit hit;
    bool t = shape_first
                 ? sphere_contact(world, {shape.body, &s}, {tyre.body, &tube}, force_mode, &hit)
                 : sphere_contact(world, {tyre.body, &tube}, {shape.body, &s}, force_mode, &hit);
    if (!t) continue;
    touched = true;
    if (hit.depth > deepest.depth) {
      deepest = hit;
      // Out of the other shape toward the wheel.
      if (!shape_first) deepest.normal = hit.normal * -1.0;
    }
  }
  if (touched && tyre.wheel->depth <= 0) {
    WheelContact& wc = *tyre.wheel;
    wc.point = to_vec3f(deepest.point);
    wc.normal = to_vec3f(deepest.normal);
    wc.depth = static_cast<float>(deepest.depth);
    wc.point_velocity = to_vec3f(point_velocity(tyre.body, deepest.point));
  }
  return touched;
}

// Part a against part b by the kind of each: tyre meets shape through the
// torus, everything else (tyre and tyre included) through sphere sets.
bool part_part(PhysicsWorld& world, Part& a, Part& b, bool force_mode) {
  if (a.wheel && !b.wheel) return shape_tyre(world, b, a, force_mode, false);
  if (b.wheel && !a.wheel) return shape_tyre(world, a, b, force_mode, true);
  return shape_shape(world, a, b, force_mode);
}

// A sphere holding every part's bounding sphere (a tyre's reaches its
// core circle plus tube): around the frame's origin, the farthest body
// origin plus the largest part radius. Looser than the tightest such
// sphere, but one square root. A bike missing a body gets an endless one.
struct BikeBound {
  Vec3 centre;
  double radius = std::numeric_limits<double>::infinity();
};

BikeBound bike_bound(const Bike& bike) {
  BikeBound bound;
  if (!bike.bodies[body_frame]) return bound;
  bound.centre = to_vec(dBodyGetPosition(bike.bodies[body_frame]));
  double far2 = 0, part = 0;
  for (int i = 0; i < bike_body_count; ++i) {
    if (!bike.bodies[i]) return {};
    Vec3 d = to_vec(dBodyGetPosition(bike.bodies[i])) - bound.centre;
    far2 = std::max(far2, dot(d, d));
    if (const CollisionShape* shape = bike.shapes[i].shape)
      part = std::max(part, shape->bounding_radius);
  }
  for (const WheelContact* w : {&bike.front_contact, &bike.rear_contact})
    part = std::max(part, double(w->core_radius) + double(w->tube_radius));
  bound.radius = std::sqrt(far2) + part;
  return bound;
}

int part_bit(int index) {
  switch (index) {
    case body_frame:
      return 1;
    case body_front_wheel:
      return 2;
    case body_rear_wheel:
      return 4;
    case body_fork_upper:
      return 8;
    case body_fork_lower:
      return 16;
    case body_swingarm:
      return 32;
    default:
      return 64;
  }
}

constexpr int front_bits = 2 | 16;
constexpr int back_bits = 1 | 4 | 32 | 64;

double speed(const Bike& bike) {
  return length(to_vec(dBodyGetLinearVel(bike.bodies[body_frame])));
}

void raise_timer(Bike& bike, float at_least) {
  if (speed(bike) >= 5) bike.collision_timer = std::max(bike.collision_timer, at_least);
}

}  // namespace

bool shape_contacts_between(Bike& a, int part_a, Bike& b, int part_b, bool force_mode) {
  Part pa = bike_part(a, part_a);
  Part pb = bike_part(b, part_b);
  return part_part(*a.world, pa, pb, force_mode);
}

namespace {

// A bike as the pair tests see it: its bounding sphere and its part
// records. Contacts move no body, so the records, with the centres that
// `refresh` brings up to date in them, hold for a whole pass over the
// pairs: each part's centres are placed once, whatever the number of
// neighbours.
struct BikeParts {
  BikeBound bound;
  std::array<Part, bike_body_count> parts;
};

BikeParts bike_parts(Bike& bike) {
  BikeParts p;
  p.bound = bike_bound(bike);
  for (int i = 0; i < bike_body_count; ++i) p.parts[i] = bike_part(bike, i);
  return p;
}

// `bike_contacts` with both bikes' records at hand.
bool pair_contacts(Bike& a, BikeParts& a_parts, Bike& b, BikeParts& b_parts, bool restricted,
                   int tick) {
  if (&a == &b || !a.world) return false;
  // Most pairs in a race are far apart: no part test could touch.
  const BikeBound &ba = a_parts.bound, &bb = b_parts.bound;
  if (apart(ba.centre, ba.radius, bb.centre, bb.radius)) return false;
  bool force_mode = a.last_collision_tick == tick || b.last_collision_tick == tick;
  std::array<Part, bike_body_count>&pa = a_parts.parts, &pb = b_parts.parts;
  int hit_b = 0, front_a = 0;
  for (int i = 0; i < bike_body_count; ++i) {
    if (!pa[i].copy && !pa[i].wheel) continue;
    bool a_front = i == body_front_wheel || i == body_fork_upper || i == body_fork_lower;
    for (int j = 0; j < bike_body_count; ++j) {
      if (!a_front && restricted && !(part_bit(j) & back_bits)) continue;
      if (!part_part(*a.world, pa[i], pb[j], force_mode)) continue;
      hit_b |= part_bit(j);
      if (part_bit(i) & front_bits) front_a |= part_bit(i);
    }
  }
  if (!hit_b) return false;
  if (front_a & hit_b) {
    raise_timer(a, 192);
    raise_timer(b, 192);
  } else if (front_a) {
    raise_timer(a, 256);
  } else if (hit_b & front_bits) {
    raise_timer(b, 256);
  }
  a.last_collision_tick = b.last_collision_tick = tick;
  return true;
}

}  // namespace

bool bike_contacts(Bike& a, Bike& b, bool restricted, int tick) {
  if (&a == &b || !a.world) return false;
  BikeParts pa = bike_parts(a), pb = bike_parts(b);
  return pair_contacts(a, pa, b, pb, restricted, tick);
}

void crowd_contacts(std::span<Bike* const> bikes, int tick) {
  // A session has 40 slots; a larger crowd makes the records of the rest
  // per pair.
  constexpr std::size_t held = 64;
  std::array<BikeParts, held> records;
  for (std::size_t i = 0; i < std::min(bikes.size(), held); ++i)
    records[i] = bike_parts(*bikes[i]);
  BikeParts spare_i, spare_j;
  for (std::size_t i = 0; i < bikes.size(); ++i) {
    BikeParts& ri = i < held ? records[i] : (spare_i = bike_parts(*bikes[i]));
    for (std::size_t j = i + 1; j < bikes.size(); ++j) {
      BikeParts& rj = j < held ? records[j] : (spare_j = bike_parts(*bikes[j]));
      pair_contacts(*bikes[i], ri, *bikes[j], rj, false, tick);
    }
  }
}

namespace {

// `object_contacts` once the statue is known to have a shape and the bike
// a world, with the bike's bounding sphere already at hand.
bool statue_contacts(Bike& bike, const BikeBound& bound, const Statue& statue) {
  Part object = statue_part(statue);
  if (apart(object.centre, object.bounding_radius, bound.centre, bound.radius)) return false;
  bool touched = false;
  bool rider_hit = false;
  for (int i = 0; i < bike_body_count; ++i) {
    Part part = bike_part(bike, i);
    bool t = part_part(*bike.world, object, part, false);
    touched = touched || t;
    if (i == body_rider) rider_hit = t;
  }
  if (rider_hit && bike.crash_counter < 1 && bike.collision_timer >= 0 &&
      length(to_vec(dBodyGetLinearVel(bike.bodies[body_rider]))) > 20)
    crash(bike);
  return touched;
}

// Whether `index` is also listed in a bucket of the walk (rows z0.., columns
// x0..x1) visited before bucket (kz, kx).
bool listed_before(const SceneryGrid& grid, int index, int x0, int x1, int z0, int kz, int kx) {
  for (int z = z0; z <= kz; ++z) {
    for (int x = x0; x <= (z == kz ? kx - 1 : x1); ++x) {
      const std::vector<int>& bucket = grid.buckets[z * kSceneryGridSize + x];
      if (std::find(bucket.begin(), bucket.end(), index) != bucket.end()) return true;
    }
  }
  return false;
}

}  // namespace

bool object_contacts(Bike& bike, const Statue& statue) {
  if (!statue.shape || statue.shape->spheres.empty() || !bike.world) return false;
  return statue_contacts(bike, bike_bound(bike), statue);
}

int environment_contacts(Bike& bike, const Terrain& terrain, std::vector<Statue>& statues,
                         const SceneryGrid& grid, int tick) {
  int result = terrain_contacts(bike, terrain);
  if (result & terrain_rider_crash) crash(bike);
  if (statues.empty() || !bike.world) return result;
  Vec3 p = to_vec(dBodyGetPosition(bike.bodies[body_frame]));
  double extent = terrain.field.extent;
  int x0 = scenery_bucket(p.x - 6, extent), x1 = scenery_bucket(p.x + 6, extent);
  int z0 = scenery_bucket(p.z - 6, extent), z1 = scenery_bucket(p.z + 6, extent);
  const BikeBound bound = bike_bound(bike);
  for (int kz = z0; kz <= z1; ++kz) {
    for (int kx = x0; kx <= x1; ++kx) {
      for (int index : grid.buckets[kz * kSceneryGridSize + kx]) {
        if (index < 0 || static_cast<std::size_t>(index) >= statues.size()) continue;
        Statue& statue = statues[index];
        if (!statue.shape || statue.shape->spheres.empty()) continue;
        // A statue in several buckets is tested once, in the first.
        if ((kz > z0 || kx > x0) && listed_before(grid, index, x0, x1, z0, kz, kx)) continue;
        if (statue_contacts(bike, bound, statue)) statue.last_hit_tick = tick;
      }
    }
  }
  return result;
}
