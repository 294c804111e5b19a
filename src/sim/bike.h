#pragma once
// One bike and its rider in a session: a copy of the model record followed
// by the run-time state, in groups (handles, controls, drivetrain, settings,
// contacts, crash state, flags).
//
// Lifetime: made by `create_bike` when a session's lineup is set up, freed
// by `destroy_bike` when the session ends or the program exits. Its bodies
// and joints live in the world it was created in for all that time. Only the
// main thread touches a bike.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include <ode/ode.h>

#include "base/vec3.h"
#include "sim/bike_model.h"
#include "sim/vec3f.h"
#include "sim/world.h"
#include "track/collision_shape.h"

// Body indices, in the order the bodies are created.
enum BikeBody : int {
  body_frame = 0,
  body_front_wheel = 1,
  body_rear_wheel = 2,
  body_fork_upper = 3,
  body_fork_lower = 4,
  body_swingarm = 5,
  body_rider = 6,
};
constexpr int bike_body_count = 7;

// Joint indices, in the order the joints are created.
enum BikeJoint : int {
  joint_front_axle = 0,      // hinge lower fork - front wheel; front brake motor
  joint_rear_axle = 1,       // hinge swingarm - rear wheel; rear brake motor
  joint_steering_head = 2,   // hinge upper fork - frame, stops at +-pi/4
  joint_fork_slide = 3,      // slider upper fork - lower fork
  joint_swingarm_pivot = 4,  // hinge swingarm - frame
  joint_rider_mount = 5,     // hinge-2 rider - frame, anchored 50 ft ahead
};
constexpr int bike_joint_count = 6;

// The flag byte.
enum BikeFlag : std::uint8_t {
  flag_direct_steer_airborne = 1 << 0,  // direct steering without ground contact
  flag_stop_wheelies_rear = 1 << 1,     // stop-wheelies "Yes": cut drive while wheeling
  flag_stop_wheelies_front = 1 << 2,    // "Yes" and "Front Only": no front brake in a stoppie
  flag_front_antilock = 1 << 3,
  flag_rear_antilock = 1 << 4,
  flag_auto_shift = 1 << 5,
  flag_dab_when_stopped = 1 << 6,
  flag_arcade = 1 << 7,
};

// The controls a rider (player, robot or received state) sets on a bike.
// Applied with set_rider_input (sim/rider_input.h), which clamps each.
struct RiderInput {
  float throttle = 0;     // 0..1
  float clutch = 1;       // engagement 0..1, 1 = engaged
  float front_brake = 0;  // 0..1
  float rear_brake = 0;   // 0..1
  float steer = 0;        // -1..1
  float dab = 0;          // sit/dab 0..1
  float back_up = 0;      // 0..1
  float lean = 0;         // rider forward/back -1..1
  int shift = 0;          // -1, 0, +1; edge-triggered
};

// A wheel's latest terrain contact, made before the last world step. Read by
// brakes, roost, robots and sound. Positions and vectors are world frame.
struct WheelContact {
  dBodyID body = nullptr;  // the wheel body
  Vec3f axle{1, 0, 0};     // axle direction in the body frame
  float core_radius = 0;   // torus core circle radius: the rim radius
  float tube_radius = 0;   // torus tube radius: the tyre radius
  Vec3f point;             // deepest contact point
  Vec3f point_velocity;    // wheel body velocity at that point, ft/s
  Vec3f normal;            // unit, pointing out of the ground
  float depth = 0;         // penetration, ft; 0 when touching nothing
  // Forces of the last contact joint made for this wheel, filled by the
  // world step (f1 = force on the wheel, world frame; f1[1] is the ground
  // load). Keeps its values through steps without contact.
  dJointFeedback feedback{};
};

// A bike's own copy of one collision shape: `spheres` holds the current
// world centres (written by the contact code each step) with the shared
// radius, mu, kp and kd; the body-frame centres stay in `shape`. An absent
// shape (file missing or malformed) has no spheres and makes no contacts.
struct BikeShape {
  const CollisionShape* shape = nullptr;
  std::vector<ShapeSphere> spheres;
};

// Texture choices for the drawing: file names, empty for the model's own.
// The simulation only carries them; the bike drawing resolves them.
struct BikeTextureChoice {
  std::string bike, wheels, rider_body, helmet;
};

// Suspension settings (lb/ft, lb per ft/s, ft); see the suspension step.
struct SuspensionSettings {
  float fork_compression = 0, fork_rebound = 0, fork_spring = 0, fork_preload = 0, fork_air_gap = 0;
  float shock_compression = 0, shock_rebound = 0, shock_spring = 0, shock_preload = 0;
};

// How the rider is held to his seat, each 0..1.
struct RiderSettings {
  float vertical_spring = 0.5f, vertical_damping = 0.5f;
  float fore_aft_spring = 0.5f, fore_aft_damping = 0.5f;
  // Share of the rider's mass on the rider body (0.33..0.5); the rest rides
  // on the frame.
  float mass_distribution = 1.0f / 3;
};

// Stability aids, brakes and dab; ranges as their setters clamp them.
struct StabilitySettings {
  float roll_damping = 60;
  float leveling = 20;
  float roll_limit_factor = 10;
  float roll_limit_angle = 0.785398163f;  // rad
  float steering_damping = 45;
  float steering_strength = 75;
  float max_steering_force = 400;
  float direct_steering = 1;
  float slow_damping_speed = 0;  // ft/s
  float slow_damping_factor = 1;
  float landing_damping_falloff = 0.25f;  // s
  float landing_damping_factor = 2;
  float auto_clutch_rpm = 5000;    // 0..5000
  float front_brake_torque = 250;  // ft lb, 0..500
  float rear_brake_torque = 250;   // ft lb, 0..500
  float max_dab_speed = 30;        // ft/s
};

