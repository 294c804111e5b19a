// A bike's engine sound: the pipe taps, the ".braap" file and the set-up
// when a bike is created.

#include "sound/engine_sound.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "data/stream.h"
#include "platform/audio.h"
#include "platform/messages.h"
#include "sim/bike.h"

namespace {

// Samples a pressure wave needs for the trip up and back a pipe of
// `length` feet, kept inside the history (0..32767) whatever the numbers.
std::int32_t reflection_delay(double length) {
  double samples = 2 * length * engine_sample_rate / speed_of_sound;
  if (!(samples >= 0)) return engine_history;  // negative or not a number: d = 0
  if (samples >= engine_history - 1) return 1;
  return engine_history - static_cast<std::int32_t>(samples);
}

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// When `p` starts with `word` followed by a blank or the end of the line,
// moves p past the word and returns true.
bool take_word(const char*& p, const char* word) {
  std::size_t n = std::strlen(word);
  if (std::strncmp(p, word, n) != 0 || (p[n] != '\0' && !is_blank(p[n]))) return false;
  p += n;
  return true;
}

// One number at p, moving p past it. "nan" and "inf" do not count as
// numbers: no engine setting means anything with them.
bool read_float(const char*& p, float& out) {
  char* end = nullptr;
  float value = std::strtof(p, &end);
  if (end == p || !std::isfinite(value)) return false;
  out = value;
  p = end;
  return true;
}

// Reads up to `max` numbers from p (blank separated), stopping at the
// first that does not read; returns how many were read.
int read_floats(const char* p, float* out, int max) {
  int count = 0;
  while (count < max && read_float(p, out[count])) ++count;
  return count;
}

// "pipe LENGTH SPREAD GAIN FIRST LAST": the first three are numbers, the
// last two whole numbers; values not given take the defaults.
void read_pipe_line(EngineSoundDesc& desc, const char* p) {
  float values[3] = {5.0f, 0.918f, -0.85f};
  long taps[2] = {0, 15};
  int got = 0;
  while (got < 3 && read_float(p, values[got])) ++got;
  if (got == 0) return;  // not a pipe line
  for (int i = 0; got == 3 && i < 2; ++i) {
    char* end = nullptr;
    long value = std::strtol(p, &end, 10);
    if (end == p) break;
    taps[i] = std::clamp(value, -1000L, 1000L);
    p = end;
  }
  set_pipe(desc, values[0], values[1], values[2], static_cast<int>(taps[0]),
           static_cast<int>(taps[1]));
}

void read_line(EngineSoundDesc& desc, char* line) {
  if (char* comment = std::strchr(line, '#')) *comment = '\0';
  const char* p = line;
  while (is_blank(*p)) ++p;
  float value = 0;
  if (take_word(p, "pipe")) {
    read_pipe_line(desc, p);
  } else if (take_word(p, "minrpm")) {
    if (read_floats(p, &value, 1)) desc.min_rpm = value;
  } else if (take_word(p, "lowtorque")) {
    if (read_floats(p, &value, 1)) desc.low_torque = value;
  } else if (take_word(p, "hightorque")) {
    if (read_floats(p, &value, 1)) desc.high_torque = value;
  } else if (take_word(p, "bias")) {
    desc.bias_count = read_floats(p, desc.bias.data(), max_firing_list);
  } else if (take_word(p, "scale")) {
    desc.scale_count = read_floats(p, desc.scale.data(), max_firing_list);
  } else if (take_word(p, "soundtable")) {
    while (is_blank(*p)) ++p;
    std::string_view name(p);
    while (!name.empty() && is_blank(name.back())) name.remove_suffix(1);
    if (name.empty()) return;
    if (const SoundTable* table = sound_table(name)) {
      desc.table = table;
    } else {
      char text[600];
      std::snprintf(text, sizeof text, "Error reading '%.512s'", std::string(name).c_str());
      post_message(text);
    }
  }
}

const EngineSoundDesc& class_description(std::string_view bike_class) {
  if (bike_class == "50") return builtin_engine_sound(EngineClass::fifty);
  if (bike_class == "125") return builtin_engine_sound(EngineClass::two_stroke);
  return builtin_engine_sound(EngineClass::four_stroke);
}

const char* class_default_file(std::string_view bike_class) {
  if (bike_class == "50") return "@default50.braap";
  if (bike_class == "125") return "@default125.braap";
  if (bike_class == "250f") return "@default250f.braap";
  return nullptr;
}

bool read_file_named(EngineSoundDesc& desc, const char* name) {
  StreamPtr stream(stream_open(name, "rb"));
  if (!stream) return false;
  read_engine_sound_file(desc, stream.get());
  return true;
}

}  // namespace

