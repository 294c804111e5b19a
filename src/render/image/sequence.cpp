#include "render/image/sequence.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "data/stream.h"
#include "platform/messages.h"

namespace {

// Frames beyond this much pixel memory are refused: a file naming one big
// PNG thousands of times must not exhaust memory.
constexpr std::size_t kMaxSequenceBytes = std::size_t{256} << 20;

bool refuse(TextureSequence* out) {
  *out = TextureSequence{};
  return false;
}

bool refuse_with(TextureSequence* out, const char* message) {
  post_message(message);
  return refuse(out);
}

// The name after "PNG": the rest of the line without surrounding white space.
bool read_png_line(Stream* stream, std::string* name) {
  char line[1024];
  if (!stream_gets(stream, line, sizeof line)) return false;
  std::string text = line;
  const char* space = " \t\r\n\v\f";
  const std::size_t first = text.find_first_not_of(space);
  const std::size_t last = text.find_last_not_of(space);
  *name = first == std::string::npos ? std::string() : text.substr(first, last - first + 1);
  return true;
}

// One frame, starting with its token.
bool read_frame(Stream* stream, int index, Image* frame) {
  char message[1024];
  char token[16];
  read_image_magic(stream, token);
  if (std::strcmp(token, "J7") == 0 && read_predictive_after_magic(stream, 4, 4, frame)) {
    return true;
  }
  if (std::strcmp(token, "PNG") != 0) {
    std::snprintf(message, sizeof message, "Error reading .seq frame %d", index);
    post_message(message);
    return false;
  }
  std::string name;
  if (!read_png_line(stream, &name)) {
    post_message("EOF while reading .seq");
    return false;
  }
  if (!read_png(name.c_str(), frame)) {
    std::snprintf(message, sizeof message, "Can't read %.900s", name.c_str());
    post_message(message);
    return false;
  }
  return true;
}

}  // namespace

bool read_sequence_after_magic(Stream* stream, TextureSequence* out) {
  *out = TextureSequence{};
  int steps = 0, frame_count = 0;
  if (stream_scanf(stream, "%d %d %d %d", &steps, &frame_count, &out->ticks_per_step, &out->loop) !=
          4 ||
      steps <= 0 || frame_count <= 0 || out->ticks_per_step <= 0) {
    // A zero pace would divide by zero when the animation steps.
    return refuse(out);
  }
  for (int i = 0; i < steps; ++i) {
    int frame = -1;
    if (stream_scanf(stream, "%d ", &frame) != 1 || frame < 0 || frame >= frame_count) {
      return refuse(out);
    }
    out->step_frames.push_back(frame);
  }
  std::size_t bytes = 0;
  for (int i = 0; i < frame_count; ++i) {
    Image frame;
    if (!read_frame(stream, i, &frame)) return refuse(out);
    if (!out->frames.empty()) {
      const Image& first = out->frames.front();
      if (frame.width != first.width || frame.height != first.height) {
        return refuse_with(out, "Width/height mismatch reading .seq");
      }
      if (frame.channels != first.channels) return refuse_with(out, "Depth mismatch reading .seq");
    }
    bytes += frame.pixels.size();
    if (bytes > kMaxSequenceBytes) return refuse(out);
    out->frames.push_back(std::move(frame));
  }
  return true;
}
