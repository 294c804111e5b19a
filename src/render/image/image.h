#pragma once
// Image files without GL: the readers and writers of PNG, PPM/PGM and the
// predictive "J6"/"J7" format, and the mip-chain builder. Every file goes
// through a Stream (data/stream.h), so names may start with '@'.
//
// Pixels are 8-bit unsigned per channel, 1 (grey), 3 (RGB) or 4 (RGBA)
// channels, rows top to bottom in file order, no gaps. A mip chain is
// level 0 followed directly by each smaller level: each level's width and
// height are the previous ones halved (minimum 1), ending with 1x1.
//
// Readers return false on failure and leave `out` empty; damaged files
// never crash. Images wider or higher than kMaxImageSide, or with more
// than kMaxImagePixels pixels, are refused so that a bad header cannot
// ask for gigabytes.

#include <cstddef>
#include <cstdint>
#include <vector>

struct Stream;

inline constexpr int kMaxImageSide = 16384;
inline constexpr long kMaxImagePixels = 1L << 24;

struct Image {
  int width = 0;   // of level 0, pixels
  int height = 0;  // of level 0, pixels
  int channels = 0;
  std::vector<std::uint8_t> pixels;  // a full chain, or level 0 only where said
};

// Terrain heights: 16-bit grey in host byte order, no mip levels.
struct GrayImage16 {
  int width = 0;
  int height = 0;
  std::vector<std::uint16_t> samples;
};

enum class MipMode {
  Plain,     // alpha is the mean of the block
  MaxAlpha,  // alpha is the largest of the block (thin shapes stay visible)
};

// Bytes of a full chain for a level-0 size.
std::size_t mip_chain_bytes(int width, int height, int channels);

// Fills the smaller levels of `chain` (mip_chain_bytes long) from level 0
// with the box filter: integer means of 2x2 blocks (of pairs where the
// source is one pixel wide or high); 4-channel colours are weighted by
// alpha unless the block is fully transparent or fully opaque.
void build_mip_chain(std::uint8_t* chain, int width, int height, int channels, MipMode mode);

// Reason for the latest PPM/PGM/predictive refusal ("Can't parse PPM
// header", "Can't get PPM dimensions", ...). Up to 1024 characters.
const char* image_last_error();

// "P3"/"P6" or "J6"/"J7" into 3 channels with a plain chain.
bool read_rgb_image(Stream* stream, Image* out);

// "P2"/"P5" into 1 grey channel, level 0 only.
bool read_pgm(Stream* stream, Image* out);

// The first whitespace-delimited token of a file (at most 15 characters):
// the magic that load_texture and sequence files dispatch on. False at
// the end of the stream.
bool read_image_magic(Stream* stream, char magic[16]);

// The rest of a "P3"/"P6" file after its magic: 3 channels, plain chain.
bool read_ppm_after_magic(Stream* stream, bool text_form, Image* out);

// The rest of a predictive file after its magic: `file_channels` 3 ("J6")
// or 4 ("J7") correction bytes per pixel, decoded into `channels` (3 or
// 4), with a plain chain. A "J6" file decoded into 4 channels has alpha 0.
bool read_predictive_after_magic(Stream* stream, int file_channels, int channels, Image* out);

// A PNG as RGB (3 channels) or RGBA (4, when the file has alpha or a
// transparency chunk), with a chain per the text-chunk markers
// "[mip_max_alpha]" and "[mip_custom]" (the file carries its own levels:
// a picture of height H = 3n/2 holds level 0 of height n and the smaller
// levels beside it). Fails silently on anything that is not a PNG.
bool read_png(const char* name, Image* out);

// read_png, an RGB result widened to RGBA (alpha 255); if the file is not
// a PNG, a "J6" or "J7" file decoded into 4 channels.
bool read_rgba_image(const char* name, Image* out);

// A PNG as 16-bit grey heights: palette and colour converted to grey,
// alpha dropped, 8-bit values v widened to v x 257.
bool read_png_gray16(const char* name, GrayImage16* out);

// Writers. Both write to name + ".tmp" and rename it into place, so a
// failed write never leaves a damaged file under the real name. True on
// success.
//
// `pixels` is 8-bit RGB with its rows BOTTOM to top (as read back from
// the frame buffer); the file gets them top to bottom.
bool write_png_rgb(const char* name, const std::uint8_t* pixels, int width, int height);
// `samples` are 16-bit grey in host order, rows top to bottom.
bool write_png_gray16(const char* name, const std::uint16_t* samples, int width, int height);
