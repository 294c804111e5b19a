// The null driver's waveout: there is no audio device, so opening fails
// with the reason logged and the program runs without sound.

#include "platform/audio_drivers.h"
#include "platform/log.h"

namespace {

KorbAudio* open_device(KorbWindow*) {
  korb_log("Opening waveOut audio...\n");
  korb_log("No audio device\n");
  return nullptr;
}

KorbAudio* open_readback(KorbWindow*, int, int) { return nullptr; }
void close() { korb_log("Can't close audio, not open\n"); }
int update() { return 1; }
std::span<const std::uint8_t> read_back() { return {}; }
KorbVoice* create(int, const std::uint8_t*, int) { return nullptr; }
KorbVoice* clone(KorbVoice*) { return nullptr; }
void voice_only(KorbVoice*) {}
void voice_int(KorbVoice*, int) {}
void voice_flag(KorbVoice*, bool) {}
int position(KorbVoice*) { return 0; }
void write(KorbVoice*, int, const std::uint8_t*, int) {}

// Never current (it never opens), but complete, as every table must be.
constexpr AudioDriver driver = {
    open_device, open_readback, close,     update,    read_back, create,     clone,    voice_only,
    voice_only,  voice_only,    voice_int, voice_int, voice_int, voice_flag, position, write};

}  // namespace

const AudioDriver& waveout_audio_driver() { return driver; }
