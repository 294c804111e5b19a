// stream_scanf on arbitrary input with every directive. The first byte
// picks the format; every text conversion has a width within its buffer.

#include <cstdint>
#include <cstdio>
#include <string>

#include "data/stream.h"
#include "fuzz_file.h"

namespace {

const char* const kFormats[] = {
    "%d %i %o %x %X %n",           "%hd %hhd %ld %lld %5d %*d %n",
    "%f %lf %Lf %3f %*f %n",       "%63s %63[^\n] %63c",
    "%63[]a-z-] %63[^]0-9] %n %%", "ct03 %d %63s",
    "%10c%63[abc]%3i%2x",          " %*63s%n ",
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const char* format = kFormats[data[0] % (sizeof kFormats / sizeof kFormats[0])];
  const std::string path = write_fuzz_file(data + 1, size - 1, ".txt");
  Stream* stream = stream_open(path.c_str(), "rb");
  if (!stream) return 0;
  // Enough storage of every kind for any of the formats, read repeatedly.
  union Slot {
    long long integer;
    long double real;
    char text[64];
  } slots[8];
  for (int round = 0; round < 64; ++round) {
    const int result = stream_scanf(stream, format, &slots[0], &slots[1], &slots[2], &slots[3],
                                    &slots[4], &slots[5], &slots[6], &slots[7]);
    if (result < -1 || result > 8) __builtin_trap();
    if (result <= 0 && stream_getc(stream) < 0) break;
  }
  stream_close(stream);
  std::remove(path.c_str());
  return 0;
}
