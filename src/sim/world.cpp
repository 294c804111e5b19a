#include "sim/world.h"

void create_world(PhysicsWorld& world) {
  // ODE counts its initialisations, so every world may pair one with
  // dCloseODE in destroy_world.
  dInitODE2(0);
  world.world = dWorldCreate();
  dWorldSetGravity(world.world, 0, gravity_y, 0);
  world.contacts = dJointGroupCreate(0);
}

void destroy_world(PhysicsWorld& world) {
  if (!world.world) return;
  dJointGroupDestroy(world.contacts);
  dWorldDestroy(world.world);
  world = PhysicsWorld{};
  dCloseODE();
}

void step_world(PhysicsWorld& world) {
  dWorldStep(world.world, step_length);
  dJointGroupEmpty(world.contacts);
}

void set_soft_contact(dSurfaceParameters& surface, double kp, double kd) {
  surface.mode |= dContactSoftERP | dContactSoftCFM;
  surface.soft_erp = soft_erp(kp, kd);
  surface.soft_cfm = soft_cfm(kp, kd);
}
