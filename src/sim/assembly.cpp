#include "sim/assembly.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "track/height_field.h"

namespace {

constexpr double pi = std::numbers::pi;

Vec3 body_position(dBodyID body) {
  const dReal* p = dBodyGetPosition(body);
  return {p[0], p[1], p[2]};
}

// Model positions of the bodies, in body order.
std::array<Vec3f, bike_body_count> model_positions(const BikeModel& m) {
  return {m.frame_pos,      m.front_wheel_pos, m.rear_wheel_pos, m.steer_pos,
          m.fork_lower_pos, m.swingarm_pos,    m.rider_pos};
}

// ODE puts the body's origin at the centre of mass and insists the mass's
// centre be there; the symmetric sums below leave only rounding residue.
void centre_mass(dMass& mass) { mass.c[0] = mass.c[1] = mass.c[2] = 0; }

// A hub sphere plus 16 tyre-radius spheres around the rim.
dMass wheel_mass(float hub_mass, float hub_radius, float rim_mass, float rim_radius,
                 float tyre_radius) {
  dMass total;
  dMassSetSphereTotal(&total, hub_mass, hub_radius);
  dMass rim;
  dMassSetSphereTotal(&rim, rim_mass / 16, tyre_radius);
  dMassTranslate(&rim, 0, rim_radius, 0);
  dMassAdd(&total, &rim);
  dMatrix3 turn;
  dRFromAxisAndAngle(turn, 1, 0, 0, pi / 8);
  for (int i = 1; i < 16; ++i) {
    dMassRotate(&rim, turn);
    dMassAdd(&total, &rim);
  }
  centre_mass(total);
  return total;
}

// Two legs sharing the fork mass, turned to lie along the steering axis.
dMass fork_mass(const BikeModel& m) {
  dMass total, leg;
  dMassSetCylinderTotal(&total, m.fork_mass / 2, 2, m.fork_width / 8, m.fork_length * 2 / 3);
  dMassTranslate(&total, m.fork_width / 2, 0, 0);
  dMassSetCylinderTotal(&leg, m.fork_mass / 2, 2, m.fork_width / 8, m.fork_length * 2 / 3);
  dMassTranslate(&leg, -m.fork_width / 2, 0, 0);
  dMassAdd(&total, &leg);
  dMatrix3 turn;
  dRFromAxisAndAngle(
      turn, 1, 0, 0,
      std::atan2((m.steer_pos.z - m.fork_lower_pos.z) / (m.steer_pos.y - m.fork_lower_pos.y),
                 1.0f));
  dMassRotate(&total, turn);
  centre_mass(total);
  return total;
}

// Two boxes, each of the full swingarm mass, along the arm from pivot to axle.
dMass swingarm_mass(const BikeModel& m) {
  Vec3f arm = m.rear_wheel_pos - m.swingarm_pivot;
  float side = m.frame_size.x / 4;
  dMass total, box;
  dMassSetBoxTotal(&total, m.swingarm_mass, side, side, length(arm));
  dMassTranslate(&total, m.frame_size.x / 2, 0, 0);
  dMassSetBoxTotal(&box, m.swingarm_mass, side, side, length(arm));
  dMassTranslate(&box, -m.frame_size.x / 2, 0, 0);
  dMassAdd(&total, &box);
  dMatrix3 turn;
  dRFromAxisAndAngle(turn, 1, 0, 0, -std::atan2(arm.y / arm.z, 1.0f));
  dMassRotate(&total, turn);
  centre_mass(total);
  return total;
}

void set_frame_and_rider_masses(Bike& bike) {
  const BikeModel& m = bike.model;
  float d = bike.rider.mass_distribution;
  dMass mass;
  dMassSetBoxTotal(&mass, m.frame_mass + (1 - d) * m.rider_mass, m.frame_size.x, m.frame_size.y,
                   m.frame_size.z);
  dBodySetMass(bike.bodies[body_frame], &mass);
  dMassSetSphereTotal(&mass, d * m.rider_mass, 1);
  dBodySetMass(bike.bodies[body_rider], &mass);
}

Vec3f steering_axis(const BikeModel& m) { return m.steer_pos - m.fork_lower_pos; }

// Anchor and axes of the rider mount for the frame's current pose. The
// anchor lies 50 ft ahead at rider height, so turning about axis 2 moves the
// rider almost straight up and down.
void place_rider_mount(Bike& bike) {
  const BikeModel& m = bike.model;
  dJointID mount = bike.joints[joint_rider_mount];
  dBodyID frame = bike.bodies[body_frame];
  dVector3 anchor, axis1, axis2;
  dBodyGetRelPointPos(frame, 0 - m.frame_pos.x, m.rider_pos.y - m.frame_pos.y, -50 - m.frame_pos.z,
                      anchor);
  dBodyVectorToWorld(frame, 0, 1, 1, axis1);
  dBodyVectorToWorld(frame, 1, 0, 0, axis2);
  dJointSetHinge2Anchor(mount, anchor[0], anchor[1], anchor[2]);
  dJointSetHinge2Axes(mount, axis1, axis2);
  dJointSetHinge2Param(mount, dParamLoStop, 0);
  dJointSetHinge2Param(mount, dParamHiStop, 0);
  dJointSetHinge2Param(mount, dParamSuspensionERP, 0);
  dJointSetHinge2Param(mount, dParamSuspensionCFM, 1 / (bike.rider.fore_aft_damping * 30 + 5));
}

}  // namespace