void set_pipe(EngineSoundDesc& desc, float length, float spread, float gain, int first, int last) {
  first = std::clamp(first, 0, pipe_taps - 1);
  last = last >= first ? std::min(last, pipe_taps - 1) : first;
  const double m = std::min(length, spread);
  const int n = last - first + 1;
  if (first == last) {
    desc.tap_delay[static_cast<size_t>(first)] = reflection_delay(length);
    desc.tap_gain[static_cast<size_t>(first)] = gain;
    return;
  }
  for (int k = 0; k <= last - first; ++k) {
    double along = static_cast<double>(k) / (last - first);
    double tap_length = length - (k + along * along) * m / n;
    desc.tap_delay[static_cast<size_t>(first + k)] = reflection_delay(tap_length);
    desc.tap_gain[static_cast<size_t>(first + k)] = gain / static_cast<float>(n);
  }
}

void read_engine_sound_file(EngineSoundDesc& desc, Stream* stream) {
  set_pipe(desc, 1.0f, 1.0f, 0.0f, 0, pipe_taps - 1);
  char line[1024];
  while (stream_gets(stream, line, sizeof line)) read_line(desc, line);
  if (desc.scale_count == 0) {
    desc.scale[0] = 1;
    desc.scale_count = 1;
  }
  if (desc.bias_count == 0) {
    desc.bias[0] = 0;
    desc.bias_count = 1;
  }
}

std::vector<std::string> engine_sound_file_names(std::string_view graphic_name) {
  std::vector<std::string> names;
  if (graphic_name.empty()) return names;
  std::string base(graphic_name);
  std::size_t slash = base.rfind('/');
  std::size_t start = slash == std::string::npos ? 0 : slash + 1;
  std::size_t dot = base.rfind('.');
  if (dot != std::string::npos && dot >= start) base.erase(dot);
  names.push_back(base + ".braap");
  for (std::size_t dash; (dash = base.rfind('-')) != std::string::npos && dash >= start;) {
    base.erase(dash);
    names.push_back(base + ".braap");
  }
  return names;
}

void create_engine_sound_for(EngineSound& state, std::string_view bike_class,
                             std::string_view graphic_name) {
  free_engine_sound(state);
  if (audio_current_driver()) {
    std::vector<std::uint8_t> silence(engine_history, 128);
    state.voice = voice_create(engine_history, silence.data(), 0);
    if (state.voice) {
      voice_set_loop(state.voice, true);
      voice_set_volume(state.voice, 0);
      voice_play(state.voice);
    }
  }
  state.history.assign(engine_history, 0.0f);
  state.freq = 10;
  state.prev_rpm = 1000;
  state.write_pos = 11025;
  state.phase = 0;
  state.firings = 0;

  state.desc = class_description(bike_class);
  bool found = false;
  for (const std::string& name : engine_sound_file_names(graphic_name))
    if ((found = read_file_named(state.desc, name.c_str()))) break;
  if (!found)
    if (const char* fallback = class_default_file(bike_class))
      read_file_named(state.desc, fallback);

  const SoundCell& first = state.desc.table->cells.front();
  for (EngineGrain& grain : state.grains) grain = {first.samples, first.sample_count, 0, 0, 0};
}

void create_engine_sound(EngineSound& state, const Bike& bike, const char* graphic_name) {
  std::string_view graphic = graphic_name                 ? std::string_view(graphic_name)
                             : bike.textures.bike.empty() ? bike.model.files.bike_texture.view()
                                                          : std::string_view(bike.textures.bike);
  create_engine_sound_for(state, bike.model.bike_class, graphic);
}

void free_engine_sound(EngineSound& state) {
  if (state.voice) voice_free(state.voice);
  state.voice = nullptr;
  state.history = {};
}
