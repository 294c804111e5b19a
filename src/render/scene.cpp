#include "render/scene.h"

#include <GL/gl.h>

#include <array>

#include "render/ground.h"
#include "render/texture.h"

namespace {

// A box of half sizes (1, 2, 3.5) feet around the frame body: about a
// bike's width, height and length, along its own axes (it faces -z).
constexpr std::array<double, 3> kMarkerHalf = {1.0, 2.0, 3.5};

// Slot colours: the local bike red, others from a small palette.
std::array<float, 3> marker_colour(const BikeMarker& bike) {
  static constexpr std::array<std::array<float, 3>, 6> palette = {{{0.1f, 0.3f, 0.9f},
                                                                   {0.95f, 0.8f, 0.1f},
                                                                   {0.1f, 0.7f, 0.2f},
                                                                   {0.9f, 0.45f, 0.05f},
                                                                   {0.6f, 0.2f, 0.8f},
                                                                   {0.9f, 0.9f, 0.9f}}};
  if (bike.local) return {0.9f, 0.1f, 0.1f};
  return palette[static_cast<std::size_t>(bike.slot) % palette.size()];
}

void draw_marker(const BikeMarker& bike) {
  const auto& r = bike.rotation;
  // Column-major: body axes as columns, then the position.
  const double m[16] = {r[0],
                        r[3],
                        r[6],
                        0,
                        r[1],
                        r[4],
                        r[7],
                        0,
                        r[2],
                        r[5],
                        r[8],
                        0,
                        bike.position.x,
                        bike.position.y,
                        bike.position.z,
                        1};
  glPushMatrix();
  glMultMatrixd(m);
  glScaled(kMarkerHalf[0], kMarkerHalf[1], kMarkerHalf[2]);
  auto c = marker_colour(bike);
  // Faces lit by a fixed shade per direction, so the box reads as solid.
  struct Face {
    float shade;
    std::array<std::array<float, 3>, 4> v;
  };
  static constexpr std::array<Face, 6> faces = {{
      {1.0f, {{{-1, 1, -1}, {-1, 1, 1}, {1, 1, 1}, {1, 1, -1}}}},       // top
      {0.35f, {{{-1, -1, -1}, {1, -1, -1}, {1, -1, 1}, {-1, -1, 1}}}},  // bottom
      {0.8f, {{{-1, -1, 1}, {1, -1, 1}, {1, 1, 1}, {-1, 1, 1}}}},       // rear
      {0.8f, {{{-1, -1, -1}, {-1, 1, -1}, {1, 1, -1}, {1, -1, -1}}}},   // front
      {0.6f, {{{1, -1, -1}, {1, 1, -1}, {1, 1, 1}, {1, -1, 1}}}},       // right
      {0.6f, {{{-1, -1, -1}, {-1, -1, 1}, {-1, 1, 1}, {-1, 1, -1}}}},   // left
  }};
  glBegin(GL_QUADS);
  for (const Face& face : faces) {
    glColor4f(c[0] * face.shade, c[1] * face.shade, c[2] * face.shade, bike.alpha);
    for (const auto& p : face.v) glVertex3f(p[0], p[1], p[2]);
  }
  glEnd();
  glPopMatrix();
}

}  // namespace

void draw_world(const WorldView& view) {
  animate_textures(view.tick);
  eye_position = view.eye;
  const Vec3 forward = -orientation_axis(view.orientation, 2);
  ground_update_textures(view.eye);

  set_projection(view.width, view.height, view.fov);
  load_view(view.eye, view.orientation);
  // No sky box yet: the clear colour is the sky.
  glClearColor(view.clear_colour[0], view.clear_colour[1], view.clear_colour[2],
               view.clear_colour[3]);
  glEnable(GL_DEPTH_TEST);
  glDepthMask(GL_TRUE);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  // The fans come nearest first, so the ground needs a real depth test:
  // a far hill must not paint over a near slope.
  glDepthFunc(GL_LEQUAL);
  ground_draw(view.eye, forward);

  glDisable(GL_TEXTURE_2D);
  glDisable(GL_LIGHTING);
  for (const BikeMarker& bike : view.bikes)
    if (bike.alpha >= 1) draw_marker(bike);
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glDepthMask(GL_FALSE);
  for (const BikeMarker& bike : view.bikes)
    if (bike.alpha > 0 && bike.alpha < 1) draw_marker(bike);
  glDepthMask(GL_TRUE);
  glDisable(GL_BLEND);
  glColor4f(1, 1, 1, 1);

  glLoadIdentity();
  glDepthFunc(GL_ALWAYS);
  glDisable(GL_DEPTH_TEST);
}
