#include "sim/bike.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "platform/messages.h"
#include "sim/assembly.h"
#include "sim/drivetrain.h"
#include "sim/suspension.h"

namespace {

// The bike's own copy of a shape: radius, mu, kp and kd from the shared
// entry; the centres are overwritten with world centres by the contacts.
BikeShape copy_shape(const ModelFileName& file) {
  BikeShape copy;
  copy.shape = load_collision_shape(file.view());
  if (copy.shape) copy.spheres = copy.shape->spheres;
  return copy;
}

void set_default_settings(Bike& bike) {
  set_sprockets(bike, 0, 0);
  // Everything at the middle of its range, damping at the model's values.
  set_fork(bike, 1, 1, 0.5f, 0.5f, 0.5f);
  set_shock(bike, 1, 1, 0.5f, 0.5f);
  bike.stability = StabilitySettings{};
  // Stop-wheelies "Front Only" and front antilock until the user's set-up.
  bike.flags = flag_direct_steer_airborne | flag_stop_wheelies_front | flag_front_antilock;
}

}  // namespace

Bike* create_bike(PhysicsWorld& world, std::string_view model_name, int slot,
                  std::string_view number, const BikeTextureChoice& textures) {
  bool found = false;
  const BikeModel& model = lookup_bike_model(model_name, &found);
  if (!found) {
    char text[96];
    std::string requested(model_name.substr(0, 20));
    std::string chosen(model.name.substr(0, 20));
    std::snprintf(text, sizeof text, "bike info for '%.20s' not found using '%.20s' instead",
                  requested.c_str(), chosen.c_str());
    post_message(text);
  }

  Bike* bike = new Bike{.model = model};
  bike->world = &world;
  bike->textures = textures;

  const BikeModelFiles& f = model.files;
  bike->shapes[body_frame] = copy_shape(f.frame_shape);
  bike->shapes[body_fork_upper] = copy_shape(f.fork_upper_shape);
  bike->shapes[body_fork_lower] = copy_shape(f.fork_lower_shape);
  bike->shapes[body_swingarm] = copy_shape(f.swingarm_shape);
  bike->shapes[body_rider] = copy_shape(f.rider_shape);
  bike->shapes[body_front_wheel] = copy_shape(f.front_wheel_shape);
  bike->shapes[body_rear_wheel] = copy_shape(f.rear_wheel_shape);

  std::size_t n = std::min(number.size(), sizeof bike->number_text - 1);
  std::copy_n(number.data(), n, bike->number_text);

  build_bike(*bike);
  bike->engine_inertia = model.engine_inertia;
  set_default_settings(*bike);
  reset_bike(*bike);
  bike->total_mass = bike_mass(*bike);
  bike->slot = slot;
  return bike;
}

void destroy_bike(Bike* bike) {
  if (!bike) return;
  unbuild_bike(*bike);
  delete bike;
}

void apply_bike_setup(Bike& bike, const BikeSetup& setup) {
  set_sprockets(bike, setup.front_sprocket_change, setup.rear_sprocket_change);
  set_brake_torques(bike, setup.front_brake_torque, setup.rear_brake_torque);
  set_auto_clutch_rpm(bike, setup.auto_clutch_rpm);
  std::uint8_t flags = bike.flags & ~(flag_stop_wheelies_rear | flag_stop_wheelies_front |
                                      flag_front_antilock | flag_rear_antilock | flag_auto_shift);
  if (setup.stop_wheelies == 1) flags |= flag_stop_wheelies_rear | flag_stop_wheelies_front;
  if (setup.stop_wheelies == 2) flags |= flag_stop_wheelies_front;
  if (setup.front_antilock) flags |= flag_front_antilock;
  if (setup.rear_antilock) flags |= flag_rear_antilock;
  if (setup.auto_shift) flags |= flag_auto_shift;
  bike.flags = flags;
  // Dampings scale the model's value by percent / 100 + 0.5; the rest are
  // fractions of their ranges.
  set_fork(bike, setup.fork_compression / 100 + 0.5f, setup.fork_rebound / 100 + 0.5f,
           setup.fork_spring / 100, setup.fork_preload / 100, setup.fork_oil / 100);
  set_shock(bike, setup.shock_compression / 100 + 0.5f, setup.shock_rebound / 100 + 0.5f,
            setup.shock_spring / 100, setup.shock_preload / 100);
}
