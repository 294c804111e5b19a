#include "sim/crash.h"

#include "sim/body_math.h"

#include <algorithm>
#include <cmath>

#include "sim/assembly.h"
#include "sim/collisions.h"
#include "sim/steering.h"
#include "sim/world.h"

namespace {

Vec3 world_point(dBodyID body, Vec3 local) {
  dVector3 p;
  dBodyGetRelPointPos(body, local.x, local.y, local.z, p);
  return to_vec(p);
}

// A rope of length `length` from body a's point to body b's point: slack
// inside, a stiff spring pulling a toward b beyond.
void tether(Bike& bike, dBodyID a, Vec3 a_local, dBodyID b, Vec3 b_local, double length) {
  Vec3 pa = world_point(a, a_local);
  Vec3 pb = world_point(b, b_local);
  Vec3 d = pb - pa;
  double n = std::sqrt(dot(d, d));
  if (!(n > length)) return;
  // The normal is the separation itself, not made unit: a longer stretch
  // pulls harder.
  dContact c = contact_at(pa, d, n - length);
  c.surface.mu = 0;
  set_soft_contact(c.surface, 5000, 500);
  dJointID j = dJointCreateContact(bike.world->world, bike.world->contacts, &c);
  dJointAttach(j, a, b);
}

Vec3 foot_local(const Bike& bike, int side) {
  const RiderPose& pose = bike.model.rider_pose;
  return to_vec3(side == 0 ? pose.left_foot : pose.right_foot);
}

Vec3 hip_local(const Bike& bike, int side) {
  const RiderPose& pose = bike.model.rider_pose;
  return to_vec3(side == 0 ? pose.left_hip : pose.right_hip);
}

Vec3 seat_local(const Bike& bike) {
  return to_vec3(bike.model.rider_pos) - to_vec3(bike.model.frame_pos);
}

void reel_in(Bike& bike) {
  dBodyID rider = bike.bodies[body_rider];
  dBodyID frame = bike.bodies[body_frame];
  double l = std::clamp((bike.crash_counter - 128) / 384.0, 0.0, 1.0) * 5;
  Vec3 seat = seat_local(bike);
  for (Vec3 shift : {Vec3{0, 0, 0}, Vec3{-5, 10, 0}, Vec3{5, 10, 0}})
    tether(bike, rider, shift, frame, seat + shift, l);
  if (bike.crash_counter >= 320) return;
  // The foot on the side the bike leans to goes back to its peg.
  int side = roll_angle(frame) < 0 ? 1 : 0;
  Bike::LooseFoot& foot = bike.loose_feet[side];
  Vec3 peg = world_point(frame, foot_local(bike, side) + Vec3{0, 3, 1});
  Vec3 d = peg - foot.position;
  double n = std::sqrt(dot(d, d));
  double reach = 4 * step_length;
  foot.position = n > reach ? foot.position + d * (reach / n) : peg;
}

void reattach(Bike& bike) {
  dBodyID rider = bike.bodies[body_rider];
  dBodyID frame = bike.bodies[body_frame];
  Vec3 seat = world_point(frame, seat_local(bike));
  dBodySetPosition(rider, seat.x, seat.y, seat.z);
  dBodySetRotation(rider, dBodyGetRotation(frame));
  const dReal* v = dBodyGetLinearVel(frame);
  dBodySetLinearVel(rider, v[0], v[1], v[2]);
  const dReal* w = dBodyGetAngularVel(frame);
  dBodySetAngularVel(rider, w[0], w[1], w[2]);
  attach_rider_mount(bike);
}

void keep_above_ground(Bike::LooseFoot& foot, const Terrain* terrain, bool stop) {
  if (!terrain || terrain->field.heights.empty()) return;
  double floor = height_at(terrain->field, foot.position.x, foot.position.z) + 0.25;
  if (foot.position.y < floor) {
    foot.position.y = floor;
    if (stop) foot.velocity = {};
  }
}

}  // namespace

