#pragma once
// SDL scancodes (USB usage codes) to the PC set-1 scan codes of the input
// code space: bit 8 marks the extended keys, so Right Ctrl is 0x11D.

#include <SDL.h>

// The set-1 scan code of an SDL scancode, 0 for keys without one.
int set1_scan_code(SDL_Scancode scancode);

// The SDL scancode of a set-1 scan code, SDL_SCANCODE_UNKNOWN for none.
SDL_Scancode sdl_scancode_of(int scan);
