#include "sim/control_step.h"

#include "sim/body_math.h"

#include <cmath>

#include "sim/assembly.h"
#include "sim/crash.h"
#include "sim/drivetrain.h"
#include "sim/rider_aids.h"
#include "sim/steering.h"
#include "sim/suspension.h"

namespace {

void step_collision_timer(Bike& bike) {
  float& t = bike.collision_timer;
  t = t > 0 ? t - 1 : t < 0 ? t + 1 : 0;
  if (t > -1 && t < 1) t = 0;
}

// Resists the front wheel turning about anything but its axle: this is what
// damps the steering head.
void steering_damping(Bike& bike) {
  dBodyID wheel = bike.bodies[body_front_wheel];
  Vec3 w = to_vec(dBodyGetAngularVel(wheel));
  dVector3 axle;
  dJointGetHingeAxis(bike.joints[joint_front_axle], axle);
  Vec3 a = to_vec(axle);
  Vec3 t = (a * dot(w, a) - w) * double(bike.stability.steering_damping);
  dBodyAddTorque(wheel, t.x, t.y, t.z);
  dBodyAddTorque(bike.bodies[body_frame], -t.x, -t.y, -t.z);
}

// Cancels whatever net push the joints gave the bike as a whole in the last
// step: the joints' forces and torques summed over both bodies of each, with
// their moments about the frame's centre.
void joint_force_correction(Bike& bike) {
  Vec3 centre = to_vec(dBodyGetPosition(bike.bodies[body_frame]));
  Vec3 force{}, torque{};
  for (int i = 0; i < bike_joint_count; ++i) {
    dJointID joint = bike.joints[i];
    dBodyID b1 = dJointGetBody(joint, 0), b2 = dJointGetBody(joint, 1);
    if (!b1 || !b2) return;  // the rider is loose
    const dJointFeedback& fb = bike.joint_feedback[i];
    Vec3 f1 = to_vec(fb.f1), f2 = to_vec(fb.f2);
    force = force + f1 + f2;
    torque = torque + to_vec(fb.t1) + to_vec(fb.t2) +
             cross(to_vec(dBodyGetPosition(b1)) - centre, f1) +
             cross(to_vec(dBodyGetPosition(b2)) - centre, f2);
  }
  if (!std::isfinite(dot(force, force) + dot(torque, torque))) return;
  dBodyID frame = bike.bodies[body_frame];
  dBodyAddForce(frame, -force.x, -force.y, -force.z);
  dBodyAddTorque(frame, -torque.x, -torque.y, -torque.z);
}

}  // namespace

void control_step(Bike& bike, const ControlContext& context, bool simulated) {
  if (!simulated) {
    clear_bike_forces(bike);
    // Only the drawing reads the loose feet of a state-driven rider.
    feet_step(bike, context.terrain);
    return;
  }
  const int tick = context.tick;
  step_collision_timer(bike);
  crash_tests(bike, tick);
  if (bike.crash_counter > 0) crash_step(bike);

  // The aids may press dab and the brakes for this step only.
  const float dab = bike.dab, front_brake = bike.front_brake, rear_brake = bike.rear_brake;
  backup_or_hold(bike, context);
  rider_springs(bike);
  suspension_step(bike);
  bike.steering_torque = static_cast<float>(steering_step(bike));
  drivetrain_step(bike, tick);
  steering_damping(bike);
  if (tick >= 2 && bike.crash_counter <= 0) joint_force_correction(bike);
  foot_down(bike, context);
  bike.dab = dab;
  bike.front_brake = front_brake;
  bike.rear_brake = rear_brake;
  feet_step(bike, context.terrain);

  const dReal* v = dBodyGetLinearVel(bike.bodies[body_rider]);
  bike.rider_velocity_ring[tick & 3] = {v[0], v[1], v[2]};
}
