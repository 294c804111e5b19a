#include "app/game_audio.h"

#include "app/command_line.h"
#include "platform/audio.h"
#include "platform/log.h"
#include "render/camera.h"
#include "sound/engine_synthesis.h"

void start_game_audio(GameAudio& audio, KorbWindow* window, const CommandLineOptions& options) {
  if (!options.record_audio_path.empty()) {
    audio.recording = std::fopen(options.record_audio_path.c_str(), "wb");
    if (!audio.recording) {
      korb_log("Can't write audio to '%s'\n", options.record_audio_path.c_str());
    } else {
      audio.open = audio_start_readback(window, 88320, 690) != nullptr;
    }
    return;
  }
  if (options.no_sound) return;
  audio.open = audio_start(window) != nullptr;
}

void play_frame_sound(GameAudio& audio, const GameState& game,
                      const std::optional<CameraView>& camera, float volume) {
  for (int slot = 0; slot < max_bikes; ++slot) {
    const Bike* bike = game.bikes[static_cast<size_t>(slot)];
    if (audio.made_for[static_cast<size_t>(slot)] == bike) continue;
    free_engine_sound(audio.sounds[static_cast<size_t>(slot)]);
    if (bike) create_engine_sound(audio.sounds[static_cast<size_t>(slot)], *bike, nullptr);
    audio.made_for[static_cast<size_t>(slot)] = bike;
  }
  Listener listener;
  if (camera) {
    listener.position = camera->eye;
    listener.right = orientation_axis(camera->orientation, 0);
    listener.velocity = camera->velocity;
  } else {
    volume = 0;
  }
  update_engine_sounds(game.bikes, audio.sounds, listener, volume);
}

void record_tick_audio(GameAudio& audio) {
  if (!audio.recording || !audio.open) return;
  auto block = audio_read_back();
  if (!block.empty() && std::fwrite(block.data(), 1, block.size(), audio.recording) != block.size()) {
    korb_log("Can't write the audio recording: it stops here\n");
    std::fclose(audio.recording);
    audio.recording = nullptr;
  }
}

void stop_game_audio(GameAudio& audio) {
  for (size_t slot = 0; slot < audio.sounds.size(); ++slot) {
    free_engine_sound(audio.sounds[slot]);
    audio.made_for[slot] = nullptr;
  }
  if (audio.open) audio_close();
  audio.open = false;
  if (audio.recording) std::fclose(audio.recording);
  audio.recording = nullptr;
}
