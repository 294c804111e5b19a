#pragma once
// The driver functions the platform core calls. Each program links exactly
// one driver (tavrin_platform_sdl or tavrin_platform_null), and each driver
// defines every function here. Only the platform core includes this file.

// Shows title and text to the user and returns when they are dismissed.
void korb_driver_error_box(const char* title, const char* text);

// The out-of-memory path: closes the audio output and the window with its
// GL context (restoring the desktop mode) if they are open. Must work with
// nothing open and must not allocate.
void korb_driver_close_for_fatal();

// Provided by the core for the drivers: writes the title and the text (one
// line each) to standard error -- the error box without a display.
void print_error_box_text(const char* title, const char* text);
