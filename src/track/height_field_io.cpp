// Reading and writing the terrain files: terrain.hf with its inline or
// PNG samples, the shading maps and the shadow map.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "base/ripemd160.h"
#include "data/stream.h"
#include "platform/log.h"
#include "platform/messages.h"
#include "render/image/image.h"
#include "track/height_field.h"
#include "track/save_file.h"

namespace {

void post_cant_open(const std::string& path) {
  char text[1100];
  std::snprintf(text, sizeof text, "Can't open '%.950s'", path.c_str());
  post_message(text);
}

// Reads the text header and the raw 16-bit samples (file order, j rows
// then i) into `raw`. False with the header messages posted.
bool read_raw_heights(HeightField& field, std::string_view dir, std::vector<std::uint16_t>& raw) {
  std::string path = std::string(dir) + "/terrain.hf";
  StreamPtr in{stream_open(path.c_str(), "rb")};
  if (!in) {
    post_cant_open(path);
    return false;
  }
  int shift = 0;
  float spacing = 0, min_height = 0, max_height = 0;
  int fields = stream_scanf(in.get(), "%d %f %f %f ", &shift, &spacing, &min_height, &max_height);
  // Beyond four numbers, the values must describe a field we can hold: a
  // hostile shift would ask for gigabytes or shift out of range.
  if (fields != 4 || shift < 0 || shift > kMaxHeightFieldShift || !(spacing > 0) ||
      !std::isfinite(spacing) || !std::isfinite(min_height) || !std::isfinite(max_height)) {
    post_message("Bad height field parameters");
    post_message("Error reading heights");
    return false;
  }
  set_height_field_geometry(field, shift, spacing);
  field.min_height = min_height;
  field.max_height = max_height;
  std::size_t n = static_cast<std::size_t>(field.size) * field.size;
  raw.assign(n, 0);

  if (stream_getc(in.get()) == ':') {
    std::vector<std::uint8_t> bytes(n * 2);
    if (stream_read(in.get(), bytes.data(), bytes.size()) != bytes.size()) {
      post_message("Error reading heights");
      return false;
    }
    for (std::size_t k = 0; k < n; ++k)
      raw[k] = std::uint16_t(bytes[2 * k] | bytes[2 * k + 1] << 8);
    return true;
  }

  GrayImage16 png;
  // Without a readable terrain.png every sample stays raw 0: a flat field.
  if (!read_png_gray16((std::string(dir) + "/terrain.png").c_str(), &png) || png.width <= 0 ||
      png.height <= 0)
    return true;
  // A smaller picture repeats its last column and row; a larger one is cut.
  for (int j = 0; j < field.size; ++j) {
    const std::uint16_t* row =
        &png.samples[static_cast<std::size_t>(std::min(j, png.height - 1)) * png.width];
    for (int i = 0; i < field.size; ++i)
      raw[static_cast<std::size_t>(j) * field.size + i] = row[std::min(i, png.width - 1)];
  }
  return true;
}

bool read_shading(HeightField& field, std::string_view dir) {
  std::string path = std::string(dir) + "/shadingx2.ppm";
  StreamPtr in{stream_open(path.c_str(), "rb")};
  bool halve = false;
  if (!in) {
    path = std::string(dir) + "/shading.ppm";
    in.reset(stream_open(path.c_str(), "rb"));
    if (!in) {
      post_cant_open(path);
      return false;
    }
    halve = true;
  }
  Image image;
  if (!read_rgb_image(in.get(), &image)) {
    post_message("Error reading shading");
    return false;
  }
  if (image.width != field.size || image.height != field.size) {
    char text[100];
    std::snprintf(text, sizeof text, "Bad shading dimensions (%dx%d)", image.width, image.height);
    post_message(text);
    return false;
  }
  std::size_t n = static_cast<std::size_t>(field.size) * field.size * 3;
  field.shading.assign(image.pixels.begin(), image.pixels.begin() + n);
  if (halve)
    for (auto& b : field.shading) b = static_cast<std::uint8_t>(b >> 1);
  return true;
}

}  // namespace