void build_bike(Bike& bike) {
  const BikeModel& m = bike.model;
  dWorldID world = bike.world->world;
  auto positions = model_positions(m);
  for (int i = 0; i < bike_body_count; ++i) {
    bike.bodies[i] = dBodyCreate(world);
    dBodySetPosition(bike.bodies[i], positions[i].x, positions[i].y, positions[i].z);
  }

  set_frame_and_rider_masses(bike);
  dMass mass = wheel_mass(m.front_hub_mass, m.front_hub_radius, m.front_rim_mass,
                          m.front_rim_radius, m.front_tyre_radius);
  dBodySetMass(bike.bodies[body_front_wheel], &mass);
  mass = wheel_mass(m.rear_hub_mass, m.rear_hub_radius, m.rear_rim_mass, m.rear_rim_radius,
                    m.rear_tyre_radius);
  dBodySetMass(bike.bodies[body_rear_wheel], &mass);
  mass = fork_mass(m);
  dBodySetMass(bike.bodies[body_fork_upper], &mass);
  dBodySetMass(bike.bodies[body_fork_lower], &mass);
  mass = swingarm_mass(m);
  dBodySetMass(bike.bodies[body_swingarm], &mass);
  dBodySetFiniteRotationMode(bike.bodies[body_front_wheel], 1);
  dBodySetFiniteRotationMode(bike.bodies[body_rear_wheel], 1);

  const auto& b = bike.bodies;
  Vec3f steer = steering_axis(m);

  dJointID j = dJointCreateHinge(world, nullptr);
  dJointAttach(j, b[body_fork_lower], b[body_front_wheel]);
  dJointSetHingeAnchor(j, m.front_wheel_pos.x, m.front_wheel_pos.y, m.front_wheel_pos.z);
  dJointSetHingeAxis(j, 1, 0, 0);
  bike.joints[joint_front_axle] = j;

  j = dJointCreateHinge(world, nullptr);
  dJointAttach(j, b[body_swingarm], b[body_rear_wheel]);
  dJointSetHingeAnchor(j, m.rear_wheel_pos.x, m.rear_wheel_pos.y, m.rear_wheel_pos.z);
  dJointSetHingeAxis(j, 1, 0, 0);
  bike.joints[joint_rear_axle] = j;

  j = dJointCreateHinge(world, nullptr);
  dJointAttach(j, b[body_fork_upper], b[body_frame]);
  dJointSetHingeAnchor(j, m.steer_pos.x, m.steer_pos.y, m.steer_pos.z);
  dJointSetHingeAxis(j, steer.x, steer.y, steer.z);
  dJointSetHingeParam(j, dParamLoStop, -pi / 4);
  dJointSetHingeParam(j, dParamHiStop, pi / 4);
  bike.joints[joint_steering_head] = j;

  j = dJointCreateSlider(world, nullptr);
  dJointAttach(j, b[body_fork_upper], b[body_fork_lower]);
  dJointSetSliderAxis(j, steer.x, steer.y, steer.z);
  dJointSetSliderParam(j, dParamBounce, 0);
  dJointSetSliderParam(j, dParamLoStop, -m.fork_travel);
  dJointSetSliderParam(j, dParamHiStop, 0);
  bike.joints[joint_fork_slide] = j;

  j = dJointCreateHinge(world, nullptr);
  dJointAttach(j, b[body_swingarm], b[body_frame]);
  dJointSetHingeAnchor(j, m.swingarm_pivot.x, m.swingarm_pivot.y, m.swingarm_pivot.z);
  dJointSetHingeAxis(j, 1, 0, 0);
  dJointSetHingeParam(j, dParamBounce, 0);
  dJointSetHingeParam(j, dParamLoStop, -m.swingarm_travel);
  dJointSetHingeParam(j, dParamHiStop, 0);
  bike.joints[joint_swingarm_pivot] = j;

  bike.joints[joint_rider_mount] = dJointCreateHinge2(world, nullptr);
  attach_rider_mount(bike);

  for (int i = 0; i < bike_joint_count; ++i)
    dJointSetFeedback(bike.joints[i], &bike.joint_feedback[i]);

  bike.front_contact.body = b[body_front_wheel];
  bike.front_contact.core_radius = m.front_rim_radius;
  bike.front_contact.tube_radius = m.front_tyre_radius;
  bike.rear_contact.body = b[body_rear_wheel];
  bike.rear_contact.core_radius = m.rear_rim_radius;
  bike.rear_contact.tube_radius = m.rear_tyre_radius;
}

void unbuild_bike(Bike& bike) {
  for (dJointID& j : bike.joints) {
    if (j) dJointDestroy(j);
    j = nullptr;
  }
  for (dBodyID& b : bike.bodies) {
    if (b) dBodyDestroy(b);
    b = nullptr;
  }
  bike.front_contact.body = bike.rear_contact.body = nullptr;
}

