#pragma once
// Display modes: the list the game offers as video modes, and the choice
// of a full-screen mode for a wanted size. Pure rules; the SDL driver
// feeds them what the system reports.

#include <optional>
#include <span>
#include <vector>

struct DisplayMode {
  int width = 0;
  int height = 0;
  int depth = 0;    // bits per pixel
  int refresh = 0;  // Hz, 0 when unknown; not part of a mode's identity
};

// The desktop mode first when its depth is 8, 15, 16, 24 or 32, then every
// enumerated mode of such a depth, skipping (width, height, depth) triples
// already listed. Logs "Registry mode is %dx%dx%d@%dhz\n" and
// "Found mode %dx%dx%d@%dhz\n", with " (ignored)" before the newline for
// modes left out.
std::vector<DisplayMode> build_display_mode_list(const DisplayMode& desktop,
                                                 std::span<const DisplayMode> enumerated);

// The listed mode with width >= w and height >= h and the smallest
// width + height - w - h (the first on a tie). Nothing when none fits or
// w or h is 0: the caller then uses the desktop size.
std::optional<DisplayMode> choose_fullscreen_mode(std::span<const DisplayMode> modes, int w, int h);
