#pragma once
// The border colour of a clamped RGB texture, seen where GL_CLAMP stays
// in force: the most common colour along the edges of level 0.

#include <array>
#include <cstdint>

// Every pixel of the first and last rows and columns of an RGB level 0
// (corners count twice) is quantised to 8 levels per channel (value x 7 /
// 255) and counted; the most common bin gives (red / 7, green / 7,
// blue / 7, 0). On a tie the bin with the lowest index (red x 64 + green x
// 8 + blue) wins.
std::array<float, 4> border_colour(const std::uint8_t* rgb, int width, int height);
