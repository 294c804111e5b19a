#include "app/cameras.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

constexpr double kPi = std::numbers::pi;

// Moves rate towards wanted by at most max_change.
double approach(double rate, double wanted, double max_change) {
  return rate + std::clamp(wanted - rate, -max_change, max_change);
}

// The turn rate of a bearing (or elevation) between now and one step on,
// limited to two turns a second; 0 while paused (the target stands still).
double angle_rate(double from, double to, bool paused, double step, bool wrap) {
  if (paused) return 0;
  double change = wrap ? wrap_angle(to - from) : to - from;
  return std::clamp(change / step, -2 * kPi, 2 * kPi);
}

double bearing(Vec3 from, Vec3 to) { return std::atan2(to.x - from.x, to.z - from.z); }

double elevation(Vec3 from, Vec3 to) {
  return std::atan2(to.y - from.y, std::hypot(to.x - from.x, to.z - from.z));
}

bool same_sign(double a, double b) { return (a > 0 && b > 0) || (a < 0 && b < 0); }

}  // namespace

int fixed_camera_mode(int mode, bool track_loaded, bool viewed_local, bool viewed_empty) {
  if (track_loaded && mode == camera_title) mode = camera_first_person;
  if (viewed_local && mode != camera_editor && mode != camera_first_person && mode != camera_chase)
    mode = camera_first_person;
  if (viewed_empty) mode = camera_free;
  if (!track_loaded) mode = camera_title;
  return mode;
}

int next_camera_mode(int mode, bool editor_enabled) {
  switch (mode) {
    case camera_first_person:
      return editor_enabled ? camera_editor : camera_chase;
    case camera_editor:
      return camera_chase;
    case camera_chase:
      return camera_free;
    case camera_free:
      return camera_first_person;
    default:
      return mode;
  }
}

double wrap_angle(double angle) {
  angle = std::remainder(angle, 2 * kPi);  // [-pi, pi]
  return angle <= -kPi ? angle + 2 * kPi : angle;
}

void chase_camera_step(ChaseCamera& camera, const ControlSlots& slots, double step) {
  camera.yaw = wrap_angle(camera.yaw + slots[slot_steer] * kPi / 512);
  if (slots[slot_throttle] > 0.5f) camera.distance = std::max(0.25, camera.distance - 1.0 / 64);
  if (slots[slot_front_brake] > 0.5f) camera.distance += 1.0 / 64;
  camera.height += step * slots[slot_shift];
}

void free_camera_step(FreeCamera& camera, const ControlSlots& slots, const FollowTarget* target,
                      bool paused, double step,
                      const std::function<double(double x, double z)>& ground_height) {
  double wanted_yaw_rate, wanted_pitch_rate;
  if (slots[slot_dab] > 0.125f && target) {
    Vec3 p = target->position;
    Vec3 q = p + target->velocity * step;
    double a = bearing(camera.position, p);
    double yaw_error = wrap_angle(a - camera.yaw);
    double bearing_rate = angle_rate(a, bearing(camera.position, q), paused, step, true);
    wanted_yaw_rate = std::clamp(yaw_error, -kPi / 2, kPi / 2);
    if (same_sign(bearing_rate, yaw_error)) wanted_yaw_rate += bearing_rate;

    double g = elevation(camera.position, p);
    double pitch_error = g - camera.pitch;
    double elevation_rate = angle_rate(g, elevation(camera.position, q), paused, step, false);
    wanted_pitch_rate = pitch_error * kPi / 4;
    if (same_sign(elevation_rate, pitch_error)) wanted_pitch_rate += elevation_rate;
  } else {
    wanted_yaw_rate = slots[slot_steer] * 1.1780972;
    wanted_pitch_rate = slots[slot_shift] * kPi / 4;
  }
  camera.yaw_rate = approach(camera.yaw_rate, wanted_yaw_rate, kPi * step);
  camera.pitch_rate = approach(camera.pitch_rate, wanted_pitch_rate, kPi * step);
  camera.yaw = wrap_angle(camera.yaw + camera.yaw_rate * step);
  camera.pitch = std::clamp(camera.pitch + camera.pitch_rate * step, -kPi / 2, kPi / 2);

  if (slots[slot_throttle] > 0.5f) camera.speed = std::min(100.0, camera.speed + 80 * step);
  if (slots[slot_front_brake] > 0.5f) camera.speed = std::max(-100.0, camera.speed - 80 * step);
  double decay = 60 * step;
  camera.speed =
      camera.speed > 0 ? std::max(0.0, camera.speed - decay) : std::min(0.0, camera.speed + decay);

  if (std::fabs(camera.speed) > 0.0001) {
    Vec3 along{std::sin(camera.yaw) * std::cos(camera.pitch), std::sin(camera.pitch),
               std::cos(camera.yaw) * std::cos(camera.pitch)};
    camera.position += along * (camera.speed * step);
    if (ground_height) {
      double floor = ground_height(camera.position.x, camera.position.z) + 2;
      camera.position.y = std::max(camera.position.y, floor);
    }
  }
}

