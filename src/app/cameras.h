#pragma once
// Camera mode state, the steps of the cameras the player steers (the
// chase camera around another rider and the free-flying camera), and where
// each mode puts the eye and how it turns it.

#include <array>
#include <functional>

#include "app/controls.h"
#include "base/vec3.h"
#include "race/game_state.h"
#include "render/camera.h"

// The per-frame fix-up of the camera mode: a loaded track leaves the title
// (5 -> 0); a local viewed bike is seen from modes 0, 2 or 3 only (else 0);
// an empty viewed slot gives the free camera (4); no track gives the
// title (5).
int fixed_camera_mode(int mode, bool track_loaded, bool viewed_local, bool viewed_empty);

// The Tab key: 0 -> 3 (or 2 with the editor enabled), 2 -> 3, 3 -> 4,
// 4 -> 0; the title stays.
int next_camera_mode(int mode, bool editor_enabled);

// Angles into (-pi, pi].
double wrap_angle(double angle);

// Chase camera around a rider other than the local one. Loop-local state.
struct ChaseCamera {
  double yaw = 0;        // radians
  double height = 5.0;   // feet
  double distance = 10;  // feet, never below 0.25
};

// One step of the chase camera: steer turns it (pi/512 per step at full
// lock), throttle pulls it in and front brake pushes it out (1/64 ft per
// step), the shift slot raises and lowers it (1 ft/s).
void chase_camera_step(ChaseCamera& camera, const ControlSlots& slots, double step);

// The free-flying camera. Loop-local state.
struct FreeCamera {
  Vec3 position;
  double yaw = 0;         // radians
  double pitch = 0;       // radians, -pi/2..pi/2
  double yaw_rate = 0;    // radians per second
  double pitch_rate = 0;  // radians per second
  double speed = 0;       // ft/s along the view, -100..100
};

// The bike the free camera may follow: its position and velocity (ft/s).
struct FollowTarget {
  Vec3 position;
  Vec3 velocity;
};

// One step of the free camera. With Sit/Dab held (slot 6 > 0.125) and a
// target it turns to follow the target; otherwise steer turns it (3pi/8
// rad/s) and the shift slot tilts it (pi/4 rad/s). Throttle speeds it up
// and front brake slows it, both at 80 ft/s^2, and it coasts to rest at
// 60 ft/s^2. Moving, it stays at least 2 ft above ground_height(x, z).
void free_camera_step(FreeCamera& camera, const ControlSlots& slots, const FollowTarget* target,
                      bool paused, double step,
                      const std::function<double(double x, double z)>& ground_height);

// A rigid body's pose as the cameras need it.
struct BodyPose {
  Vec3 position;                                              // world, feet
  std::array<double, 9> rotation{1, 0, 0, 0, 1, 0, 0, 0, 1};  // body to world, row-major
  Vec3 velocity;                                              // ft/s
};

// The eye and orientation of one frame.
struct CameraView {
  Vec3 eye;
  ViewOrientation orientation{1, 0, 0, 0, 1, 0, 0, 0, 1};
  // Velocity of the body the camera rides with (ft/s); zero for the free
  // camera. The engine sounds hear the bikes from a listener moving so.
  Vec3 velocity;
};

// First person from the rider body: the eye at (0, 0.5, -0.4) in the
// body, moved towards (0, 1.0583830, -1.1933695) by `height` (0..1); the
// body's axes pitched about its first axis by `angle_degrees`.
CameraView first_person_camera(const BodyPose& rider, double height, double angle_degrees);

// The chase camera's inputs besides the frame body.
struct ChaseInputs {
  Vec3 centre{0, 2.52, 0.52};  // target offset in the frame body, feet
  bool local = true;           // the local player's bike: follows its motion
  bool rigid = false;          // "Rigid 3rd person camera"
  ChaseCamera camera;          // yaw, distance and height for other riders
};

// Behind the bike, looking at the target (the centre offset carried to the
// world): for the local bike 10 feet back along its rear axis, its motion
// taking over as it speeds up (wholly from 30 ft/s), or along the rear
// axis only when rigid; for another rider at the chase yaw and distance.
// The eye keeps 5 feet above the ground averaged over a radius of 10
// (`smoothed_ground(x, z, r)`) and at least the chase height above the
// target.
CameraView chase_camera(const BodyPose& frame, const ChaseInputs& inputs,
                        const std::function<double(double x, double z, double r)>& smoothed_ground);

// The free camera's eye and orientation.
CameraView free_camera_view(const FreeCamera& camera);
