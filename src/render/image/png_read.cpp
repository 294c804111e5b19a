// PNG reading through libpng, from the whole file read through a stream.

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <string>

#include "data/stream.h"
#include "platform/messages.h"
#include "render/image/image.h"

namespace {

// A whole PNG file in memory, with the read position of libpng.
struct PngBytes {
  std::vector<std::uint8_t> data;
  std::size_t at = 0;
};

// Files larger than this are not PNGs the game could use.
constexpr std::size_t kMaxPngBytes = std::size_t{1} << 28;

void read_from_memory(png_structp png, png_bytep data, png_size_t length) {
  auto* bytes = static_cast<PngBytes*>(png_get_io_ptr(png));
  if (bytes->data.size() - bytes->at < length) png_error(png, "truncated");
  std::memcpy(data, bytes->data.data() + bytes->at, length);
  bytes->at += length;
}

std::uint32_t big_endian32(const std::uint8_t* p) {
  return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3];
}

// True when every chunk up to IEND lies inside the file. libpng treats
// an oversized ancillary chunk as a warning and then skips its claimed
// length byte by byte, which a damaged length turns into minutes of work.
bool chunks_fit(const std::vector<std::uint8_t>& data) {
  std::size_t at = 8;
  while (data.size() - at >= 12) {
    const std::uint32_t length = big_endian32(&data[at]);
    if (length > data.size() - at - 12) return false;
    if (std::memcmp(&data[at + 4], "IEND", 4) == 0) return true;
    at += 12 + std::size_t{length};
  }
  return false;
}

// Reads the whole file and checks the signature and the chunk lengths.
bool load_png(const char* name, PngBytes* bytes) {
  StreamPtr stream(stream_open(name, "rb"));
  if (!stream) return false;
  // The signature first, so that no other kind of file is read whole.
  std::uint8_t block[65536];
  if (stream_read(stream.get(), block, 8) != 8 || png_sig_cmp(block, 0, 8) != 0) return false;
  bytes->data.assign(block, block + 8);
  for (std::size_t n; (n = stream_read(stream.get(), block, sizeof block)) > 0;) {
    if (bytes->data.size() + n > kMaxPngBytes) return false;
    bytes->data.insert(bytes->data.end(), block, block + n);
  }
  bytes->at = 8;
  return chunks_fit(bytes->data);
}

// Errors long-jump back to the reader; warnings are not worth a message.
void on_error(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void on_warning(png_structp, png_const_charp) {}

// A libpng read structure with its two info records, freed on scope exit.
struct PngReader {
  png_structp png = nullptr;
  png_infop info = nullptr;
  png_infop end = nullptr;

  explicit PngReader(PngBytes* bytes) {
    png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, on_error, on_warning);
    if (!png) return;
    info = png_create_info_struct(png);
    end = png_create_info_struct(png);
    png_set_read_fn(png, bytes, read_from_memory);
    png_set_sig_bytes(png, 8);
    png_set_user_limits(png, kMaxImageSide, kMaxImageSide);
  }
  ~PngReader() { png_destroy_read_struct(&png, &info, &end); }
  PngReader(const PngReader&) = delete;
  PngReader& operator=(const PngReader&) = delete;
  bool ok() const { return png && info && end; }
};

// The decoded picture after the reader's transforms: rows top to bottom.
struct Decoded {
  int width = 0;
  int height = 0;
  int channels = 0;
  int bit_depth = 0;
  std::vector<std::uint8_t> rows;  // height x row_bytes
  std::size_t row_bytes = 0;
};

enum class Target { Colour, Gray16 };

void set_transforms(png_structp png, png_infop info, Target target) {
  const int colour = png_get_color_type(png, info);
  const int depth = png_get_bit_depth(png, info);
  if (colour == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
  if (colour == PNG_COLOR_TYPE_GRAY && depth < 8) png_set_expand_gray_1_2_4_to_8(png);
  if (target == Target::Colour) {
    if (png_get_valid(png, info, PNG_INFO_tRNS)) png_set_tRNS_to_alpha(png);
    if (depth == 16) png_set_strip_16(png);
    if (colour == PNG_COLOR_TYPE_GRAY || colour == PNG_COLOR_TYPE_GRAY_ALPHA)
      png_set_gray_to_rgb(png);
  } else {
    if (depth == 16) png_set_swap(png);  // the file is big-endian; we want host order
    if (colour & PNG_COLOR_MASK_ALPHA) png_set_strip_alpha(png);
    if (colour & PNG_COLOR_MASK_COLOR) png_set_rgb_to_gray_fixed(png, 1, -1, -1);
  }
  png_set_interlace_handling(png);
}

// The part that libpng may long-jump out of. Only plain data lives here;
// `out` and its buffer are owned by the caller.
bool decode(PngReader& reader, Target target, Decoded* out, std::vector<png_bytep>* row_pointers) {
  png_structp png = reader.png;
  if (setjmp(png_jmpbuf(png))) return false;
  png_read_info(png, reader.info);
  set_transforms(png, reader.info, target);
  png_read_update_info(png, reader.info);
  out->width = static_cast<int>(png_get_image_width(png, reader.info));
  out->height = static_cast<int>(png_get_image_height(png, reader.info));
  out->channels = png_get_channels(png, reader.info);
  out->bit_depth = png_get_bit_depth(png, reader.info);
  out->row_bytes = png_get_rowbytes(png, reader.info);
  if (static_cast<long>(out->width) * out->height > kMaxImagePixels) return false;
  out->rows.resize(out->row_bytes * out->height);
  row_pointers->resize(out->height);
  for (int y = 0; y < out->height; ++y) (*row_pointers)[y] = out->rows.data() + y * out->row_bytes;
  png_read_image(png, row_pointers->data());
  png_read_end(png, reader.end);
  return true;
}

// True when any text chunk, before or after the image data, contains `marker`.
bool has_marker(const PngReader& reader, const char* marker) {
  for (png_infop info : {reader.info, reader.end}) {
    png_textp texts = nullptr;
    int count = 0;
    png_get_text(reader.png, info, &texts, &count);
    for (int i = 0; i < count; ++i) {
      if (texts[i].text && std::strstr(texts[i].text, marker)) return true;
    }
  }
  return false;
}

// Cuts the levels out of a "[mip_custom]" picture (w x h) into `chain`
// (level 0 of height n = 2h/3). False when a level would fall outside the
// picture.
bool cut_custom_levels(const Decoded& picture, int n, std::uint8_t* chain) {
  const int channels = picture.channels;
  int row = 0, column = 0;
  for (int w = picture.width, h = n;; w = std::max(1, w / 2), h = std::max(1, h / 2)) {
    if (column + w > picture.width || row + h > picture.height) return false;
    for (int y = 0; y < h; ++y) {
      std::memcpy(chain, picture.rows.data() + (row + y) * picture.row_bytes + column * channels,
                  static_cast<std::size_t>(w) * channels);
      chain += static_cast<std::size_t>(w) * channels;
    }
    if (w == 1 && h == 1) return true;
    if (row + h < picture.height) {
      row += h;
    } else {
      column += w;
    }
  }
}

}  // namespace

