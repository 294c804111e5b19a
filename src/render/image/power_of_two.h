#pragma once
// Preparing images for texture upload without GL: sizes raised to powers
// of two, and the top mip levels dropped from large textures.

#include <cstddef>

#include "render/image/image.h"

// True for 1, 2, 4, 8, ...
bool is_power_of_two(int n);

// An image whose sides are not both powers of two, resampled by nearest
// neighbour to the smallest powers of two not below them (destination
// column j takes source column j x width / new width, rows likewise), with
// a new plain chain. Any custom or max-alpha chain is replaced. An image
// already of power-of-two sides is returned unchanged.
Image to_power_of_two(Image image);

// How many top levels of a power-of-two chain to skip: while `drop` is
// positive and both sides exceed 128, one level (halving both sides).
int levels_to_drop(int width, int height, int drop);

// Byte offset of `level` in a chain of the given level-0 size.
std::size_t mip_level_offset(int width, int height, int channels, int level);
