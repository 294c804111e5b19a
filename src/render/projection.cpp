#include <GL/gl.h>

#include "render/camera.h"

double view_tan_x = 1, view_tan_y = 0.75;
Vec3 eye_position;

void set_projection(int width, int height, double fov_degrees) {
  FrustumTangents t = frustum_tangents(width, height, fov_degrees);
  view_tan_x = t.x;
  view_tan_y = t.y;
  glViewport(0, 0, width, height);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glFrustum(-t.x * kNearPlane, t.x * kNearPlane, -t.y * kNearPlane, t.y * kNearPlane, kNearPlane,
            kFarPlane);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
}

void load_view(Vec3 eye, const ViewOrientation& orientation) {
  std::array<double, 16> m = view_matrix(eye, orientation);
  glLoadMatrixd(m.data());
}
