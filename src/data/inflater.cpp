#include "data/inflater.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>

#include "data/stream_internal.h"

namespace {

constexpr std::size_t kInputBlock = 16384;
constexpr std::size_t kOutputBlock = 16384;

// gzip header flag bits.
constexpr int kFlagHeaderCrc = 1 << 1;
constexpr int kFlagExtra = 1 << 2;
constexpr int kFlagName = 1 << 3;
constexpr int kFlagComment = 1 << 4;
constexpr int kFlagsReserved = 0xe0;

// Reads compressed bytes from the file, never past the stream's limit.
std::size_t read_raw(Stream* stream, std::uint8_t* buffer, std::size_t count) {
  const std::size_t left = static_cast<std::size_t>(stream->limit - stream->position);
  count = std::min(count, left);
  const std::size_t got = std::fread(buffer, 1, count, stream->file);
  stream->position += static_cast<int>(got);
  return got;
}

// Offset just past the gzip header in `data`, or 0 when the header is
// wrong or does not fit in the block.
std::size_t gzip_header_length(const std::uint8_t* data, std::size_t size) {
  if (size < 10 || data[0] != 31 || data[1] != 139 || data[2] != 8) return 0;
  const int flags = data[3];
  if (flags & kFlagsReserved) return 0;
  std::size_t at = 10;  // magic, method, flags, 4-byte time, extra flags, OS
  if (flags & kFlagExtra) {
    if (size - at < 2) return 0;
    const std::size_t length = data[at] | (data[at + 1] << 8);
    at += 2;
    if (size - at < length) return 0;
    at += length;
  }
  for (int flag : {kFlagName, kFlagComment}) {
    if (!(flags & flag)) continue;
    const void* end = std::memchr(data + at, 0, size - at);
    if (!end) return 0;
    at = static_cast<std::size_t>(static_cast<const std::uint8_t*>(end) - data) + 1;
  }
  if (flags & kFlagHeaderCrc) {
    if (size - at < 2) return 0;
    at += 2;
  }
  return at;
}

}  // namespace

struct Inflater {
  z_stream z{};
  bool ended = false;  // deflate data finished or damaged
  std::uint8_t input[kInputBlock];
  std::uint8_t output[kOutputBlock];
  std::size_t output_at = 0;   // next decoded byte to serve
  std::size_t output_end = 0;  // decoded bytes in `output`
};

bool start_inflater(Stream* stream) {
  auto* inf = new Inflater;
  const std::size_t got = read_raw(stream, inf->input, kInputBlock);
  const std::size_t header = gzip_header_length(inf->input, got);
  if (header == 0 || inflateInit2(&inf->z, -15) != Z_OK) {
    delete inf;
    return false;
  }
  inf->z.next_in = inf->input + header;
  inf->z.avail_in = static_cast<uInt>(got - header);
  stream->inflater = inf;
  return true;
}

std::size_t inflate_some(Stream* stream, std::uint8_t* out, std::size_t count) {
  Inflater* inf = stream->inflater;
  std::size_t done = 0;
  while (done < count) {
    if (inf->output_at < inf->output_end) {
      const std::size_t n = std::min(count - done, inf->output_end - inf->output_at);
      std::memcpy(out + done, inf->output + inf->output_at, n);
      inf->output_at += n;
      done += n;
      continue;
    }
    if (inf->ended) break;
    if (inf->z.avail_in == 0) {
      inf->z.next_in = inf->input;
      inf->z.avail_in = static_cast<uInt>(read_raw(stream, inf->input, kInputBlock));
    }
    inf->z.next_out = inf->output;
    inf->z.avail_out = kOutputBlock;
    const bool no_input = inf->z.avail_in == 0;
    const int status = inflate(&inf->z, Z_NO_FLUSH);
    inf->output_at = 0;
    inf->output_end = kOutputBlock - inf->z.avail_out;
    // Truncated data shows as no input left and no progress; damaged data
    // as an error. Either way the stream ends after what was decoded.
    if (status == Z_STREAM_END || (status != Z_OK && status != Z_BUF_ERROR) ||
        (no_input && inf->output_end == 0)) {
      inf->ended = true;
    }
  }
  return done;
}

void free_inflater(Stream* stream) {
  if (!stream->inflater) return;
  inflateEnd(&stream->inflater->z);
  delete stream->inflater;
  stream->inflater = nullptr;
}
