#pragma once

#include <string>

#include "data/stream.h"

// Everything left in the stream, byte by byte through stream_read.
inline std::string read_all(Stream* stream) {
  std::string text;
  char block[7];  // odd size, so reads straddle inflate and file blocks
  for (std::size_t n; (n = stream_read(stream, block, sizeof block)) > 0;) text.append(block, n);
  return text;
}

// The whole content of a stream opened by name, or "<no stream>".
inline std::string read_named(const char* name) {
  StreamPtr stream(stream_open(name, "rb"));
  return stream ? read_all(stream.get()) : "<no stream>";
}
