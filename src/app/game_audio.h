#pragma once
// The game's sound: the audio output, one engine sound per bike slot, the
// frame's engine synthesis heard from the camera, and --record-audio.
// Lives for the program run, inside the game loop's state.

#include <array>
#include <cstdio>
#include <optional>

#include "app/cameras.h"
#include "race/game_state.h"
#include "sound/engine_sound.h"

struct CommandLineOptions;
struct KorbWindow;

struct GameAudio {
  bool open = false;
  std::array<EngineSound, max_bikes> sounds;
  // The bike each slot's sound was made for: a slot whose bike changed
  // (session start, ghost, demo or server bikes) gets its sound made anew.
  std::array<const Bike*, max_bikes> made_for{};
  std::FILE* recording = nullptr;  // --record-audio: raw samples, one block a tick
};

// Opens the audio output after the window: the readback driver when
// recording audio (88320 samples per second, a 690-sample block per tick),
// none with --nosound, else the sound device. No sound device is not an
// error: the game runs silent.
void start_game_audio(GameAudio& audio, KorbWindow* window, const CommandLineOptions& options);

// Once per drawn frame: makes and frees engine sounds as the slots' bikes
// change, then synthesises every engine heard from `camera` (silence
// without one). `volume` 0..1.
void play_frame_sound(GameAudio& audio, const GameState& game,
                      const std::optional<CameraView>& camera, float volume);

// After each game tick while recording: the tick's block of samples.
void record_tick_audio(GameAudio& audio);

// Frees every engine sound and closes the output and the recording.
void stop_game_audio(GameAudio& audio);
