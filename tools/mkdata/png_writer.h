#pragma once
// PNG encoding for the generator's pictures, through libpng with fixed
// settings (no time or text chunks, fixed compression) so that the same
// pixels always give the same bytes. An empty result means libpng ran out
// of memory.

#include <cstdint>
#include <string>
#include <vector>

namespace mkdata {

// 16-bit grey, width x height values row by row.
std::string png_gray16(int width, int height, const std::vector<std::uint16_t>& values);

// 8-bit RGBA, 4 bytes per pixel row by row.
std::string png_rgba(int width, int height, const std::vector<std::uint8_t>& rgba);

}  // namespace mkdata
