#pragma once
// The driver table of a driver built on the software mixer: its own five
// operations, and voice slots (5 to 15) that forward to the mixer, so the
// waveout and readback drivers share one set of forwarding functions and
// differ only in their lock. `Access` supplies
//   static Mixer* mixer();  the driver's open mixer, or null when closed
//   struct Guard;           held around each operation (a mutex lock, or
//                           nothing for a driver without a mixing thread)
// Used by the drivers only.

#include "platform/audio.h"
#include "platform/mixer.h"

namespace mixer_driver_detail {

template <typename Access, auto op, typename R, typename... Args>
R guarded(Args... args) {
  [[maybe_unused]] typename Access::Guard guard;
  Mixer* mixer = Access::mixer();
  if (!mixer) return R();
  return op(*mixer, args...);
}

}  // namespace mixer_driver_detail

// The operations a mixer driver supplies itself.
struct MixerDriverOps {
  decltype(AudioDriver::audio_open_device) open_device;
  decltype(AudioDriver::audio_open_readback) open_readback;
  decltype(AudioDriver::audio_close) close;
  decltype(AudioDriver::audio_update) update;
  decltype(AudioDriver::audio_read_back) read_back;
};

template <typename Access>
constexpr AudioDriver mixer_audio_driver(const MixerDriverOps& ops) {
  using mixer_driver_detail::guarded;
  AudioDriver d{};
  d.audio_open_device = ops.open_device;
  d.audio_open_readback = ops.open_readback;
  d.audio_close = ops.close;
  d.audio_update = ops.update;
  d.audio_read_back = ops.read_back;
  d.voice_create = &guarded<Access, mixer_voice_create, KorbVoice*, int, const std::uint8_t*, int>;
  d.voice_clone = &guarded<Access, mixer_voice_clone, KorbVoice*, KorbVoice*>;
  d.voice_free = &guarded<Access, mixer_voice_free, void, KorbVoice*>;
  d.voice_play = &guarded<Access, mixer_voice_play, void, KorbVoice*>;
  d.voice_stop = &guarded<Access, mixer_voice_stop, void, KorbVoice*>;
  d.voice_set_frequency = &guarded<Access, mixer_voice_set_frequency, void, KorbVoice*, int>;
  d.voice_set_volume = &guarded<Access, mixer_voice_set_volume, void, KorbVoice*, int>;
  d.voice_set_pan = &guarded<Access, mixer_voice_set_pan, void, KorbVoice*, int>;
  d.voice_set_loop = &guarded<Access, mixer_voice_set_loop, void, KorbVoice*, bool>;
  d.voice_position = &guarded<Access, mixer_voice_position, int, KorbVoice*>;
  d.voice_write =
      &guarded<Access, mixer_voice_write, void, KorbVoice*, int, const std::uint8_t*, int>;
  return d;
}
