#pragma once
// A headless riding scene for scenario tests and benchmarks: bikes on a
// flat field, run tick by tick in the game's order (terrain contacts, world
// step, then each bike's suspension and drivetrain).
//
// The rider's balance, steering aids and seat springs belong to the rider
// controls, which this scene does not run. In their place each bike can be
// held by a jig: a motor that stops the frame rolling, a light hold on the
// steering head, and a locked rider mount. The jig only keeps the bike
// upright and straight; it neither drives nor brakes it.

#include <cmath>
#include <utility>
#include <vector>

#include "sim/assembly.h"
#include "sim/bike.h"
#include "sim/drivetrain.h"
#include "sim/suspension.h"
#include "sim/terrain_contacts.h"
#include "sim/world.h"
#include "track/terrain.h"

// A flat field of 2^(shift+1) + 1 samples per side at height 0, with the
// default surface.
inline Terrain flat_terrain(int shift = 7, float spacing = 4) {
  Terrain terrain;
  set_height_field_geometry(terrain.field, shift, spacing);
  terrain.field.heights.assign(static_cast<std::size_t>(terrain.field.size) * terrain.field.size,
                               0.0f);
  return terrain;
}

struct RidingScene {
  PhysicsWorld world;
  Terrain terrain;
  std::vector<Bike*> bikes;
  std::vector<dJointID> jigs;  // one roll motor per held bike
  int tick = 0;

  explicit RidingScene(Terrain field = flat_terrain()) : terrain(std::move(field)) {
    create_world(world);
  }
  ~RidingScene() {
    for (Bike* bike : bikes) destroy_bike(bike);
    destroy_world(world);
  }
  RidingScene(const RidingScene&) = delete;
  RidingScene& operator=(const RidingScene&) = delete;

  // A bike of `model` at (x, z), facing -z, standing on its tyres.
  Bike& add_bike(const char* model, double x, double z, bool jig = true) {
    Bike* bike = create_bike(world, model, static_cast<int>(bikes.size()), "1");
    move_bike(*bike, {x, 0, z});
    bikes.push_back(bike);
    if (jig) hold_upright(*bike);
    return *bike;
  }

  void hold_upright(Bike& bike) {
    dJointID roll = dJointCreateAMotor(world.world, nullptr);
    dJointAttach(roll, bike.bodies[body_frame], nullptr);
    dJointSetAMotorNumAxes(roll, 1);
    dJointSetAMotorAxis(roll, 0, 1, 0, 0, 1);  // the frame's own z axis
    dJointSetAMotorParam(roll, dParamVel, 0);
    dJointSetAMotorParam(roll, dParamFMax, 20000);
    jigs.push_back(roll);
    dJointSetHingeParam(bike.joints[joint_steering_head], dParamVel, 0);
    dJointSetHingeParam(bike.joints[joint_steering_head], dParamFMax, 50);
    // The rider's seat springs are the rider controls' job; here his mount
    // is held by its motor about axis 2 (up and down) and made stiff along
    // axis 1.
    dJointID mount = bike.joints[joint_rider_mount];
    dJointSetHinge2Param(mount, dParamVel2, 0);
    dJointSetHinge2Param(mount, dParamFMax2, 1e6);
    dJointSetHinge2Param(mount, dParamSuspensionERP, 0.2);
    dJointSetHinge2Param(mount, dParamSuspensionCFM, 1e-5);
  }

  void step() {
    for (Bike* bike : bikes) terrain_contacts(*bike, terrain);
    step_world(world);
    ++tick;
    for (Bike* bike : bikes) {
      suspension_step(*bike);
      drivetrain_step(*bike, tick);
    }
  }

  void run(int ticks) {
    for (int i = 0; i < ticks; ++i) step();
  }
};

// Speed of the bike's frame, ft/s.
inline double frame_speed(const Bike& bike) {
  const dReal* v = dBodyGetLinearVel(bike.bodies[body_frame]);
  return std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
}

constexpr double ft_per_s_per_mph = 1.4666667;
