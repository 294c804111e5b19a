#pragma once
// The world part of a frame: the camera of the current mode and the bikes
// to show, handed to the renderer's draw_world.

#include <optional>

#include "app/main_loop.h"
#include "app/program.h"
#include "platform/window.h"

// How visible a ghost is at `distance` feet from the player's bike when
// ghosts fade out within `fade_distance` feet: 0 up to half of it, rising
// to 1 at the full distance. A fade distance of 0 or less never fades.
double ghost_fade_factor(double distance, double fade_distance);

// Draws the world for the camera mode of this frame and returns the
// camera it was seen from; nothing (and nothing drawn) in the title and
// editor views, or when the viewed bike has no bodies to put a
// first-person or chase eye on. With --print-orientation the first-person
// eye and axes are printed on standard output.
std::optional<CameraView> draw_world_frame(const Program& p, const GameLoop& loop,
                                           DrawableSize size);
