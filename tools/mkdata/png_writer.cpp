#include "png_writer.h"

#include <png.h>

#include <csetjmp>

namespace mkdata {

namespace {

void append(png_structp png, png_bytep data, png_size_t size) {
  auto* out = static_cast<std::string*>(png_get_io_ptr(png));
  out->append(reinterpret_cast<const char*>(data), size);
}

void no_flush(png_structp) {}

// Returns an empty string when libpng fails (it can only run out of
// memory here; every size and format is our own).
std::string encode(int width, int height, int bit_depth, int colour_type, int bytes_per_pixel,
                   const std::uint8_t* pixels) {
  std::string out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  if (!png) return {};
  png_infop info = png_create_info_struct(png);
  if (!info || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    out.clear();
    return out;
  }
  png_set_write_fn(png, &out, append, no_flush);
  png_set_compression_level(png, 6);
  png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height),
               bit_depth, colour_type, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  const std::size_t row = static_cast<std::size_t>(width) * bytes_per_pixel;
  for (int y = 0; y < height; ++y)
    png_write_row(png, const_cast<png_bytep>(pixels + row * static_cast<std::size_t>(y)));
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return out;
}

}  // namespace

std::string png_gray16(int width, int height, const std::vector<std::uint16_t>& values) {
  // PNG stores 16-bit samples high byte first.
  std::vector<std::uint8_t> bytes(values.size() * 2);
  for (std::size_t i = 0; i < values.size(); ++i) {
    bytes[2 * i] = static_cast<std::uint8_t>(values[i] >> 8);
    bytes[2 * i + 1] = static_cast<std::uint8_t>(values[i] & 0xff);
  }
  return encode(width, height, 16, PNG_COLOR_TYPE_GRAY, 2, bytes.data());
}

std::string png_rgba(int width, int height, const std::vector<std::uint8_t>& rgba) {
  return encode(width, height, 8, PNG_COLOR_TYPE_RGB_ALPHA, 4, rgba.data());
}

}  // namespace mkdata
