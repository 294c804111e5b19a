#include <algorithm>

#include "render/image/image.h"

namespace {

// One destination sample of a 1- or 3-channel image: the mean of n source
// samples (n = 2 or 4, so the shift is 1 or 2).
int mean(const int* values, int n) {
  int sum = 0;
  for (int i = 0; i < n; ++i) sum += values[i];
  return sum >> (n == 4 ? 2 : 1);
}

// One RGBA pixel from n source pixels (2 or 4).
void blend_rgba(const std::uint8_t* const* src, int n, MipMode mode, std::uint8_t* dst) {
  int total = 0;
  int largest = 0;
  for (int i = 0; i < n; ++i) {
    total += src[i][3];
    largest = std::max<int>(largest, src[i][3]);
  }
  const int shift = n == 4 ? 2 : 1;
  const bool weighted = total != 0 && total != 255 * n;
  for (int c = 0; c < 3; ++c) {
    int sum = 0;
    for (int i = 0; i < n; ++i) sum += weighted ? src[i][c] * src[i][3] : src[i][c];
    dst[c] = static_cast<std::uint8_t>(weighted ? sum / total : sum >> shift);
  }
  dst[3] = static_cast<std::uint8_t>(mode == MipMode::MaxAlpha ? largest : total >> shift);
}

// The next level from `src` (w x h) into `dst`.
void halve(const std::uint8_t* src, int w, int h, int channels, MipMode mode, std::uint8_t* dst) {
  const int dw = std::max(1, w / 2);
  const int dh = std::max(1, h / 2);
  const bool pairs = w == 1 || h == 1;
  const int n = pairs ? 2 : 4;
  for (int y = 0; y < dh; ++y) {
    for (int x = 0; x < dw; ++x) {
      const std::uint8_t* block[4];
      if (pairs) {
        // Along the long side; a one-wide column is contiguous like a row.
        block[0] = src + (w == 1 ? 2 * y : 2 * x) * channels;
        block[1] = block[0] + channels;
      } else {
        block[0] = src + ((2 * y) * w + 2 * x) * channels;
        block[1] = block[0] + channels;
        block[2] = block[0] + w * channels;
        block[3] = block[2] + channels;
      }
      std::uint8_t* out = dst + (y * dw + x) * channels;
      if (channels == 4) {
        blend_rgba(block, n, mode, out);
        continue;
      }
      for (int c = 0; c < channels; ++c) {
        int values[4];
        for (int i = 0; i < n; ++i) values[i] = block[i][c];
        out[c] = static_cast<std::uint8_t>(mean(values, n));
      }
    }
  }
}

}  // namespace

std::size_t mip_chain_bytes(int width, int height, int channels) {
  std::size_t pixels = 0;
  for (int w = width, h = height;; w = std::max(1, w / 2), h = std::max(1, h / 2)) {
    pixels += static_cast<std::size_t>(w) * static_cast<std::size_t>(h);
    if (w <= 1 && h <= 1) break;
  }
  return pixels * static_cast<std::size_t>(channels);
}

void build_mip_chain(std::uint8_t* chain, int width, int height, int channels, MipMode mode) {
  std::uint8_t* level = chain;
  for (int w = width, h = height; w > 1 || h > 1;) {
    std::uint8_t* next = level + static_cast<std::size_t>(w) * h * channels;
    halve(level, w, h, channels, mode, next);
    level = next;
    w = std::max(1, w / 2);
    h = std::max(1, h / 2);
  }
}
