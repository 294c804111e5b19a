// The readback driver: the software mixer without a device or thread; the
// program pulls each mixed block (audio recording).

#include <memory>

#include "platform/audio_drivers.h"
#include "platform/log.h"
#include "platform/mixer_driver.h"
#include "platform/options.h"

namespace {

// Lives from a successful open to close.
std::unique_ptr<KorbAudio> readback;

struct Access {
  static Mixer* mixer() { return readback ? readback->mixer.get() : nullptr; }
  struct Guard {};  // main thread only: nothing to lock
};

KorbAudio* open_device(KorbWindow*) { return nullptr; }

KorbAudio* open_readback(KorbWindow*, int rate, int block) {
  korb_log("Opening readback audio...\n");
  if (readback) {
    korb_log("Audio already open\n");
    return nullptr;
  }
  if (rate < 1 || block < 1) {
    korb_log("Bad readback rate %d or block %d\n", rate, block);
    return nullptr;
  }
  readback = std::make_unique<KorbAudio>();
  readback->mixer = mixer_create(rate, true, false, korb_option_int("sound-channels", 16), block);
  korb_log("Audio opened!\n");
  return readback.get();
}

void close() {
  if (!readback) {
    korb_log("Can't close audio, not open\n");
    return;
  }
  korb_log("Closing audio\n");
  readback.reset();
}

int update() { return 1; }

std::span<const std::uint8_t> read_back() {
  if (!readback) return {};
  return mixer_mix(*readback->mixer);
}

const AudioDriver driver =
    mixer_audio_driver<Access>({open_device, open_readback, close, update, read_back});

}  // namespace

const AudioDriver& readback_audio_driver() { return driver; }