void reset_bike(Bike& bike) {
  auto positions = model_positions(bike.model);
  dMatrix3 identity;
  dRSetIdentity(identity);
  for (int i = 0; i < bike_body_count; ++i) {
    dBodyID body = bike.bodies[i];
    dBodySetPosition(body, positions[i].x, positions[i].y, positions[i].z);
    dBodySetRotation(body, identity);
    dBodySetLinearVel(body, 0, 0, 0);
    dBodySetAngularVel(body, 0, 0, 0);
  }
  clear_bike_forces(bike);
  attach_rider_mount(bike);

  bike.throttle = bike.clutch = bike.front_brake = bike.rear_brake = 0;
  bike.steer = bike.dab = bike.foot_down = bike.back_up = bike.lean = 0;
  bike.gear = 0;
  bike.last_shift = 0;
  bike.drivetrain_angle = 0;
  bike.engine_speed = 0;
  bike.crash_counter = 0;
  bike.collision_timer = 0;
  bike.last_collision_tick = -1;
  bike.loose_feet = {};
  bike.steering_torque = 0;
  bike.landing_factor = 1;
  bike.mishap = 0;
  bike.rider_velocity_ring = {};
  bike.joint_feedback = {};
  for (int i = 0; i < bike_body_count; ++i) bike.start_positions[i] = body_position(bike.bodies[i]);
}

void move_bike(Bike& bike, Vec3 offset) {
  for (dBodyID body : bike.bodies) {
    Vec3 p = body_position(body) + offset;
    dBodySetPosition(body, p.x, p.y, p.z);
  }
}

void turn_bike(Bike& bike, Vec3 axis, double angle) {
  dMatrix3 turn;
  dRFromAxisAndAngle(turn, axis.x, axis.y, axis.z, angle);
  for (dBodyID body : bike.bodies) {
    dVector3 p;
    const dReal* q = dBodyGetPosition(body);
    dMultiply0_331(p, turn, q);
    dBodySetPosition(body, p[0], p[1], p[2]);
    dBodySetRotation(body, turn);
  }
}

void attach_rider_mount(Bike& bike) {
  dJointAttach(bike.joints[joint_rider_mount], bike.bodies[body_rider], bike.bodies[body_frame]);
  place_rider_mount(bike);
}

void detach_rider_mount(Bike& bike) {
  dJointAttach(bike.joints[joint_rider_mount], nullptr, nullptr);
}

void disable_bike(Bike& bike) {
  for (dBodyID body : bike.bodies) dBodyDisable(body);
}

void enable_bike(Bike& bike) {
  for (dBodyID body : bike.bodies) dBodyEnable(body);
}

void set_rider_mass_distribution(Bike& bike, float d) {
  bike.rider.mass_distribution = std::clamp(d, 0.33f, 0.5f);
  set_frame_and_rider_masses(bike);
}

void hold_velocities(Bike& bike) {
  for (int i = 0; i < bike_body_count; ++i) {
    const dReal* v = dBodyGetLinearVel(bike.bodies[i]);
    const dReal* w = dBodyGetAngularVel(bike.bodies[i]);
    bike.held_linear[i] = {v[0], v[1], v[2]};
    bike.held_angular[i] = {w[0], w[1], w[2]};
  }
}

void restore_velocities(Bike& bike) {
  for (int i = 0; i < bike_body_count; ++i) {
    const Vec3& v = bike.held_linear[i];
    const Vec3& w = bike.held_angular[i];
    dBodySetLinearVel(bike.bodies[i], v.x, v.y, v.z);
    dBodySetAngularVel(bike.bodies[i], w.x, w.y, w.z);
  }
}

void coast_bike(Bike& bike, int ticks, const HeightField& field) {
  ticks = std::min(ticks, 64);
  const dReal* v = dBodyGetLinearVel(bike.bodies[body_frame]);
  Vec3 advance = Vec3{v[0], v[1], v[2]} * (ticks * step_length);
  for (int i = 0; i < bike_body_count; ++i) {
    Vec3 p = bike.state_positions[i] + advance;
    dBodySetPosition(bike.bodies[i], p.x, p.y, p.z);
  }
  dVector3 up;
  dBodyVectorToWorld(bike.bodies[body_frame], 0, 1, 0, up);
  Vec3 lowest = body_position(bike.bodies[body_rear_wheel]) -
                Vec3{up[0], up[1], up[2]} * bike.model.rear_rim_radius;
  double ground = height_at(field, lowest.x, lowest.z);
  if (lowest.y < ground) move_bike(bike, {0, ground - lowest.y, 0});
}

void clear_bike_forces(Bike& bike) {
  for (dBodyID body : bike.bodies) {
    dBodySetForce(body, 0, 0, 0);
    dBodySetTorque(body, 0, 0, 0);
  }
}

double bike_mass(const Bike& bike) {
  double total = 0;
  for (dBodyID body : bike.bodies) {
    dMass m;
    dBodyGetMass(body, &m);
    total += m.mass;
  }
  return total;
}
