// The current audio driver and the forwarding operations.

#include "platform/audio.h"

#include "platform/audio_drivers.h"
#include "platform/log.h"
#include "platform/options.h"

namespace {
// The program-wide current driver: set by a successful start, back to none
// at audio_close.
const AudioDriver* current = nullptr;
}  // namespace

KorbAudio* audio_start(KorbWindow* window) {
  // DirectSound exists only on Windows; the option is honoured by saying so.
  if (korb_option_flag("dsnd", true)) korb_log("DirectSound audio is not available here\n");
  if (!korb_option_flag("waveout", true)) return nullptr;
  if (current) {
    korb_log("Audio already open\n");
    return nullptr;
  }
  const AudioDriver& driver = waveout_audio_driver();
  KorbAudio* audio = driver.audio_open_device(window);
  if (audio) current = &driver;
  return audio;
}

KorbAudio* audio_start_readback(KorbWindow* window, int rate, int block) {
  if (current) {
    korb_log("Audio already open\n");
    return nullptr;
  }
  const AudioDriver& driver = readback_audio_driver();
  KorbAudio* audio = driver.audio_open_readback(window, rate, block);
  if (audio) current = &driver;
  return audio;
}

const AudioDriver* audio_current_driver() { return current; }

void audio_close() {
  if (!current) return;
  const AudioDriver* driver = current;
  current = nullptr;
  driver->audio_close();
}

int audio_update() { return current ? current->audio_update() : 0; }

std::span<const std::uint8_t> audio_read_back() {
  return current ? current->audio_read_back() : std::span<const std::uint8_t>{};
}

KorbVoice* voice_create(int length, const std::uint8_t* data, int rate) {
  return current ? current->voice_create(length, data, rate) : nullptr;
}

KorbVoice* voice_clone(KorbVoice* voice) { return current ? current->voice_clone(voice) : nullptr; }

void voice_free(KorbVoice* voice) {
  if (current) current->voice_free(voice);
}

void voice_play(KorbVoice* voice) {
  if (current) current->voice_play(voice);
}

void voice_stop(KorbVoice* voice) {
  if (current) current->voice_stop(voice);
}

void voice_set_frequency(KorbVoice* voice, int hz) {
  if (current) current->voice_set_frequency(voice, hz);
}

void voice_set_volume(KorbVoice* voice, int volume) {
  if (current) current->voice_set_volume(voice, volume);
}

void voice_set_pan(KorbVoice* voice, int pan) {
  if (current) current->voice_set_pan(voice, pan);
}

void voice_set_loop(KorbVoice* voice, bool on) {
  if (current) current->voice_set_loop(voice, on);
}

int voice_position(KorbVoice* voice) { return current ? current->voice_position(voice) : 0; }

void voice_write(KorbVoice* voice, int length, const std::uint8_t* data, int offset) {
  if (current) current->voice_write(voice, length, data, offset);
}
