#include "app/video_modes.h"

#include <string>

std::vector<VideoModeSize> build_video_modes(std::span<const DisplayMode> modes,
                                             ChoiceSetting& video_mode) {
  std::vector<VideoModeSize> sizes = {{0, 0}, {0, 0}};
  std::vector<std::string> texts = {"Default Fullscreen", "Windowed"};
  for (const DisplayMode& mode : modes) {
    if (mode.depth != modes.front().depth) continue;
    sizes.push_back({mode.width, mode.height});
    texts.push_back(std::to_string(mode.width) + "x" + std::to_string(mode.height));
  }
  std::string current = video_mode.text();
  video_mode.choices = texts;
  video_mode.current = 0;
  video_mode.select(current);
  return sizes;
}