namespace {

Vec3 to_world(const std::array<double, 9>& r, Vec3 v) {
  return {r[0] * v.x + r[1] * v.y + r[2] * v.z, r[3] * v.x + r[4] * v.y + r[5] * v.z,
          r[6] * v.x + r[7] * v.y + r[8] * v.z};
}

}  // namespace

CameraView first_person_camera(const BodyPose& rider, double height, double angle_degrees) {
  const Vec3 low{0, 0.5, -0.4}, high{0, 1.0583830, -1.1933695};
  CameraView view;
  view.eye = rider.position + to_world(rider.rotation, low + (high - low) * height);
  view.orientation = rider.rotation;
  view.velocity = rider.velocity;
  const double a = angle_degrees * kPi / 180;
  const double c = std::cos(a), s = std::sin(a);
  for (int row = 0; row < 3; ++row) {
    double& up = view.orientation[static_cast<std::size_t>(3 * row + 1)];
    double& back = view.orientation[static_cast<std::size_t>(3 * row + 2)];
    const double second = up, third = back;
    up = second * c - third * s;
    back = second * s + third * c;
  }
  return view;
}

CameraView chase_camera(
    const BodyPose& frame, const ChaseInputs& inputs,
    const std::function<double(double x, double z, double r)>& smoothed_ground) {
  const Vec3 target = frame.position + to_world(frame.rotation, inputs.centre);
  Vec3 eye = target;
  double above_target = 5;
  if (inputs.local) {
    const Vec3 rear{frame.rotation[2], frame.rotation[5], frame.rotation[8]};
    const Vec3 v{frame.velocity.x, 0, frame.velocity.z};
    const double speed = length(v);
    Vec3 d;
    if (inputs.rigid) {
      d = {rear.x, 0, rear.z};
    } else if (speed * speed >= 900) {
      d = -v;
    } else {
      const double k = std::clamp((speed - 10) * 0.05, 0.0, 1.0);
      d = rear * (1 - k) - v * k;
    }
    d = normalized(d);
    eye.x = target.x + 10 * d.x;
    eye.z = target.z + 10 * d.z;
  } else {
    const ChaseCamera& chase = inputs.camera;
    eye.x = target.x + chase.distance * std::sin(chase.yaw);
    eye.z = target.z + chase.distance * std::cos(chase.yaw);
    above_target = chase.height;
  }
  double ground = smoothed_ground ? smoothed_ground(eye.x, eye.z, 10) + 5 : target.y;
  eye.y = std::max(ground, target.y + above_target);
  return {eye, look_at(eye, target), frame.velocity};
}

CameraView free_camera_view(const FreeCamera& camera) {
  return {camera.position, yaw_pitch_orientation(camera.yaw, camera.pitch), {}};
}
