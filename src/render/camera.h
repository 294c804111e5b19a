#pragma once
// Perspective projection and the eye of the frame.
//
// A view orientation is a 3x3 rotation, row-major, whose columns are the
// camera's right, up and backward axes in world coordinates (y up); the
// camera looks along minus its third column. The modelview matrix is the
// orientation transposed followed by a translation by minus the eye.
//
// The math here needs no GL (library tavrin_camera); set_projection,
// load_view and the published values belong to the GL renderer.

#include <array>

#include "base/vec3.h"

using ViewOrientation = std::array<double, 9>;

inline constexpr double kNearPlane = 0.25;  // feet
inline constexpr double kFarPlane = 5000;   // feet

// Half-angle tangents of the frustum for a window of width x height pixels
// and a field of view of `fov_degrees`, which is the horizontal angle of a
// 4:3 picture: wider windows keep the vertical angle and see more at the
// sides, narrower ones keep the horizontal angle.
struct FrustumTangents {
  double x = 1;  // tan of the horizontal half angle
  double y = 1;  // tan of the vertical half angle
};
FrustumTangents frustum_tangents(int width, int height, double fov_degrees);

// Published for the frame by set_projection and the world renderer; read
// by the ground's detail choice, the title screen and later passes.
extern double view_tan_x, view_tan_y;
extern Vec3 eye_position;

// Viewport (0, 0, width, height); projection = frustum with sides at the
// tangents times the near distance, near 0.25, far 5000; then the
// modelview matrix is selected and reset to the identity.
void set_projection(int width, int height, double fov_degrees);

// A depth-buffer value 0..1 as a fraction of the near-to-far range.
double depth_to_distance(double depth);

// The camera at `from` looking at `target` with world up (0, 1, 0). A
// target straight above or below turns about x instead.
ViewOrientation look_at(Vec3 from, Vec3 target);

// The camera looking along (cos pitch sin yaw, sin pitch, cos pitch cos
// yaw) with its up axis in the vertical plane through that direction.
ViewOrientation yaw_pitch_orientation(double yaw, double pitch);

// Column `i` (0 right, 1 up, 2 backward) of an orientation.
Vec3 orientation_axis(const ViewOrientation& m, int i);

// The column-major 4x4 modelview matrix of an eye and orientation (for
// glLoadMatrixd).
std::array<double, 16> view_matrix(Vec3 eye, const ViewOrientation& orientation);

// Loads view_matrix into the current GL matrix.
void load_view(Vec3 eye, const ViewOrientation& orientation);
