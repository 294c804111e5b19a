#pragma once
// The video mode list: "Default Fullscreen", "Windowed", then one "%dx%d"
// entry per display mode of the desktop's colour depth. Built before the
// configuration is read, so its "video_mode" line can name a display mode.

#include <span>
#include <vector>

#include "app/settings.h"
#include "platform/display_modes.h"

struct VideoModeSize {
  int width = 0;  // 0 x 0: the desktop size
  int height = 0;
};

// Fills the Video Mode setting's choices and returns the sizes parallel to
// them (entries 0 and 1 are 0 x 0). Keeps the current choice when it
// still exists.
std::vector<VideoModeSize> build_video_modes(std::span<const DisplayMode> modes,
                                             ChoiceSetting& video_mode);
