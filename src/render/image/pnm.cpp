// PPM, PGM and the predictive "J6"/"J7" format.

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "data/stream.h"
#include "render/image/image.h"

namespace {

char g_last_error[1024] = "";

bool refuse(const char* reason) {
  std::snprintf(g_last_error, sizeof g_last_error, "%s", reason);
  return false;
}

// Skips comment lines: optional white space, then '#' to the end of the line.
void skip_comments(Stream* stream) {
  for (;;) {
    stream_scanf(stream, " ");
    if (stream_peekc(stream) != '#') return;
    for (int c = stream_getc(stream); c >= 0 && c != '\n'; c = stream_getc(stream)) {
    }
  }
}

// True when no number can parse from here on: the next character is the
// end, or one that a number, white space or a comment cannot start with.
bool stuck(Stream* stream) {
  const int c = stream_peekc(stream);
  return c < 0 || !((c >= '0' && c <= '9') || c == '+' || c == '-' || c == '#' || c == ' ' ||
                    (c >= '\t' && c <= '\r'));
}

// A decimal number after comment lines; -1 when none parses.
int read_number(Stream* stream) {
  skip_comments(stream);
  int value = -1;
  if (stream_scanf(stream, "%d", &value) != 1) return -1;
  return value;
}

bool dimensions_fit(int width, int height) {
  return width > 0 && height > 0 && width <= kMaxImageSide && height <= kMaxImageSide &&
         static_cast<long>(width) * height <= kMaxImagePixels;
}

// Reads width, height and maximum; false with the format's dimension
// message when one is missing, not positive, or too large.
bool read_header(Stream* stream, const char* error, int* width, int* height, int* maximum) {
  *width = read_number(stream);
  *height = read_number(stream);
  *maximum = read_number(stream);
  // Zero sizes would leave a chain with no level 0 to filter, and a zero
  // maximum would divide by zero: both refused like negative numbers.
  if (!dimensions_fit(*width, *height) || *maximum <= 0) return refuse(error);
  return true;
}

// width x height x channels samples into out->pixels (level 0).
bool read_samples(Stream* stream, bool text_form, int maximum, Image* out) {
  const std::size_t count = static_cast<std::size_t>(out->width) * out->height * out->channels;
  std::uint8_t* pixels = out->pixels.data();
  if (text_form) {
    for (std::size_t i = 0; i < count; ++i) {
      const long long sample = read_number(stream);
      pixels[i] = static_cast<std::uint8_t>(sample * 255 / maximum);
      if (sample == -1 && stuck(stream)) {
        // Every further sample would fail to parse in the same place.
        std::fill(pixels + i, pixels + count, pixels[i]);
        break;
      }
    }
    return true;
  }
  stream_getc(stream);  // the one white-space byte after the maximum
  if (stream_read(stream, pixels, count) != count) return refuse("Truncated image data");
  if (maximum != 255) {
    for (std::size_t i = 0; i < count; ++i) {
      pixels[i] = static_cast<std::uint8_t>(unsigned{pixels[i]} * 255u / unsigned(maximum));
    }
  }
  return true;
}

std::uint8_t predict(const std::uint8_t* pixels, int width, int channels, int x, int y, int c) {
  const auto at = [&](int px, int py) { return int{pixels[(py * width + px) * channels + c]}; };
  if (x == 0 && y == 0) return 0;
  if (y == 0) return static_cast<std::uint8_t>(at(x - 1, 0));
  if (x == 0) return static_cast<std::uint8_t>(at(0, y - 1));
  return static_cast<std::uint8_t>(
      std::clamp(at(x - 1, y) + at(x, y - 1) - at(x - 1, y - 1), 0, 255));
}

}  // namespace

const char* image_last_error() { return g_last_error; }

bool read_image_magic(Stream* stream, char magic[16]) {
  magic[0] = '\0';
  return stream_scanf(stream, "%15s", magic) == 1;
}

bool read_ppm_after_magic(Stream* stream, bool text_form, Image* out) {
  *out = Image{};
  int width, height, maximum;
  if (!read_header(stream, "Can't get PPM dimensions", &width, &height, &maximum)) return false;
  Image image{width, height, 3, std::vector<std::uint8_t>(mip_chain_bytes(width, height, 3))};
  if (!read_samples(stream, text_form, maximum, &image)) return false;
  build_mip_chain(image.pixels.data(), width, height, 3, MipMode::Plain);
  *out = std::move(image);
  return true;
}

bool read_predictive_after_magic(Stream* stream, int file_channels, int channels, Image* out) {
  *out = Image{};
  const int width = read_number(stream);
  const int height = read_number(stream);
  if (!dimensions_fit(width, height)) return refuse("Can't get predictive image dimensions");
  stream_getc(stream);  // the separator
  Image image{width, height, channels,
              std::vector<std::uint8_t>(mip_chain_bytes(width, height, channels))};
  std::vector<std::uint8_t> row(static_cast<std::size_t>(width) * file_channels);
  for (int y = 0; y < height; ++y) {
    if (stream_read(stream, row.data(), row.size()) != row.size()) {
      return refuse("Truncated image data");
    }
    for (int x = 0; x < width; ++x) {
      for (int c = 0; c < channels; ++c) {
        // A channel the file does not carry is predicted only: 0.
        const int correction = c < file_channels ? row[x * file_channels + c] : 0;
        image.pixels[(y * width + x) * channels + c] = static_cast<std::uint8_t>(
            predict(image.pixels.data(), width, channels, x, y, c) + correction);
      }
    }
  }
  build_mip_chain(image.pixels.data(), width, height, channels, MipMode::Plain);
  *out = std::move(image);
  return true;
}

bool read_rgb_image(Stream* stream, Image* out) {
  *out = Image{};
  char magic[16];
  read_image_magic(stream, magic);
  if (std::strcmp(magic, "P3") == 0 || std::strcmp(magic, "P6") == 0) {
    return read_ppm_after_magic(stream, magic[1] == '3', out);
  }
  if (std::strcmp(magic, "J6") == 0 || std::strcmp(magic, "J7") == 0) {
    return read_predictive_after_magic(stream, magic[1] == '6' ? 3 : 4, 3, out);
  }
  return refuse("Can't parse PPM header");
}

bool read_pgm(Stream* stream, Image* out) {
  *out = Image{};
  char magic[16];
  read_image_magic(stream, magic);
  if (std::strcmp(magic, "P2") != 0 && std::strcmp(magic, "P5") != 0) {
    return refuse("Can't parse PGM header");
  }
  int width, height, maximum;
  if (!read_header(stream, "Can't get PGM dimensions", &width, &height, &maximum)) return false;
  Image image{width, height, 1,
              std::vector<std::uint8_t>(static_cast<std::size_t>(width) * height)};
  if (!read_samples(stream, magic[1] == '2', maximum, &image)) return false;
  *out = std::move(image);
  return true;
}
