#include "render/texture.h"

#include <GL/gl.h>
#include <strings.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "data/stream.h"
#include "platform/log.h"
#include "platform/messages.h"
#include "render/image/border_colour.h"
#include "render/image/power_of_two.h"
#include "render/image/sequence.h"

int texture_generation = 0;
std::uint32_t texture_bytes = 0;
int texture_detail = 1;

namespace {

// A texture whose content is replaced from frames kept in memory as the
// simulation ticks. Belongs to the cache entry with the same id.
struct TextureAnim {
  unsigned id = 0;
  int current = 0;  // frame now uploaded
  int start_tick = 0;
  bool paused = false;
  TextureSequence sequence;
};

// Program-run lifetime: never cleared except by free_all_textures.
std::vector<TextureEntry> cache;
std::vector<TextureAnim> animations;

void post(const char* format, const char* text) {
  char line[1100];
  std::snprintf(line, sizeof line, format, text);
  post_message(line);
}

// Every level of a chain from its level 0 size, halving to 1x1.
void for_each_level(int width, int height, int channels,
                    const auto& level /* (index, w, h, byte offset) */) {
  std::size_t offset = 0;
  for (int index = 0;; ++index) {
    level(index, width, height, offset);
    if (width == 1 && height == 1) return;
    offset += static_cast<std::size_t>(width) * height * channels;
    width = std::max(1, width / 2);
    height = std::max(1, height / 2);
  }
}

GLenum pixel_format(int channels) { return channels == 4 ? GL_RGBA : GL_RGB; }

TextureAnim* find_anim(unsigned id) {
  for (TextureAnim& anim : animations)
    if (anim.id == id) return &anim;
  return nullptr;
}

bool cached(unsigned id) {
  return std::any_of(cache.begin(), cache.end(),
                     [id](const TextureEntry& entry) { return entry.id == id; });
}

// A sequence file after its "ANIM1" token: the first step's frame is
// uploaded as is (frames keep their own size), the animation registered.
unsigned load_sequence(Stream* in, bool repeat_s, bool repeat_t) {
  TextureAnim anim;
  if (!read_sequence_after_magic(in, &anim.sequence)) return 0;
  anim.current = anim.sequence.step_frames[0];
  const Image& frame = anim.sequence.frames[static_cast<std::size_t>(anim.current)];
  anim.id = upload_texture(frame.pixels.data(), frame.width, frame.height, frame.channels, repeat_s,
                           repeat_t);
  unsigned id = anim.id;
  animations.push_back(std::move(anim));
  return id;
}

// Decodes the file by its first token. `still` is cleared for sequences
// (exempt from the power-of-two warning); `decoded` gets the still image's
// size before resampling.
unsigned load_texture_file(Stream* in, bool repeat_s, bool repeat_t, int drop, bool* still,
                           Image* decoded) {
  char magic[16];
  if (!read_image_magic(in, magic)) return 0;
  std::string_view token(magic);
  bool ok = false;
  if (token == "J7") {
    ok = read_predictive_after_magic(in, 4, 4, decoded);
  } else if (token == "J6") {
    ok = read_predictive_after_magic(in, 3, 3, decoded);
  } else if (token == "P3" || token == "P6") {
    ok = read_ppm_after_magic(in, token == "P3", decoded);
  } else if (token == "ANIM1") {
    *still = false;
    return load_sequence(in, repeat_s, repeat_t);
  }
  return ok ? upload_texture_pow2(*decoded, repeat_s, repeat_t, drop) : 0;
}

}  // namespace

const std::vector<TextureEntry>& texture_cache() { return cache; }

unsigned upload_texture(const std::uint8_t* chain, int width, int height, int channels,
                        bool repeat_s, bool repeat_t) {
  GLuint id = 0;
  glGenTextures(1, &id);
  glBindTexture(GL_TEXTURE_2D, id);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, repeat_s ? GL_REPEAT : GL_CLAMP);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, repeat_t ? GL_REPEAT : GL_CLAMP);
  // Drain earlier errors so the one read below belongs to clamp-to-edge;
  // bounded, since a lost context may report an error on every call.
  for (int i = 0; i < 64 && glGetError() != GL_NO_ERROR; ++i) {
  }
  if (!repeat_s) glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
  if (!repeat_t) glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  // Without clamp-to-edge, linear filtering would blend in the border.
  bool edge_clamp = glGetError() == GL_NO_ERROR;
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER,
                  edge_clamp ? GL_LINEAR_MIPMAP_NEAREST : GL_NEAREST_MIPMAP_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  std::array<float, 4> border{0, 0, 0, 0};
  if (channels == 3) border = border_colour(chain, width, height);
  glTexParameterfv(GL_TEXTURE_2D, GL_TEXTURE_BORDER_COLOR, border.data());
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  for_each_level(width, height, channels, [&](int level, int w, int h, std::size_t offset) {
    glTexImage2D(GL_TEXTURE_2D, level, channels, w, h, 0, pixel_format(channels), GL_UNSIGNED_BYTE,
                 chain + offset);
    texture_bytes += static_cast<std::uint32_t>(w * h * channels);
  });
  glBindTexture(GL_TEXTURE_2D, 0);
  return id;
}

