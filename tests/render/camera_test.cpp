// Projection tangents, view matrices and orientations for known poses.

#include "render/camera.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace {

constexpr double kPi = std::numbers::pi;

struct TangentCase {
  int width, height;
  double fov;
  double tan_x, tan_y;
};

// fov is the horizontal angle of a 4:3 picture: wider windows keep the
// vertical angle, narrower ones the horizontal.
TEST(Projection, TangentsFollowTheWindowShape) {
  const double t110 = std::tan(110 * kPi / 360);
  const TangentCase cases[] = {
      {1200, 900, 110, t110, t110 * 0.75},
      {1600, 900, 110, t110 * 0.75 * 1600 / 900, t110 * 0.75},
      {1280, 1024, 110, t110, t110 * 1024 / 1280},
      {640, 480, 90, 1, 0.75},
      {100, 100, 90, 1, 1},
  };
  for (const TangentCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << " fov " << c.fov);
    FrustumTangents t = frustum_tangents(c.width, c.height, c.fov);
    EXPECT_NEAR(t.x, c.tan_x, 1e-12);
    EXPECT_NEAR(t.y, c.tan_y, 1e-12);
  }
  // The wide window sees the same vertical angle as the 4:3 one.
  EXPECT_DOUBLE_EQ(frustum_tangents(1600, 900, 110).y, frustum_tangents(1200, 900, 110).y);
}

TEST(Projection, DepthMapsToTheNearToFarFraction) {
  EXPECT_NEAR(depth_to_distance(0), 0, 1e-12);
  EXPECT_NEAR(depth_to_distance(1), 1, 1e-3);
  EXPECT_LT(depth_to_distance(0.5), depth_to_distance(0.9));
}

// Applies a column-major 4x4 matrix to a point.
Vec3 transform(const std::array<double, 16>& m, Vec3 p) {
  return {m[0] * p.x + m[4] * p.y + m[8] * p.z + m[12],
          m[1] * p.x + m[5] * p.y + m[9] * p.z + m[13],
          m[2] * p.x + m[6] * p.y + m[10] * p.z + m[14]};
}

void expect_near(Vec3 a, Vec3 b) {
  EXPECT_NEAR(a.x, b.x, 1e-9);
  EXPECT_NEAR(a.y, b.y, 1e-9);
  EXPECT_NEAR(a.z, b.z, 1e-9);
}

struct PoseCase {
  const char* name;
  Vec3 eye;
  ViewOrientation orientation;
  Vec3 world;    // a world point
  Vec3 in_view;  // where the view matrix puts it
};

TEST(View, MatrixPutsWorldPointsInCameraSpace) {
  const PoseCase cases[] = {
      {"identity at the origin", {0, 0, 0}, {1, 0, 0, 0, 1, 0, 0, 0, 1}, {1, 2, -3}, {1, 2, -3}},
      {"moved eye", {10, 5, 20}, {1, 0, 0, 0, 1, 0, 0, 0, 1}, {10, 5, 10}, {0, 0, -10}},
      // Turned a quarter about y: right = -z, backward = +x (looking along -x).
      {"quarter turn", {0, 0, 0}, {0, 0, 1, 0, 1, 0, -1, 0, 0}, {-5, 0, 0}, {0, 0, -5}},
      // Looking straight down: backward = +y, up = -z.
      {"looking down", {0, 100, 0}, {1, 0, 0, 0, 0, 1, 0, -1, 0}, {0, 0, -7}, {0, 7, -100}},
  };
  for (const PoseCase& c : cases) {
    SCOPED_TRACE(c.name);
    expect_near(transform(view_matrix(c.eye, c.orientation), c.world), c.in_view);
  }
}

TEST(View, LookAtTurnsTheCameraTowardsTheTarget) {
  const Vec3 from{3, 8, -4}, target{10, 2, 7};
  ViewOrientation m = look_at(from, target);
  // The target is straight ahead (on the -z axis of the camera).
  Vec3 seen = transform(view_matrix(from, m), target);
  EXPECT_NEAR(seen.x, 0, 1e-9);
  EXPECT_NEAR(seen.y, 0, 1e-9);
  EXPECT_NEAR(seen.z, -length(target - from), 1e-9);
  // Level right axis, up axis above the horizon.
  EXPECT_NEAR(orientation_axis(m, 0).y, 0, 1e-12);
  EXPECT_GT(orientation_axis(m, 1).y, 0);
  // Straight down still gives a rotation.
  ViewOrientation down = look_at({0, 10, 0}, {0, 0, 0});
  expect_near(cross(orientation_axis(down, 0), orientation_axis(down, 1)),
              orientation_axis(down, 2));
}

TEST(View, YawAndPitchGiveTheViewingDirection) {
  const struct { double yaw, pitch; } cases[] = {{0, 0}, {kPi / 2, 0}, {1.0, 0.4}, {-2.5, -1.2}};
  for (auto c : cases) {
    ViewOrientation m = yaw_pitch_orientation(c.yaw, c.pitch);
    Vec3 forward = -orientation_axis(m, 2);
    expect_near(forward, {std::cos(c.pitch) * std::sin(c.yaw), std::sin(c.pitch),
                          std::cos(c.pitch) * std::cos(c.yaw)});
    // A right-handed rotation with the right axis level.
    expect_near(cross(orientation_axis(m, 0), orientation_axis(m, 1)), orientation_axis(m, 2));
    EXPECT_NEAR(orientation_axis(m, 0).y, 0, 1e-12);
  }
}

}  // namespace
