// The waveout driver on SDL2: the software mixer fills fragments of 1/64 s
// from SDL's audio callback thread. Every voice operation on the main
// thread and every fragment mixed on the audio thread hold the audio mutex.

#include <SDL.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/audio_drivers.h"
#include "platform/log.h"
#include "platform/mixer_driver.h"
#include "platform/options.h"

namespace {

// Lives from a successful open to close. The callback reads it only while
// the device is open, and close stops the device before freeing it.
struct WaveOut {
  KorbAudio audio;
  SDL_AudioDeviceID device = 0;
  std::mutex mutex;                  // the audio mutex
  std::vector<std::uint8_t> staged;  // the last fragment mixed
  std::size_t staged_used = 0;       // bytes of it already handed to SDL
  bool thread_logged = false;        // audio thread only
};
std::unique_ptr<WaveOut> wave;

struct Access {
  static Mixer* mixer() { return wave ? wave->audio.mixer.get() : nullptr; }
  struct Guard {
    Guard() {
      if (wave) wave->mutex.lock();
    }
    ~Guard() {
      if (wave) wave->mutex.unlock();
    }
    Guard(const Guard&) = delete;
    Guard& operator=(const Guard&) = delete;
  };
};

// SDL asks for `length` bytes; they are cut from whole mixed fragments, so
// the mixer always works in its own fragment length whatever SDL's buffer.
void SDLCALL fill_audio(void* user, Uint8* stream, int length) {
  auto& w = *static_cast<WaveOut*>(user);
  if (!w.thread_logged) {
    w.thread_logged = true;
    korb_log("Audio thread begin\n");
  }
  while (length > 0) {
    if (w.staged_used == w.staged.size()) {
      std::lock_guard lock(w.mutex);
      std::span<const std::uint8_t> fragment = mixer_mix(*w.audio.mixer);
      w.staged.assign(fragment.begin(), fragment.end());
      w.staged_used = 0;
    }
    std::size_t take = std::min(static_cast<std::size_t>(length), w.staged.size() - w.staged_used);
    std::memcpy(stream, w.staged.data() + w.staged_used, take);
    w.staged_used += take;
    stream += take;
    length -= static_cast<int>(take);
  }
}

void close() {
  if (!wave) {
    korb_log("Can't close audio, not open\n");
    return;
  }
  korb_log("Closing audio\n");
  // Returns once the callback has finished; it is never called again.
  SDL_CloseAudioDevice(wave->device);
  if (wave->thread_logged) korb_log("Audio thread end\n");
  wave.reset();
  SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

// A program that exits with the device open must stop SDL's thread before
// the mixer it reads is destroyed with the other statics.
void close_at_exit() {
  if (wave) close();
}

KorbAudio* open_device(KorbWindow*) {
  korb_log("Opening waveOut audio...\n");
  if (wave) {
    korb_log("Audio already open\n");
    return nullptr;
  }
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
    korb_log("No audio device\n");
    korb_report_error(SDL_GetError());
    return nullptr;
  }
  const char* driver_name = SDL_GetCurrentAudioDriver();
  korb_log("Found a %s\n", driver_name ? driver_name : "sound device");

  int channels = std::max(korb_option_int("sound-channels", 16), 0);
  // Below 64 Hz a fragment would hold no sample; above 192 kHz no device
  // plays.
  int rate = std::clamp(korb_option_int("sound-rate", 22050), 64, 192000);
  int mixahead_ms = korb_option_int("sound-mixahead", 125);
  int fragment = rate / 64;
  int fragments =
      std::clamp(static_cast<int>(static_cast<long long>(mixahead_ms) * 64 / 1000), 1, 32);
  korb_log("Waveout rate: %d\n", rate);
  korb_log("Waveout channels: %d\n", channels);
  korb_log("Waveout mixahead: %d\n", fragments * 1000 / 64);

  auto w = std::make_unique<WaveOut>();
  w->audio.mixer = mixer_create(rate, true, false, channels, fragment);
  w->staged_used = w->staged.size();

  // SDL keeps about two of its buffers queued, so a buffer of half the
  // mixahead (a power of two, as SDL prefers) gives about that latency.
  int buffer = 64;
  while (buffer * 2 <= fragment * fragments / 2) buffer *= 2;
  SDL_AudioSpec want{}, have{};
  want.freq = rate;
  want.format = AUDIO_U8;
  want.channels = 2;
  want.samples = static_cast<Uint16>(buffer);
  want.callback = fill_audio;
  want.userdata = w.get();
  w->device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
  if (w->device == 0) {
    korb_log("Can't open waveOut\n");
    korb_report_error(SDL_GetError());
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return nullptr;
  }
  static const bool exit_handler = std::atexit(close_at_exit) == 0;
  (void)exit_handler;
  wave = std::move(w);
  SDL_PauseAudioDevice(wave->device, 0);
  korb_log("Audio opened!\n");
  return &wave->audio;
}

KorbAudio* open_readback(KorbWindow*, int, int) { return nullptr; }

int update() { return 1; }

std::span<const std::uint8_t> read_back() { return {}; }

const AudioDriver driver =
    mixer_audio_driver<Access>({open_device, open_readback, close, update, read_back});

}  // namespace

const AudioDriver& waveout_audio_driver() { return driver; }