unsigned upload_texture_pow2(const Image& image, bool repeat_s, bool repeat_t, int drop) {
  const Image* source = &image;
  Image resampled;
  if (!is_power_of_two(image.width) || !is_power_of_two(image.height)) {
    resampled = to_power_of_two(image);
    source = &resampled;
  }
  int skip = levels_to_drop(source->width, source->height, drop);
  std::size_t offset = mip_level_offset(source->width, source->height, source->channels, skip);
  return upload_texture(source->pixels.data() + offset, source->width >> skip,
                        source->height >> skip, source->channels, repeat_s, repeat_t);
}

unsigned load_texture(const char* requested) {
  const std::uint32_t bytes_at_entry = texture_bytes;
  int drop = texture_detail;
  if (requested[0] == '!') {
    drop = 0;
    ++requested;
  }
  for (TextureEntry& entry : cache) {
    bool exact = entry.name == requested;
    if (!exact && strcasecmp(entry.name.c_str(), requested) != 0) continue;
    if (!exact) post("Warning: case mismatch on '%.900s'", requested);
    if (entry.generation != 0 && entry.generation != texture_generation) {
      entry.generation = texture_generation;
      texture_bytes += entry.bytes;
    }
    return entry.id;
  }

  StreamPtr in{stream_open(requested, "rb")};
  if (!in) {
    if (debug_level >= 1) post("Can't open texture \"%.900s\"", requested);
    return 0;
  }
  std::string_view name(requested);
  bool repeat_both = name.find("-repeat.") != std::string_view::npos;
  bool repeat_s = repeat_both || name.find("-hrepeat.") != std::string_view::npos;
  bool repeat_t = repeat_both || name.find("-vrepeat.") != std::string_view::npos;
  bool still = true;
  Image decoded;
  unsigned id = load_texture_file(in.get(), repeat_s, repeat_t, drop, &still, &decoded);
  in.reset();
  if (!id) {
    still = true;
    if (!read_png(requested, &decoded)) {
      // An opened file that no reader takes would otherwise fail silently.
      post("Warning: can't read texture '%.900s'", requested);
      return 0;
    }
    id = upload_texture_pow2(decoded, repeat_s, repeat_t, drop);
  }
  if (still && (!is_power_of_two(decoded.width) || !is_power_of_two(decoded.height)))
    post("Warning: Non power of 2 texture '%.950s'", requested);
  cache.push_back({id, texture_generation, texture_bytes - bytes_at_entry, requested});
  return id;
}

const char* texture_name(unsigned id) {
  for (const TextureEntry& entry : cache)
    if (entry.id == id) return entry.name.c_str();
  return nullptr;
}

void animate_textures(int tick) {
  for (TextureAnim& anim : animations) {
    if (anim.paused) continue;
    const TextureSequence& seq = anim.sequence;
    const int steps = static_cast<int>(seq.step_frames.size());
    int step = std::max(0, tick - anim.start_tick) / seq.ticks_per_step;
    step = seq.loop ? step % steps : std::min(step, steps - 1);
    int frame_index = seq.step_frames[static_cast<std::size_t>(step)];
    if (frame_index == anim.current) continue;
    const Image& frame = seq.frames[static_cast<std::size_t>(frame_index)];
    glBindTexture(GL_TEXTURE_2D, anim.id);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    for_each_level(frame.width, frame.height, frame.channels,
                   [&](int level, int w, int h, std::size_t offset) {
                     glTexSubImage2D(GL_TEXTURE_2D, level, 0, 0, w, h, pixel_format(frame.channels),
                                     GL_UNSIGNED_BYTE, frame.pixels.data() + offset);
                   });
    anim.current = frame_index;
  }
  glBindTexture(GL_TEXTURE_2D, 0);
}

void start_texture_anim(unsigned id, int tick) {
  if (TextureAnim* anim = find_anim(id)) {
    anim->paused = false;
    anim->start_tick = tick;
  }
}

void stop_texture_anim(unsigned id) {
  if (TextureAnim* anim = find_anim(id)) anim->paused = true;
}

void new_texture_generation() {
  ++texture_generation;
  texture_bytes = 0;
}

void purge_textures() {
  for (std::size_t i = cache.size(); i-- > 0;) {
    TextureEntry& entry = cache[i];
    if (entry.generation == 0 || entry.generation == texture_generation) continue;
    if (debug_level >= 1) {
      char line[1000];
      std::snprintf(line, sizeof line, "deleting tid %u (%.900s)", entry.id, entry.name.c_str());
      post_message(line);
    }
    glDeleteTextures(1, &entry.id);
    cache.erase(cache.begin() + static_cast<std::ptrdiff_t>(i));
  }
  for (std::size_t i = animations.size(); i-- > 0;) {
    if (cached(animations[i].id)) continue;
    if (debug_level >= 1) {
      char line[100];
      std::snprintf(line, sizeof line, "deleting anim %zu for tid %u", i, animations[i].id);
      post_message(line);
    }
    animations.erase(animations.begin() + static_cast<std::ptrdiff_t>(i));
  }
}

void free_all_textures() {
  for (const TextureEntry& entry : cache) glDeleteTextures(1, &entry.id);
  cache.clear();
  animations.clear();
}
