#include "render/image/power_of_two.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace {

int next_power_of_two(int n) {
  int p = 1;
  while (p < n) p *= 2;
  return p;
}

}  // namespace

bool is_power_of_two(int n) { return n > 0 && (n & (n - 1)) == 0; }

Image to_power_of_two(Image image) {
  if (is_power_of_two(image.width) && is_power_of_two(image.height)) return image;
  const int w = next_power_of_two(image.width);
  const int h = next_power_of_two(image.height);
  const int channels = image.channels;
  Image out{w, h, channels, std::vector<std::uint8_t>(mip_chain_bytes(w, h, channels))};
  for (int y = 0; y < h; ++y) {
    const long sy = static_cast<long>(y) * image.height / h;
    for (int x = 0; x < w; ++x) {
      const long sx = static_cast<long>(x) * image.width / w;
      std::memcpy(&out.pixels[(static_cast<std::size_t>(y) * w + x) * channels],
                  &image.pixels[(static_cast<std::size_t>(sy) * image.width + sx) * channels],
                  channels);
    }
  }
  build_mip_chain(out.pixels.data(), w, h, channels, MipMode::Plain);
  return out;
}

int levels_to_drop(int width, int height, int drop) {
  int levels = 0;
  for (; drop > 0 && width > 128 && height > 128; --drop, ++levels) {
    width /= 2;
    height /= 2;
  }
  return levels;
}

std::size_t mip_level_offset(int width, int height, int channels, int level) {
  std::size_t offset = 0;
  for (int i = 0; i < level; ++i) {
    offset += static_cast<std::size_t>(width) * height * channels;
    width = std::max(1, width / 2);
    height = std::max(1, height / 2);
  }
  return offset;
}
