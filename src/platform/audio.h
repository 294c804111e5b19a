#pragma once
// Audio output: sample voices played through one of interchangeable
// drivers, each a table of 16 operations (AudioDriver). The game picks a
// driver once at start-up (audio_start or audio_start_readback) and then
// only calls the forwarding operations below, which go to the current
// driver's table. With no current driver (no sound, or after audio_close)
// every forwarding operation does nothing and returns null / 0.
//
// Drivers on Linux:
//   "waveout"  the software mixer fed from SDL's audio callback thread
//              (the SDL driver; programs on the null driver have no device)
//   readback   the same mixer, but the program pulls each mixed block,
//              used to record the game's sound to a file
//   "dsnd"     read from the options, logged as unavailable and skipped
//
// Voices hold 8-bit unsigned samples (128 is silence). Volume runs from 0
// to 32767, pan from -32768 (full left) to 32767 (full right), frequency is
// the voice's playback rate in Hz. A voice handle is valid from its
// creation until voice_free or audio_close (which frees every voice left).
//
// Threads: call everything from the main thread. The waveout driver takes
// its audio mutex around every voice operation, and its mixing thread takes
// the same mutex for each fragment it mixes.

#include <cstdint>
#include <span>

struct KorbWindow;  // platform/window.h; may be null here (unused on Linux)
struct KorbAudio;   // an open driver instance
struct KorbVoice;   // one voice

// The operation table. Slot order is fixed; every driver fills all 16.
struct AudioDriver {
  // 0: open the real device; the instance or null (reason logged).
  KorbAudio* (*audio_open_device)(KorbWindow* window);
  // 1: open for readback at `rate` Hz with blocks of `block` samples; only
  // the readback driver does this, the others return null.
  KorbAudio* (*audio_open_readback)(KorbWindow* window, int rate, int block);
  // 2: close and free everything, voices included.
  void (*audio_close)();
  // 3: once per frame after all voices were updated; returns 1.
  int (*audio_update)();
  // 4: mix one block and return its bytes (readback driver; valid until
  // the next call or close); the others return an empty span.
  std::span<const std::uint8_t> (*audio_read_back)();
  // 5: a new voice from `length` bytes of `data` (null: silence) recorded
  // at `rate` Hz (0: the output rate; others are resampled once). Not
  // playing, frequency = output rate, volume 32767, pan 0, loop off.
  // Null when length < 1 or the driver cannot make it.
  KorbVoice* (*voice_create)(int length, const std::uint8_t* data, int rate);
  // 6: a new voice sharing the sample data, same settings, not playing.
  KorbVoice* (*voice_clone)(KorbVoice* voice);
  // 7: stop and release; the data goes with its last voice. Null ignored.
  void (*voice_free)(KorbVoice* voice);
  // 8: (re)start from the beginning, at the next zero crossing.
  void (*voice_play)(KorbVoice* voice);
  // 9: stop at the next mix.
  void (*voice_stop)(KorbVoice* voice);
  // 10: playback rate in Hz (at least 1).
  void (*voice_set_frequency)(KorbVoice* voice, int hz);
  // 11: 0..32767, clamped.
  void (*voice_set_volume)(KorbVoice* voice, int volume);
  // 12: -32768..32767, clamped; mono output always plays full left.
  void (*voice_set_pan)(KorbVoice* voice, int pan);
  // 13: looping on or off.
  void (*voice_set_loop)(KorbVoice* voice, bool on);
  // 14: current byte position in the data; 0 when not playing or while a
  // restart is pending.
  int (*voice_position)(KorbVoice* voice);
  // 15: copies `length` bytes into the voice's data at `offset`, wrapping
  // at its end; when length exceeds the voice size only the last size
  // bytes are copied, to (offset + length - size) mod size.
  void (*voice_write)(KorbVoice* voice, int length, const std::uint8_t* data, int offset);
};

// Opens the normal audio output (start-up, unless sound is switched off):
// "dsnd" (flag, default on) is logged as unavailable here; then, with the
// flag "waveout" (default on), the waveout driver. The first that opens
// becomes current. Returns the instance, or null for no sound.
KorbAudio* audio_start(KorbWindow* window);

// Makes the readback driver current at `rate` Hz with blocks of `block`
// samples, 8-bit stereo. Audio recording uses rate 88320 and 690 samples
// (one simulation step), reading one block after every step. Null on
// failure (or when audio is already open).
KorbAudio* audio_start_readback(KorbWindow* window, int rate, int block);

// The current driver, or null when no audio is open.
const AudioDriver* audio_current_driver();

// The forwarding operations (see the slots above).
void audio_close();  // also makes the current driver none
int audio_update();
std::span<const std::uint8_t> audio_read_back();
KorbVoice* voice_create(int length, const std::uint8_t* data, int rate);
KorbVoice* voice_clone(KorbVoice* voice);
void voice_free(KorbVoice* voice);
void voice_play(KorbVoice* voice);
void voice_stop(KorbVoice* voice);
void voice_set_frequency(KorbVoice* voice, int hz);
void voice_set_volume(KorbVoice* voice, int volume);
void voice_set_pan(KorbVoice* voice, int pan);
void voice_set_loop(KorbVoice* voice, bool on);
int voice_position(KorbVoice* voice);
void voice_write(KorbVoice* voice, int length, const std::uint8_t* data, int offset);
