#pragma once
// gzip member decoding for compressed streams: our own header parse, then
// zlib raw inflate (window bits -15). The trailer is not checked.

#include <cstddef>
#include <cstdint>

struct Stream;

// Starts decoding: reads the first input block (at most 16384 bytes, never
// past the stream's limit), checks and skips the gzip header and sets up
// the inflater. False (and nothing allocated) when the header is wrong.
bool start_inflater(Stream* stream);

// Up to `count` decoded bytes into `out`; 0 at the end of the deflate
// data or when the data is damaged.
std::size_t inflate_some(Stream* stream, std::uint8_t* out, std::size_t count);

void free_inflater(Stream* stream);
