#pragma once
// One frame of the world from a given eye: projection and view, the ground
// with its pictures, and the bikes. The main loop chooses the camera and
// calls draw_world once per frame; the HUD and menus draw over it.
//
// Bikes are drawn as plain markers (a box along each bike's frame) until
// bike and rider models are drawn; the markers are what the race can be
// followed by.

#include <array>
#include <vector>

#include "base/vec3.h"
#include "render/camera.h"

// One bike to show: where its frame body is and how it is turned.
struct BikeMarker {
  Vec3 position;                   // frame body centre, world feet
  std::array<double, 9> rotation;  // body to world, row-major
  int slot = 0;                    // lineup slot, picks the colour
  bool local = false;              // the local player's bike
  float alpha = 1;                 // below 1: a fading ghost, drawn last
};

// Everything one frame needs besides the loaded ground.
struct WorldView {
  Vec3 eye;
  ViewOrientation orientation{1, 0, 0, 0, 1, 0, 0, 0, 1};
  int width = 0, height = 0;  // drawable, pixels
  double fov = 110;           // degrees, horizontal angle of a 4:3 picture
  int tick = 0;               // simulation tick, for animated textures
  std::array<float, 4> clear_colour{0.196078f, 0.6f, 0.8f, 0.0f};
  std::vector<BikeMarker> bikes;
};

// Draws the frame: animated textures, ground pictures, projection and
// view, clear, ground, opaque bikes, then translucent ones. Leaves depth
// testing off and the modelview at the identity for the overlays.
void draw_world(const WorldView& view);
