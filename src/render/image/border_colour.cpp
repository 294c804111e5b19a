#include "render/image/border_colour.h"

#include <vector>

std::array<float, 4> border_colour(const std::uint8_t* rgb, int width, int height) {
  std::vector<int> bins(8 * 8 * 8, 0);
  const auto count = [&](int x, int y) {
    const std::uint8_t* p = rgb + (static_cast<long>(y) * width + x) * 3;
    ++bins[(p[0] * 7 / 255) * 64 + (p[1] * 7 / 255) * 8 + p[2] * 7 / 255];
  };
  for (int x = 0; x < width; ++x) {
    count(x, 0);
    count(x, height - 1);
  }
  for (int y = 0; y < height; ++y) {
    count(0, y);
    count(width - 1, y);
  }
  int best = 0;
  for (int bin = 1; bin < 512; ++bin) {
    if (bins[bin] > bins[best]) best = bin;
  }
  return {static_cast<float>(best / 64) / 7, static_cast<float>(best / 8 % 8) / 7,
          static_cast<float>(best % 8) / 7, 0};
}
