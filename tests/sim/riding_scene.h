#pragma once
// A headless riding scene for scenario tests and benchmarks: bikes on a
// flat field (with statues, if a test adds them), run tick by tick in the
// game's order: every bike's environment contacts, every pair's bike
// contacts, the world step, then every bike's control step.
//
// Bikes get the user's default rider aids (dab when stopped among them), so
// the control step's aids keep them upright; nothing else holds them.

#include <cmath>
#include <utility>
#include <vector>

#include "sim/assembly.h"
#include "sim/bike.h"
#include "sim/collisions.h"
#include "sim/control_step.h"
#include "sim/drivetrain.h"
#include "sim/rider_setup.h"
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
  std::vector<Statue> statues;
  SceneryGrid grid;
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

  // A bike of `model` at (x, z), facing -z, standing on its tyres, with the
  // default aids (`aids` false: a bike with none of the user's aids, not
  // even dab when stopped).
  Bike& add_bike(const char* model, double x, double z, bool aids = true) {
    Bike* bike = create_bike(world, model, static_cast<int>(bikes.size()), "1");
    move_bike(*bike, {x, 0, z});
    if (aids) apply_rider_aids(*bike, {});
    bikes.push_back(bike);
    return *bike;
  }

  // A statue of `shape` standing at (x, z) on the field.
  void add_statue(const CollisionShape* shape, double x, double z) {
    Statue statue;
    statue.position = {x, 0, z};
    statue.shape = shape;
    statues.push_back(statue);
    build_scenery_grid(grid, statues, terrain.field.extent);
  }

  ControlContext context() const {
    ControlContext c;
    c.tick = tick;
    c.terrain = &terrain;
    return c;
  }

  void step() {
    for (Bike* bike : bikes) environment_contacts(*bike, terrain, statues, grid, tick);
    for (std::size_t a = 0; a < bikes.size(); ++a)
      for (std::size_t b = a + 1; b < bikes.size(); ++b)
        bike_contacts(*bikes[a], *bikes[b], false, tick);
    step_world(world);
    ++tick;
    ControlContext c = context();
    for (Bike* bike : bikes) control_step(*bike, c);
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
