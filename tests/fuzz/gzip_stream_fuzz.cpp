// gzip streams on arbitrary bytes, read in pieces of varying sizes, with
// peeks and line reads mixed in.

#include <cstdint>
#include <cstdio>
#include <string>

#include "data/stream.h"
#include "fuzz_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string path = write_fuzz_file(data, size, ".gz");
  const std::string plain = path.substr(0, path.size() - 3);
  if (Stream* stream = stream_open(plain.c_str(), "rb")) {
    char buffer[4096];
    for (std::size_t step = 1;; step = step * 3 % 4093 + 1) {
      stream_peekc(stream);
      if (stream_read(stream, buffer, step) == 0) break;
      if (!stream_gets(stream, buffer, static_cast<int>(step % sizeof buffer) + 1)) break;
    }
    stream_close(stream);
  }
  std::remove(path.c_str());
  return 0;
}
