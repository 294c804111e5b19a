#pragma once
// Engine sound synthesis, once per drawn frame for every bike with an
// engine voice: just enough new samples to keep the looping voice about
// 0.1 s (4410 samples) ahead of what the audio output plays, at most 8820
// per frame; then the voice's playback rate (Doppler), volume (distance)
// and pan (direction) from the listener. Sound time runs at 44100 samples
// per second. Main thread only; no allocation.

#include <span>

#include "base/vec3.h"
#include "sound/engine_sound.h"

struct Bike;

// The listener is the camera: position (ft), its unit right axis, and the
// velocity (ft/s) of the body the camera follows (zero otherwise).
struct Listener {
  Vec3 position;
  Vec3 right{1, 0, 0};
  Vec3 velocity;
};

// What the synthesis reads of a bike each frame.
struct EngineFrame {
  float rpm = 0;     // engine speed
  float torque = 0;  // engine torque at this speed and throttle, ft lb
  Vec3 position;     // the frame body's, ft
  Vec3 velocity;     // ft/s
};

// The bike's engine speed, torque, frame position and velocity.
EngineFrame engine_frame(const Bike& bike);

// `synthesize_engine`: one frame of the engine sound in `state` (nothing
// without a voice). `volume` is the caller's volume factor (0..1: the
// Volume setting / 10, lowered while a menu is open, 0 while paused).
void synthesize_engine(EngineSound& state, const EngineFrame& engine, const Listener& listener,
                       float volume);

// The frame's sound for every slot: synthesises the engine of each slot
// that has both a bike and a voice, then lets the audio output finish the
// frame (audio_update). bikes[i] pairs with sounds[i]; extra entries of the
// longer span are ignored.
void update_engine_sounds(std::span<Bike* const> bikes, std::span<EngineSound> sounds,
                          const Listener& listener, float volume);
