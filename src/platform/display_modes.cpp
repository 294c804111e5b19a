#include "platform/display_modes.h"

#include "platform/log.h"

namespace {

bool usable_depth(int depth) {
  return depth == 8 || depth == 15 || depth == 16 || depth == 24 || depth == 32;
}

bool listed(const std::vector<DisplayMode>& modes, const DisplayMode& mode) {
  for (const DisplayMode& m : modes) {
    if (m.width == mode.width && m.height == mode.height && m.depth == mode.depth) return true;
  }
  return false;
}

}  // namespace

std::vector<DisplayMode> build_display_mode_list(const DisplayMode& desktop,
                                                 std::span<const DisplayMode> enumerated) {
  std::vector<DisplayMode> modes;
  bool use_desktop = usable_depth(desktop.depth);
  korb_log(use_desktop ? "Registry mode is %dx%dx%d@%dhz\n"
                       : "Registry mode is %dx%dx%d@%dhz (ignored)\n",
           desktop.width, desktop.height, desktop.depth, desktop.refresh);
  if (use_desktop) modes.push_back(desktop);
  for (const DisplayMode& mode : enumerated) {
    bool use = usable_depth(mode.depth) && !listed(modes, mode);
    korb_log(use ? "Found mode %dx%dx%d@%dhz\n" : "Found mode %dx%dx%d@%dhz (ignored)\n",
             mode.width, mode.height, mode.depth, mode.refresh);
    if (use) modes.push_back(mode);
  }
  return modes;
}

std::optional<DisplayMode> choose_fullscreen_mode(std::span<const DisplayMode> modes, int w,
                                                  int h) {
  if (w <= 0 || h <= 0) return std::nullopt;
  std::optional<DisplayMode> best;
  for (const DisplayMode& mode : modes) {
    if (mode.width < w || mode.height < h) continue;
    if (!best || mode.width + mode.height < best->width + best->height) best = mode;
  }
  return best;
}
