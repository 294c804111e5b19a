// Every image reader, and the sequence file reader, on arbitrary bytes.

#include <cstdint>
#include <cstdio>
#include <string>

#include "data/stream.h"
#include "fuzz_file.h"
#include "render/image/image.h"
#include "render/image/sequence.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string path = write_fuzz_file(data, size, ".img");
  Image image;
  GrayImage16 heights;
  read_png(path.c_str(), &image);
  read_png_gray16(path.c_str(), &heights);
  read_rgba_image(path.c_str(), &image);
  for (int reader = 0; reader < 3; ++reader) {
    StreamPtr stream(stream_open(path.c_str(), "rb"));
    if (!stream) continue;
    if (reader == 0) read_rgb_image(stream.get(), &image);
    if (reader == 1) read_pgm(stream.get(), &image);
    if (reader == 2) {
      TextureSequence sequence;
      char magic[16];
      read_image_magic(stream.get(), magic);
      read_sequence_after_magic(stream.get(), &sequence);
    }
  }
  std::remove(path.c_str());
  return 0;
}