bool read_png(const char* name, Image* out) {
  *out = Image{};
  PngBytes bytes;
  if (!load_png(name, &bytes)) return false;
  PngReader reader(&bytes);
  Decoded picture;
  std::vector<png_bytep> row_pointers;
  if (!reader.ok() || !decode(reader, Target::Colour, &picture, &row_pointers)) return false;
  if (picture.channels != 3 && picture.channels != 4) return false;
  Image image{picture.width, picture.height, picture.channels, {}};
  const std::size_t level0 =
      static_cast<std::size_t>(picture.width) * picture.height * picture.channels;
  if (has_marker(reader, "[mip_custom]")) {
    const int n = 2 * picture.height / 3;
    if (2 * picture.height == 3 * n && n > 0) {
      image.height = n;
      image.pixels.resize(mip_chain_bytes(picture.width, n, picture.channels));
      if (cut_custom_levels(picture, n, image.pixels.data())) {
        *out = std::move(image);
        return true;
      }
    }
    char message[1024];
    std::snprintf(message, sizeof message, "Warning: Invalid height for custom MIP map in '%.950s'",
                  name);
    post_message(message);
    image.height = picture.height;
  }
  image.pixels.assign(mip_chain_bytes(image.width, image.height, image.channels), 0);
  std::memcpy(image.pixels.data(), picture.rows.data(), level0);
  const MipMode mode = has_marker(reader, "[mip_max_alpha]") ? MipMode::MaxAlpha : MipMode::Plain;
  build_mip_chain(image.pixels.data(), image.width, image.height, image.channels, mode);
  *out = std::move(image);
  return true;
}

bool read_rgba_image(const char* name, Image* out) {
  if (read_png(name, out)) {
    if (out->channels == 4) return true;
    // Widening level by level is the same as widening the whole chain.
    std::vector<std::uint8_t> rgba(out->pixels.size() / 3 * 4);
    for (std::size_t i = 0, j = 0; i < out->pixels.size(); i += 3, j += 4) {
      std::memcpy(&rgba[j], &out->pixels[i], 3);
      rgba[j + 3] = 255;
    }
    out->pixels = std::move(rgba);
    out->channels = 4;
    return true;
  }
  StreamPtr stream(stream_open(name, "rb"));
  if (!stream) return false;
  char magic[16];
  read_image_magic(stream.get(), magic);
  if (std::strcmp(magic, "J6") != 0 && std::strcmp(magic, "J7") != 0) return false;
  return read_predictive_after_magic(stream.get(), magic[1] == '6' ? 3 : 4, 4, out);
}

bool read_png_gray16(const char* name, GrayImage16* out) {
  *out = GrayImage16{};
  PngBytes bytes;
  if (!load_png(name, &bytes)) return false;
  PngReader reader(&bytes);
  Decoded picture;
  std::vector<png_bytep> row_pointers;
  if (!reader.ok() || !decode(reader, Target::Gray16, &picture, &row_pointers)) return false;
  if (picture.channels != 1) return false;
  GrayImage16 image{picture.width, picture.height, {}};
  image.samples.resize(static_cast<std::size_t>(picture.width) * picture.height);
  for (int y = 0; y < picture.height; ++y) {
    const std::uint8_t* row = picture.rows.data() + y * picture.row_bytes;
    std::uint16_t* dst = image.samples.data() + static_cast<std::size_t>(y) * picture.width;
    if (picture.bit_depth == 16) {
      std::memcpy(dst, row, static_cast<std::size_t>(picture.width) * 2);
    } else {
      for (int x = 0; x < picture.width; ++x) dst[x] = static_cast<std::uint16_t>(row[x] * 257);
    }
  }
  *out = std::move(image);
  return true;
}
