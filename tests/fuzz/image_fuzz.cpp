// Every image reader on arbitrary bytes.

#include <cstdint>
#include <cstdio>
#include <string>

#include "data/stream.h"
#include "fuzz_file.h"
#include "render/image/image.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string path = write_fuzz_file(data, size, ".img");
  Image image;
  GrayImage16 heights;
  read_png(path.c_str(), &image);
  read_png_gray16(path.c_str(), &heights);
  read_rgba_image(path.c_str(), &image);
  for (bool grey : {false, true}) {
    if (Stream* stream = stream_open(path.c_str(), "rb")) {
      grey ? read_pgm(stream, &image) : read_rgb_image(stream, &image);
      stream_close(stream);
    }
  }
  std::remove(path.c_str());
  return 0;
}
