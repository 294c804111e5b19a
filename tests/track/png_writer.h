#pragma once
// Writes grey PNG files with libpng itself, so the height loader is tested
// against files the reference library made.

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include <png.h>

// `values` row by row, top row first; bit_depth 8 or 16.
inline bool write_reference_grey_png(const std::string& path, int width, int height, int bit_depth,
                                     const std::vector<std::uint16_t>& values) {
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    std::fclose(file);
    return false;
  }
  png_init_io(png, file);
  png_set_IHDR(png, info, width, height, bit_depth, PNG_COLOR_TYPE_GRAY, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  int bytes = bit_depth / 8;
  std::vector<png_byte> row(static_cast<std::size_t>(width) * bytes);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      std::uint16_t v = values[static_cast<std::size_t>(y) * width + x];
      if (bytes == 2) {
        row[2 * x] = static_cast<png_byte>(v >> 8);  // PNG is big-endian
        row[2 * x + 1] = static_cast<png_byte>(v & 0xff);
      } else {
        row[x] = static_cast<png_byte>(v);
      }
    }
    png_write_row(png, row.data());
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  std::fclose(file);
  return true;
}
