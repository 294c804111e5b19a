#include "platform/mixer.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr VolumeTable build_volume_table() {
  VolumeTable table{};
  for (int v = 1; v < mixer_levels; ++v) {
    for (int u = 0; u < 256; ++u) {
      int j = u == 0 ? 127 : (u >= 128 ? u - 128 : 128 - u);
      // The running sum (+v a step, -32 whenever above 31) stays in 0..31
      // after every step, so after j steps it has dropped floor(j v / 32)
      // times.
      int count = j * v / 32;
      table[v][u] = static_cast<std::int8_t>(u >= 128 ? count : -count);
    }
  }
  return table;
}

constexpr VolumeTable volume_table = build_volume_table();

// Longest data a voice may hold after resampling; a longer request is a
// caller's mistake and fails instead of exhausting memory.
constexpr std::int64_t max_voice_bytes = 64 << 20;

constexpr int max_frequency = 1 << 24;

void unlink_node(Mixer& mixer, MixerNode& node) {
  if (node.listed_level < 0) return;
  if (node.prev)
    node.prev->next = node.next;
  else
    mixer.lists[node.channel][node.listed_level] = node.next;
  if (node.next) node.next->prev = node.prev;
  node.prev = node.next = nullptr;
  node.listed_level = -1;
}

// Puts the node at the head of the list of its level.
void file_node(Mixer& mixer, MixerNode& node) {
  unlink_node(mixer, node);
  MixerNode*& head = mixer.lists[node.channel][node.level];
  node.next = head;
  if (head) head->prev = &node;
  head = &node;
  node.listed_level = node.level;
}

void set_levels(Mixer& mixer, KorbVoice& voice) {
  std::int64_t pan = voice.pan, volume = voice.volume;
  voice.nodes[0].level = static_cast<int>(((32767 - pan) * volume) >> 26);
  voice.nodes[1].level = static_cast<int>(((pan + 32768) * volume) >> 26);
  if (voice.playing)
    for (MixerNode& node : voice.nodes) file_node(mixer, node);
}

std::uint64_t data_end(const KorbVoice& voice) {
  return static_cast<std::uint64_t>(voice.data->size()) << 31;
}

std::uint64_t read_step(const Mixer& mixer, const KorbVoice& voice) {
  return (static_cast<std::uint64_t>(voice.frequency) << 31) / static_cast<unsigned>(mixer.rate);
}

// Moves a node `count` samples on without sounding it.
void advance_silently(const Mixer& mixer, MixerNode& node, int count) {
  const KorbVoice& voice = *node.voice;
  unsigned __int128 end = data_end(voice);
  unsigned __int128 position =
      node.position + static_cast<unsigned __int128>(read_step(mixer, voice)) * count;
  if (position >= end) {
    if (voice.loop) {
      position %= end;
    } else {
      node.reached_end = true;
      position = end - 1;
    }
  }
  node.position = static_cast<std::uint64_t>(position);
}

// Mixes one node into `acc`. `audible` nodes add their samples at their
// level; others only advance. A pending level change or restart waits for
// the next change of the samples' sign bit (at once when nothing was heard
// before), and at the latest happens at the end of this block.
void mix_node(const Mixer& mixer, MixerNode& node, std::int32_t* acc, bool audible) {
  KorbVoice& voice = *node.voice;
  const int target = audible ? node.level : 0;
  const bool restart_due = voice.restart && !node.restarted;
  bool pending = restart_due || node.mixed_level != target;
  auto finish_change = [&] {
    pending = false;
    if (restart_due) {
      node.position = 0;
      node.restarted = true;
    }
  };

  if (!audible) {
    if (restart_due) finish_change();
    node.mixed_level = 0;
    advance_silently(mixer, node, mixer.block);
    return;
  }

  const std::uint8_t* data = voice.data->data();
  const std::uint64_t end = data_end(voice);
  const std::uint64_t step = read_step(mixer, voice);
  int level = node.mixed_level;
  for (int i = 0; i < mixer.block; ++i) {
    std::uint8_t byte = data[node.position >> 31];
    if (pending && (level == 0 || (byte & 0x80) != node.last_sign)) {
      finish_change();
      level = target;
      byte = data[node.position >> 31];
    }
    acc[i] += volume_table[level][byte];
    node.last_sign = byte & 0x80;
    node.position += step;
    if (node.position >= end) {
      if (voice.loop) {
        node.position %= end;
      } else {
        node.reached_end = true;
        node.position = end - 1;
        break;
      }
    }
  }
  if (pending) {
    finish_change();
    level = target;
  }
  node.mixed_level = level;
}