bool load_height_field(HeightField& field, std::string_view dir) {
  clear_height_field(field);
  std::vector<std::uint16_t> raw;
  if (!read_raw_heights(field, dir, raw)) {
    clear_height_field(field);
    return false;
  }
  Ripemd160 digest;
  field.heights.resize(raw.size());
  double scale = (double(field.max_height) - field.min_height) / 65535;
  for (std::size_t k = 0; k < raw.size(); ++k) {
    std::uint8_t bytes[2] = {static_cast<std::uint8_t>(raw[k] & 0xff),
                             static_cast<std::uint8_t>(raw[k] >> 8)};
    digest.update(bytes, 2);
    field.heights[k] = static_cast<float>(field.min_height + raw[k] * scale);
  }
  Ripemd160Digest heights_digest = digest.finish();
  if (debug_level >= 2) korb_log("%s\n", digest_hex(heights_digest).c_str());
  if (!read_shading(field, dir)) {
    clear_height_field(field);
    return false;
  }
  return true;
}

bool load_shadow_map(HeightField& field, std::string_view dir) {
  std::size_t n = static_cast<std::size_t>(field.size) * field.size;
  field.shadows.assign(n, 0);
  StreamPtr in{stream_open((std::string(dir) + "/shadows.pgm").c_str(), "rb")};
  if (!in) return true;
  Image image;
  if (!read_pgm(in.get(), &image)) {
    post_message("Error reading shadows");
    field.shadows.clear();
    return false;
  }
  if (image.width != field.size || image.height != field.size) {
    korb_log("Bad shadow dimensions (%dx%d)\n", image.width, image.height);
    field.shadows.clear();
    return false;
  }
  for (std::size_t k = 0; k < n; ++k)
    field.shadows[k] = static_cast<std::uint8_t>(255 - image.pixels[k]);
  return true;
}

namespace {

bool write_ppm(const std::string& name, const HeightField& field, bool doubled) {
  return save_track_file(name, [&](Stream* out) {
    if (stream_printf(out, "P6\n%d %d\n255\n", field.size, field.size) < 0) return false;
    std::vector<std::uint8_t> bytes(field.shading);
    if (doubled)
      for (auto& b : bytes) b = static_cast<std::uint8_t>(std::min(b * 2, 255));
    return stream_write(out, bytes.data(), bytes.size()) == bytes.size();
  });
}

}  // namespace

bool save_height_field(const HeightField& field, std::string_view track_name) {
  const std::string base = "@" + std::string(track_name) + "/";
  float lo =
      field.heights.empty() ? 0 : *std::min_element(field.heights.begin(), field.heights.end());
  float hi =
      field.heights.empty() ? 0 : *std::max_element(field.heights.begin(), field.heights.end());
  // A flat field would divide by zero below; a wider stored range keeps
  // every sample at raw 0, which reads back as the same flat height.
  if (!(hi > lo)) hi = lo + 1;

  if (!save_track_file(base + "terrain.hf", [&](Stream* out) {
        return stream_printf(out, "%d %f %f %f\n", field.shift, double(field.spacing), double(lo),
                             double(hi)) >= 0;
      })) {
    post_message("Can't open 'terrain.hf'");
    return false;
  }

  std::vector<std::uint16_t> samples(field.heights.size());
  for (std::size_t k = 0; k < samples.size(); ++k) {
    double v = (double(field.heights[k]) - lo) / (double(hi) - lo) * 65535 + 0.5;
    samples[k] = static_cast<std::uint16_t>(std::clamp(v, 0.0, 65535.0));
  }
  if (!write_png_gray16((base + "terrain.png").c_str(), samples.data(), field.size, field.size)) {
    post_message("Can't open 'terrain.png'");
    return false;
  }

  if (!write_ppm(base + "shading.ppm", field, true)) {
    post_message("Can't open 'shading.ppm'");
    return false;
  }
  if (!write_ppm(base + "shadingx2.ppm", field, false)) {
    post_message("Can't open 'shadingx2.ppm'");
    return false;
  }
  return true;
}
