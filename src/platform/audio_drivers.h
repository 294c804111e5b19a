#pragma once
// The driver tables audio_start and audio_start_readback choose from. Only
// the platform's audio code includes this file.

#include "platform/audio.h"

// The waveout driver: the software mixer on the system's audio device.
// Each program takes it from its platform driver, chosen at link time (the
// SDL driver plays through SDL's audio callback thread; the null driver
// has no device and its open fails with "No audio device").
const AudioDriver& waveout_audio_driver();

// The readback driver: the software mixer, mixed when the program asks.
const AudioDriver& readback_audio_driver();