struct Bike {
  // 1. The model's record; the simulation reads its constants from here.
  BikeModel model;

  // 2. Body handles (index with BikeBody), and the world they live in (the
  // world record must stay where it is while the bike exists).
  PhysicsWorld* world = nullptr;
  std::array<dBodyID, bike_body_count> bodies{};

  // 3. Joint handles (index with BikeJoint).
  std::array<dJointID, bike_joint_count> joints{};

  // 4. Force feedback of each joint, filled by the world step.
  std::array<dJointFeedback, bike_joint_count> joint_feedback{};

  // 5. Terrain contacts of the two tyres.
  WheelContact front_contact{}, rear_contact{};

  // 6. Control inputs.
  float throttle = 0;     // 0..1; 0 while crashed
  float clutch = 0;       // engagement 0..1
  float front_brake = 0;  // 0..1
  float rear_brake = 0;   // 0..1
  float steer = 0;        // -1..1
  float dab = 0;          // 0..1
  float foot_down = 0;    // 0..1, raised while a foot is down, falls 4/s
  float back_up = 0;      // 0..1
  float lean = 0;         // -1..1

  // 7. Drivetrain.
  int gear = 0;                // 0..5, 0 = first gear
  int last_shift = 0;          // last shift input, -1/0/+1
  float drivetrain_angle = 0;  // rad, -pi..pi
  float engine_speed = 0;      // rad/s
  float engine_inertia = 0;    // slug ft^2
  float final_ratio = 0;       // rear / front sprocket teeth

  // 8. Suspension settings.
  SuspensionSettings suspension{};

  // 9. Rider settings.
  RiderSettings rider{};

  // 10. Race progress and robot personality are kept by race control and
  // the robots beside the bike, in their own records per slot.

  // 11. Sum of the seven bodies' masses, slugs.
  double total_mass = 0;

  // 12. Stability, brake and dab settings.
  StabilitySettings stability{};

  // 13. Graphics choices (resolved and owned by the drawing code; the
  // simulation only carries them) and the collision shape copies (index
  // with BikeBody).
  BikeTextureChoice textures{};
  std::array<BikeShape, bike_body_count> shapes{};

  // 14. Number plate and slot.
  unsigned number_texture = 0;  // texture id, 0 = none
  char number_text[8] = {};     // at most 7 characters
  int slot = 0;

  // 15. Crash and contact state.
  int mishap = 0;            // line recorder: a body part other than a tyre touched
  float landing_factor = 1;  // steering damping boost after a landing
  int crash_counter = 0;     // 0 riding, 512 right after a crash
  std::array<Vec3, 4> rider_velocity_ring{};  // indexed by tick & 3
  // Moves by 1 toward 0 every step; above 0 after ramming another bike
  // (weakens the steering aids), below 0 gives stronger righting help.
  float collision_timer = 0;
  int last_collision_tick = -1;  // tick of the last bike-bike collision
  // A crashed rider's feet, world frame, drawn in place of the posed feet.
  struct LooseFoot {
    Vec3 position, velocity;  // ft, ft/s
  };
  std::array<LooseFoot, 2> loose_feet{};  // left, right
  float steering_torque = 0;              // ft lb put on the steering head last step

  // 16. Start positions of the seven bodies, and what placing the bike from
  // received states keeps between two states.
  std::array<Vec3, bike_body_count> start_positions{};
  std::array<Vec3, bike_body_count> state_positions{};  // of the last state
  std::array<dQuaternion, bike_body_count> previous_orientations{};
  // Velocities saved around the world step (hold_velocities).
  std::array<Vec3, bike_body_count> held_linear{}, held_angular{};

  // 17. The flag byte (BikeFlag bits).
  std::uint8_t flags = 0;
};

// The default drivetrain and aid choices a new bike starts with, and which
// the user's settings replace when a race is set up. The configuration fills
// this record; the simulation does not read configuration itself.
struct BikeSetup {
  int front_sprocket_change = 0;   // whole teeth, -2..2
  int rear_sprocket_change = 0;    // whole teeth, -2..2
  float front_brake_torque = 250;  // ft lb, 0..500
  float rear_brake_torque = 250;   // ft lb, 0..500
  float auto_clutch_rpm = 5000;    // 0..5000
  bool front_antilock = true;
  bool rear_antilock = false;
  bool auto_shift = false;
  // Stop-wheelies choice: 0 "No", 1 "Yes", 2 "Front Only".
  int stop_wheelies = 2;
  // Suspension settings in percent (0..100, 50 = the model's middle).
  float fork_compression = 50, fork_rebound = 50, fork_spring = 50, fork_preload = 50,
        fork_oil = 50;
  float shock_compression = 50, shock_rebound = 50, shock_spring = 50, shock_preload = 50;
};

// Makes a bike of the named model standing at its model positions in
// `world` (an unknown name falls back, see lookup_bike_model, and posts
// "bike info for '%.20s' not found using '%.20s' instead"). `number` is the
// plate text (first 7 characters kept); `textures` are kept for the drawing.
// Never returns null: an allocation failure ends the program.
Bike* create_bike(PhysicsWorld& world, std::string_view model_name, int slot,
                  std::string_view number, const BikeTextureChoice& textures = {});

// Destroys the joints and bodies and frees the record. Null is ignored.
void destroy_bike(Bike* bike);

// Applies the drivetrain, aid and suspension choices of `setup` over the
// bike's defaults.
void apply_bike_setup(Bike& bike, const BikeSetup& setup);