void place_loose_feet(Bike& bike) {
  dBodyID rider = bike.bodies[body_rider];
  dBodyID frame = bike.bodies[body_frame];
  for (int side = 0; side < 2; ++side) {
    Vec3 local = foot_local(bike, side);
    Bike::LooseFoot& foot = bike.loose_feet[side];
    foot.position = world_point(frame, local);
    dVector3 v;
    dBodyGetPointVel(rider, foot.position.x, foot.position.y, foot.position.z, v);
    foot.velocity = to_vec(v);
  }
}

void crash(Bike& bike) {
  if (bike.crash_counter > 0) return;
  detach_rider_mount(bike);
  place_loose_feet(bike);
  bike.crash_counter = 512;
  bike.throttle = bike.dab = bike.back_up = bike.lean = 0;
}

bool crash_tests(Bike& bike, int tick) {
  if (bike.crash_counter >= 1 || bike.collision_timer < 0) return false;
  dBodyID rider = bike.bodies[body_rider];
  Vec3 r = to_vec(dBodyGetPosition(rider));
  Vec3 v = to_vec(dBodyGetLinearVel(rider));
  dVector3 seat_v;
  dBodyGetPointVel(bike.bodies[body_frame], r.x, r.y, r.z, seat_v);
  Vec3 slip = v - to_vec(seat_v);
  bool torn_off = dot(slip, slip) > 31.0 * 31;
  // The ring holds the rider's velocity of four ticks ago only once four
  // steps have run; before that it is empty, and a bike placed moving must
  // not read as stopped dead.
  bool hard_stop = false;
  if (tick >= 4) {
    Vec3 a = (v - bike.rider_velocity_ring[tick & 3]) * 32.0 + Vec3{0, 32, 0};
    hard_stop = dot(a, a) > 1376.0 * 1376;
  }
  if (!torn_off && !hard_stop) return false;
  crash(bike);
  return true;
}

void crash_step(Bike& bike) {
  dBodyID rider = bike.bodies[body_rider];
  dBodyID fork = bike.bodies[body_fork_upper];
  const RiderPose& pose = bike.model.rider_pose;
  if (length(to_vec(dBodyGetLinearVel(rider))) >= 2) {
    double arm = (pose.upper_arm + pose.forearm) * 0.875;
    tether(bike, rider, to_vec3(pose.left_shoulder), fork, to_vec3(pose.left_grip), arm);
    tether(bike, rider, to_vec3(pose.right_shoulder), fork, to_vec3(pose.right_grip), arm);
    if (bike.crash_counter == 512) tether(bike, rider, {}, fork, {}, 8);
    // The rider must not pass through his own bike.
    shape_contacts_between(bike, body_rider, bike, body_frame, false);
    shape_contacts_between(bike, body_rider, bike, body_fork_upper, false);
  } else {
    --bike.crash_counter;
  }
  if (bike.crash_counter < 512) reel_in(bike);
  if (bike.crash_counter <= 0) {
    bike.crash_counter = 0;
    reattach(bike);
  }
}

void feet_step(Bike& bike, const Terrain* terrain) {
  bike.foot_down = std::max(0.0f, bike.foot_down - static_cast<float>(4 * step_length));
  if (bike.crash_counter <= 0) return;
  dBodyID rider = bike.bodies[body_rider];
  const RiderPose& pose = bike.model.rider_pose;
  double leg = pose.thigh + pose.shin;
  for (int side = 0; side < 2; ++side) {
    Bike::LooseFoot& foot = bike.loose_feet[side];
    foot.position = foot.position + foot.velocity * step_length;
    foot.velocity.y -= 32 * step_length;
    keep_above_ground(foot, terrain, true);
    foot.velocity = foot.velocity * 0.9375;
    Vec3 hip = world_point(rider, hip_local(bike, side));
    Vec3 d = foot.position - hip;
    double n = std::sqrt(dot(d, d));
    if (n > leg) foot.position = hip + d * (leg / n);
    if (!std::isfinite(foot.position.x + foot.position.y + foot.position.z)) {
      foot.position = hip;
      foot.velocity = {};
    }
    keep_above_ground(foot, terrain, false);
  }
}
