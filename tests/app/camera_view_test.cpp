// Where each camera mode puts the eye and how it turns it, for known body
// poses: first person on the rider, the chase camera behind the bike, the
// free camera.

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "app/cameras.h"

namespace {

constexpr double kPi = std::numbers::pi;

void expect_near(Vec3 a, Vec3 b, double tolerance = 1e-9) {
  EXPECT_NEAR(a.x, b.x, tolerance);
  EXPECT_NEAR(a.y, b.y, tolerance);
  EXPECT_NEAR(a.z, b.z, tolerance);
}

// A body turned by `yaw` about the vertical (its -z, the bike's front,
// then points along (-sin yaw, 0, -cos yaw)).
BodyPose turned_body(Vec3 position, double yaw, Vec3 velocity = {}) {
  const double c = std::cos(yaw), s = std::sin(yaw);
  return {position, {c, 0, s, 0, 1, 0, -s, 0, c}, velocity};
}

TEST(FirstPersonCamera, EyeOnTheRiderAndPitchedByTheAngle) {
  BodyPose rider = turned_body({100, 10, 50}, 0, {3, 0, -40});
  CameraView low = first_person_camera(rider, 0, 0);
  expect_near(low.eye, {100, 10.5, 49.6});
  expect_near(low.velocity, {3, 0, -40});  // the listener rides with the rider
  for (std::size_t i = 0; i < 9; ++i) EXPECT_DOUBLE_EQ(low.orientation[i], rider.rotation[i]);

  CameraView high = first_person_camera(rider, 1, 0);
  expect_near(high.eye, {100, 11.0583830, 50 - 1.1933695});

  // A quarter-turned rider carries the eye offset around with it.
  CameraView turned = first_person_camera(turned_body({0, 0, 0}, kPi / 2), 0, 0);
  expect_near(turned.eye, {-0.4, 0.5, 0});

  // 30 degrees: the view direction dips below the horizon by that angle.
  CameraView pitched = first_person_camera(rider, 0, 30);
  Vec3 forward = -orientation_axis(pitched.orientation, 2);
  expect_near(forward, {0, -std::sin(kPi / 6), -std::cos(kPi / 6)});
}

double flat_ground(double, double, double) { return 0; }

struct ChaseCase {
  const char* name;
  Vec3 velocity;
  bool rigid;
  Vec3 direction;  // expected horizontal direction from target to eye
};

TEST(ChaseCamera, LocalBikeIsFollowedFromBehindOrAlongItsMotion) {
  // Bike facing -z (rear axis +z) at the origin.
  const ChaseCase cases[] = {
      {"standing: behind the bike", {0, 0, 0}, false, {0, 0, 1}},
      {"slow (10 ft/s) still behind", {10, 0, 0}, false, {0, 0, 1}},
      {"fast (40 ft/s) sideways: behind the motion", {40, 0, 0}, false, {-1, 0, 0}},
      {"fast but rigid: behind the bike", {40, 0, 0}, true, {0, 0, 1}},
  };
  for (const ChaseCase& c : cases) {
    SCOPED_TRACE(c.name);
    ChaseInputs inputs;
    inputs.rigid = c.rigid;
    CameraView view = chase_camera(turned_body({0, 0, 0}, 0, c.velocity), inputs, flat_ground);
    const Vec3 target{0, 2.52, 0.52};
    expect_near({view.eye.x - target.x, 0, view.eye.z - target.z}, c.direction * 10);
    // Looking at the target.
    Vec3 to_target = normalized(target - view.eye);
    expect_near(-orientation_axis(view.orientation, 2), to_target);
  }
  // Halfway through the blend (20 ft/s): half the rear axis less half the
  // velocity itself, so the motion soon dominates.
  ChaseInputs inputs;
  CameraView view = chase_camera(turned_body({0, 0, 0}, 0, {20, 0, 0}), inputs, flat_ground);
  expect_near({view.eye.x, 0, view.eye.z - 0.52}, normalized({-10, 0, 0.5}) * 10);
}

TEST(ChaseCamera, StaysFiveFeetAboveTheSmoothedGround) {
  ChaseInputs inputs;
  auto hill = [](double, double, double r) {
    EXPECT_EQ(r, 10);
    return 40.0;
  };
  CameraView view = chase_camera(turned_body({0, 0, 0}, 0), inputs, hill);
  EXPECT_DOUBLE_EQ(view.eye.y, 45);
  // On flat ground the chase height above the target wins.
  view = chase_camera(turned_body({0, 0, 0}, 0), inputs, flat_ground);
  EXPECT_DOUBLE_EQ(view.eye.y, 2.52 + 5);
}

TEST(ChaseCamera, AnotherRiderIsWatchedFromTheChaseYawAndDistance) {
  ChaseInputs inputs;
  inputs.local = false;
  inputs.camera.yaw = kPi / 2;
  inputs.camera.distance = 20;
  inputs.camera.height = 8;
  // The bike's own heading does not matter.
  CameraView view = chase_camera(turned_body({5, 0, 5}, 1.3, {50, 0, 0}), inputs, flat_ground);
  const Vec3 target{5 + 0.52 * std::sin(1.3), 2.52, 5 + 0.52 * std::cos(1.3)};
  expect_near({view.eye.x, 0, view.eye.z}, {target.x + 20, 0, target.z});
  EXPECT_NEAR(view.eye.y, 2.52 + 8, 1e-9);
}

TEST(FreeCamera, ViewFollowsPositionYawAndPitch) {
  FreeCamera camera;
  camera.position = {1, 2, 3};
  camera.yaw = 0.5;
  camera.pitch = -0.25;
  CameraView view = free_camera_view(camera);
  expect_near(view.eye, {1, 2, 3});
  expect_near(view.velocity, {0, 0, 0});
  expect_near(-orientation_axis(view.orientation, 2),
              {std::cos(-0.25) * std::sin(0.5), std::sin(-0.25), std::cos(-0.25) * std::cos(0.5)});
}

}  // namespace
