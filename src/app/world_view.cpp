#include "app/world_view.h"

#include <ode/ode.h>

#include <algorithm>
#include <cstdio>
#include <optional>

#include "app/settings.h"
#include "render/scene.h"
#include "sim/bike.h"
#include "track/track.h"

namespace {

std::optional<BodyPose> body_pose(const Bike* bike, int body) {
  if (!bike || !bike->bodies[static_cast<std::size_t>(body)]) return std::nullopt;
  dBodyID id = bike->bodies[static_cast<std::size_t>(body)];
  const dReal* p = dBodyGetPosition(id);
  const dReal* r = dBodyGetRotation(id);  // 3 x 4, row-major
  const dReal* v = dBodyGetLinearVel(id);
  return BodyPose{{p[0], p[1], p[2]},
                  {r[0], r[1], r[2], r[4], r[5], r[6], r[8], r[9], r[10]},
                  {v[0], v[1], v[2]}};
}

// Offline, ghosts (bikes driven by states) fade near the first local bike.
std::vector<BikeMarker> bike_markers(const GameState& game, bool online) {
  std::optional<BodyPose> reference;
  if (!online)
    for (int slot = 0; slot < max_bikes && !reference; ++slot)
      if (game.bike_kind[static_cast<std::size_t>(slot)] == bike_local)
        reference = body_pose(game.bikes[static_cast<std::size_t>(slot)], body_frame);

  std::vector<BikeMarker> markers;
  for (int slot = 0; slot < max_bikes; ++slot) {
    const std::size_t i = static_cast<std::size_t>(slot);
    std::optional<BodyPose> pose = body_pose(game.bikes[i], body_frame);
    if (!pose) continue;
    BikeMarker marker{pose->position, pose->rotation, slot, game.bike_kind[i] == bike_local, 1};
    if (reference && game.bike_kind[i] == bike_states)
      marker.alpha = static_cast<float>(ghost_fade_factor(
          length(pose->position - reference->position), user_settings.ghost_fade_distance.value));
    markers.push_back(marker);
  }
  return markers;
}

std::optional<CameraView> frame_camera(const Program& p, const GameLoop& loop) {
  const GameState& game = p.game;
  const Bike* viewed = game.bikes[static_cast<std::size_t>(game.viewed_bike)];
  switch (game.camera_mode) {
    case camera_first_person: {
      auto rider = body_pose(viewed, body_rider);
      if (!rider) return std::nullopt;
      return first_person_camera(*rider, user_settings.first_person_height.value,
                                 user_settings.first_person_angle.value);
    }
    case camera_chase: {
      auto frame = body_pose(viewed, body_frame);
      if (!frame) return std::nullopt;
      ChaseInputs inputs;
      inputs.centre = p.options.chase_center;
      inputs.local = game.bike_kind[static_cast<std::size_t>(game.viewed_bike)] == bike_local;
      inputs.rigid = user_settings.rigid_camera.current == 1;
      inputs.camera = loop.chase;
      return chase_camera(*frame, inputs, [](double x, double z, double r) {
        return smoothed_height(game_track.terrain.field, x, z, r);
      });
    }
    case camera_free:
      return free_camera_view(loop.free_camera);
    default:
      return std::nullopt;
  }
}

}  // namespace

double ghost_fade_factor(double distance, double fade_distance) {
  if (!(fade_distance > 0)) return 1;
  return std::clamp(2 * distance / fade_distance - 1, 0.0, 1.0);
}

std::optional<CameraView> draw_world_frame(const Program& p, const GameLoop& loop,
                                           DrawableSize size) {
  std::optional<CameraView> camera = frame_camera(p, loop);
  if (!camera) return std::nullopt;
  if (p.options.print_orientation && p.game.camera_mode == camera_first_person) {
    const Vec3 x = orientation_axis(camera->orientation, 0);
    const Vec3 z = orientation_axis(camera->orientation, 2);
    std::printf("t=%f p0=%f p1=%f p2=%f x0=%f x1=%f x2=%f z0=%f z1=%f z2=%f\n",
                p.game.tick * p.game.step, camera->eye.x, camera->eye.y, camera->eye.z, x.x, x.y,
                x.z, z.x, z.y, z.z);
  }
  WorldView view;
  view.eye = camera->eye;
  view.orientation = camera->orientation;
  view.width = size.width;
  view.height = size.height;
  view.fov = user_settings.fov.value;
  view.tick = p.game.tick;
  std::copy(std::begin(kClearColour), std::end(kClearColour), view.clear_colour.begin());
  view.bikes = bike_markers(p.game, !p.options.connect.empty());
  draw_world(view);
  return camera;
}
