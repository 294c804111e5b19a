#pragma once
// The SDL side of input: turning SDL events into the game's time-stamped
// events and devices. Works without a window (joysticks only), which is
// how the tests drive it with SDL's virtual joysticks.

#include <SDL.h>

#include "platform/input.h"

// Sets up the registry: the system key names (needs SDL video), the cursor
// device and its aliases, and, with the platform option "dinput" (on by
// default), every attached joystick, the device aliases and, with
// "dinputsticksonly" off, the relative "Mouse" device. SDL_INIT_JOYSTICK
// must be initialised for joysticks.
void sdl_open_input(KorbInput& input, bool with_keyboard);

// Closes every SDL device ("Killing %s", "Timestamp adjustment was %d");
// the records stay so open handles read 0.
void sdl_close_input(KorbInput& input);

// Registers the joystick at SDL device index `index` unless that joystick
// is registered already (SDL also reports joysticks present at start).
void sdl_add_joystick(KorbInput& input, int index);

// Takes one SDL event: keys, typed characters, mouse buttons and motion,
// joystick buttons, joysticks plugged in and pulled out. Window events and
// the quit request are the window's.
void sdl_input_event(KorbInput& input, const SDL_Event& event);

// An SDL event time stamp (ms of SDL_GetTicks) on the korb_time() clock,
// never later than now.
double sdl_event_time(Uint32 timestamp);