void stop_playing(Mixer& mixer, KorbVoice& voice) {
  for (MixerNode& node : voice.nodes) {
    unlink_node(mixer, node);
    node.mixed_level = 0;
    node.position = 0;
  }
  voice.playing = false;
  voice.ended = false;
  voice.restart = false;
}

std::unique_ptr<KorbVoice> new_voice(Mixer& mixer, MixerSamples data) {
  auto voice = std::make_unique<KorbVoice>();
  voice->data = std::move(data);
  voice->frequency = mixer.rate;
  voice->pan = mixer.stereo ? 0 : -32768;
  for (int c = 0; c < 2; ++c) {
    voice->nodes[c].voice = voice.get();
    voice->nodes[c].channel = c;
  }
  return voice;
}

KorbVoice* adopt(Mixer& mixer, std::unique_ptr<KorbVoice> voice) {
  set_levels(mixer, *voice);
  mixer.voices.push_back(std::move(voice));
  return mixer.voices.back().get();
}

}  // namespace

const VolumeTable& mixer_volume_table() { return volume_table; }

std::unique_ptr<Mixer> mixer_create(int rate, bool stereo, bool sixteen_bit, int budget,
                                    int block) {
  auto mixer = std::make_unique<Mixer>();
  mixer->rate = std::max(rate, 1);
  mixer->stereo = stereo;
  mixer->sixteen_bit = sixteen_bit;
  mixer->budget = std::max(budget, 0);
  mixer->block = std::max(block, 1);
  mixer->left.assign(static_cast<size_t>(mixer->block), 0);
  mixer->right.assign(static_cast<size_t>(mixer->block), 0);
  mixer->output.assign(static_cast<size_t>(mixer->block) * (stereo ? 2 : 1) * (sixteen_bit ? 2 : 1),
                       0);
  return mixer;
}

std::span<const std::uint8_t> mixer_mix(Mixer& mixer) {
  std::fill(mixer.left.begin(), mixer.left.end(), 0);
  std::fill(mixer.right.begin(), mixer.right.end(), 0);

  // Loudest first, left and right in turn, so a budget cut keeps the
  // loudest nodes of both channels.
  int budget = mixer.budget;
  auto mix_one = [&](MixerNode* node, int level) {
    if (node->voice->ended) return;  // stopped: silent, leaves after this block
    bool audible = budget > 0 && level >= 1;
    if (audible) --budget;
    mix_node(mixer, *node, node->channel == 0 ? mixer.left.data() : mixer.right.data(), audible);
  };
  for (int level = mixer_levels - 1; level >= 0; --level) {
    MixerNode* left = mixer.lists[0][level];
    MixerNode* right = mixer.lists[1][level];
    while (left || right) {
      if (left) {
        MixerNode* next = left->next;
        mix_one(left, level);
        left = next;
      }
      if (right) {
        MixerNode* next = right->next;
        mix_one(right, level);
        right = next;
      }
    }
  }

  for (auto& owned : mixer.voices) {
    KorbVoice& voice = *owned;
    if (!voice.playing) continue;
    MixerNode& left = voice.nodes[0];
    MixerNode& right = voice.nodes[1];
    voice.restart = false;
    right.position = left.position;
    right.last_sign = left.last_sign;
    bool ended = voice.ended || left.reached_end || right.reached_end;
    for (MixerNode& node : voice.nodes) {
      node.restarted = false;
      node.reached_end = false;
    }
    if (ended) stop_playing(mixer, voice);
  }

  const bool stereo = mixer.stereo;
  std::uint8_t* out = mixer.output.data();
  for (int i = 0; i < mixer.block; ++i) {
    for (int c = 0; c < (stereo ? 2 : 1); ++c) {
      std::int32_t acc =
          c == 0 ? mixer.left[static_cast<size_t>(i)] : mixer.right[static_cast<size_t>(i)];
      if (mixer.sixteen_bit) {
        auto sample = static_cast<std::uint16_t>(std::clamp(acc, -127, 127) * 256);
        *out++ = static_cast<std::uint8_t>(sample & 0xFF);
        *out++ = static_cast<std::uint8_t>(sample >> 8);
      } else {
        *out++ = static_cast<std::uint8_t>(std::clamp(acc, -128, 127) + 128);
      }
    }
  }
  return mixer.output;
}

