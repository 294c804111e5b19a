#include "sim/world.h"

#include <cstdarg>
#include <cstdio>

#include "platform/log.h"

namespace {

// ODE reports solver trouble it recovers from (an LCP step that did not
// converge when bodies are placed into each other) on standard error.
// Those notes belong in the log at debug level, not in a runner's output.
void log_ode_message(int number, const char* format, va_list args) {
  if (debug_level < 1) return;
  char text[512];
  std::vsnprintf(text, sizeof text, format, args);
  korb_log("ODE message %d: %s\n", number, text);
}

}  // namespace

void create_world(PhysicsWorld& world) {
  // ODE counts its initialisations, so every world may pair one with
  // dCloseODE in destroy_world.
  dInitODE2(0);
  dSetMessageHandler(log_ode_message);
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
