#pragma once
// Animated texture files (".seq"): the frames and the order and pace in
// which they are shown. Only the file; turning frames into GL textures
// and stepping them belongs to the texture loader.
//
//   ANIM1 <steps> <frame count> <ticks per step> <loop>
//   <frame index> ... (steps of them)
//   then per frame either "J7" and a predictive RGBA image inline, or
//   "PNG <name>" naming a PNG file read with read_png.

#include <vector>

#include "render/image/image.h"

struct Stream;

struct TextureSequence {
  int ticks_per_step = 1;        // simulation ticks (1/128 s) per step, > 0
  int loop = 0;                  // non-zero: wrap around; zero: stop on the last step
  std::vector<int> step_frames;  // frame shown at each step, each < frames.size()
  std::vector<Image> frames;     // all of one width, height and channel count, with chains
};

// Reads a sequence after its "ANIM1" token. False (and `out` empty) when
// the file is refused: counts not positive, too few or out-of-range step
// entries, a frame that cannot be read, frames of different sizes or
// channels, or more than 256 MiB of frames. Refusals about frames are
// posted: "Error reading .seq frame %d", "EOF while reading .seq",
// "Can't read %.900s", "Width/height mismatch reading .seq", "Depth
// mismatch reading .seq".
bool read_sequence_after_magic(Stream* stream, TextureSequence* out);