KorbVoice* mixer_voice_create(Mixer& mixer, int length, const std::uint8_t* data, int rate) {
  if (length < 1 || rate < 0) return nullptr;
  std::int64_t new_length = length;
  if (rate != 0) new_length = static_cast<std::int64_t>(length) * mixer.rate / rate;
  if (new_length < 1 || new_length > max_voice_bytes) return nullptr;

  auto samples = std::make_shared<std::vector<std::uint8_t>>(static_cast<size_t>(new_length), 128);
  if (data) {
    if (rate == 0) {
      std::memcpy(samples->data(), data, static_cast<size_t>(length));
    } else {
      // Nearest earlier sample of the original for each output sample.
      for (std::int64_t i = 0; i < new_length; ++i)
        (*samples)[static_cast<size_t>(i)] = data[i * rate / mixer.rate];
    }
  }
  return adopt(mixer, new_voice(mixer, std::move(samples)));
}

KorbVoice* mixer_voice_clone(Mixer& mixer, KorbVoice* voice) {
  if (!voice) return nullptr;
  auto clone = new_voice(mixer, voice->data);
  clone->frequency = voice->frequency;
  clone->volume = voice->volume;
  clone->pan = voice->pan;
  clone->loop = voice->loop;
  return adopt(mixer, std::move(clone));
}

void mixer_voice_free(Mixer& mixer, KorbVoice* voice) {
  if (!voice) return;
  for (MixerNode& node : voice->nodes) unlink_node(mixer, node);
  std::erase_if(mixer.voices, [voice](const auto& owned) { return owned.get() == voice; });
}

void mixer_voice_play(Mixer& mixer, KorbVoice* voice) {
  if (!voice) return;
  voice->restart = true;
  voice->ended = false;
  if (!voice->playing) {
    voice->playing = true;
    for (MixerNode& node : voice->nodes) {
      node.last_sign = (*voice->data)[0] & 0x80;
      file_node(mixer, node);
    }
  }
}

void mixer_voice_stop(Mixer&, KorbVoice* voice) {
  if (voice && voice->playing) voice->ended = true;
}

void mixer_voice_set_frequency(Mixer&, KorbVoice* voice, int hz) {
  if (voice) voice->frequency = std::clamp(hz, 1, max_frequency);
}

void mixer_voice_set_volume(Mixer& mixer, KorbVoice* voice, int volume) {
  if (!voice) return;
  voice->volume = std::clamp(volume, 0, 32767);
  set_levels(mixer, *voice);
}

void mixer_voice_set_pan(Mixer& mixer, KorbVoice* voice, int pan) {
  if (!voice) return;
  voice->pan = mixer.stereo ? std::clamp(pan, -32768, 32767) : -32768;
  set_levels(mixer, *voice);
}

void mixer_voice_set_loop(Mixer&, KorbVoice* voice, bool on) {
  if (voice) voice->loop = on;
}

int mixer_voice_position(Mixer&, KorbVoice* voice) {
  if (!voice || !voice->playing || voice->restart) return 0;
  return static_cast<int>(voice->nodes[0].position >> 31);
}

void mixer_voice_write(Mixer&, KorbVoice* voice, int length, const std::uint8_t* data, int offset) {
  if (!voice || !data || length <= 0) return;
  std::vector<std::uint8_t>& bytes = *voice->data;
  const std::int64_t size = static_cast<std::int64_t>(bytes.size());
  std::int64_t count = length;
  std::int64_t at = offset;
  if (count > size) {
    // Only the last `size` bytes would survive the wrap-around anyway.
    data += count - size;
    at += count - size;
    count = size;
  }
  at = ((at % size) + size) % size;
  std::int64_t first = std::min(count, size - at);
  std::memcpy(bytes.data() + at, data, static_cast<size_t>(first));
  std::memcpy(bytes.data(), data + first, static_cast<size_t>(count - first));
}
