// PNG writing through libpng into a stream.

#include <png.h>

#include <csetjmp>
#include <string>
#include <vector>

#include "data/stream.h"
#include "render/image/image.h"

namespace {

void write_to_stream(png_structp png, png_bytep data, png_size_t length) {
  auto* stream = static_cast<Stream*>(png_get_io_ptr(png));
  if (stream_write(stream, data, length) != length) png_error(png, "write failed");
}

void flush_stream(png_structp png) { stream_flush(static_cast<Stream*>(png_get_io_ptr(png))); }

void on_error(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void on_warning(png_structp, png_const_charp) {}

struct PngWriter {
  png_structp png = nullptr;
  png_infop info = nullptr;

  explicit PngWriter(Stream* stream) {
    // The running library's own version: a fixed older version string
    // makes libpng 1.6 refuse to create the structure at all.
    png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, on_error, on_warning);
    if (!png) return;
    info = png_create_info_struct(png);
    png_set_write_fn(png, stream, write_to_stream, flush_stream);
  }
  ~PngWriter() { png_destroy_write_struct(&png, &info); }
  PngWriter(const PngWriter&) = delete;
  PngWriter& operator=(const PngWriter&) = delete;
};

// The part libpng may long-jump out of; rows are prepared by the caller.
bool encode(PngWriter& writer, int width, int height, int bit_depth, int colour_type,
            png_bytepp rows) {
  png_structp png = writer.png;
  if (!png || !writer.info) return false;
  if (setjmp(png_jmpbuf(png))) return false;
  png_set_IHDR(png, writer.info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height),
               bit_depth, colour_type, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, writer.info);
  if (bit_depth == 16) png_set_swap(png);  // host order samples, big-endian file
  png_write_image(png, rows);
  png_write_end(png, writer.info);
  return true;
}

// Writes to name + ".tmp", then renames it over `name`.
bool write_png(const char* name, int width, int height, int bit_depth, int colour_type,
               std::vector<png_bytep>& rows) {
  if (width <= 0 || height <= 0) return false;
  const std::string temporary = std::string(name) + ".tmp";
  bool written;
  {
    StreamPtr stream(stream_open(temporary.c_str(), "wb"));
    if (!stream) return false;
    PngWriter writer(stream.get());
    written = encode(writer, width, height, bit_depth, colour_type, rows.data()) &&
              stream_flush(stream.get());
  }
  if (written && stream_rename(temporary.c_str(), name)) return true;
  stream_remove(temporary.c_str());  // leave no half-written file behind
  return false;
}

}  // namespace

bool write_png_rgb(const char* name, const std::uint8_t* pixels, int width, int height) {
  std::vector<png_bytep> rows(height > 0 ? height : 0);
  for (int y = 0; y < height; ++y) {
    // Bottom-up buffer, top-down file.
    rows[y] = const_cast<png_bytep>(pixels + static_cast<std::size_t>(height - 1 - y) * width * 3);
  }
  return write_png(name, width, height, 8, PNG_COLOR_TYPE_RGB, rows);
}

bool write_png_gray16(const char* name, const std::uint16_t* samples, int width, int height) {
  std::vector<png_bytep> rows(height > 0 ? height : 0);
  for (int y = 0; y < height; ++y) {
    rows[y] = reinterpret_cast<png_bytep>(
        const_cast<std::uint16_t*>(samples + static_cast<std::size_t>(y) * width));
  }
  return write_png(name, width, height, 16, PNG_COLOR_TYPE_GRAY, rows);
}
