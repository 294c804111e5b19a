#pragma once
// The game window with its OpenGL context, and the input read through it.
// Defined by the SDL driver (tavrin_platform_sdl); programs linked with the
// null driver have no window and must not call these.
//
// All of it runs on the main thread: SDL delivers window and input
// messages there, and they are processed whenever the game reads events
// (and at begin-frame), so no locking is needed.

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/display_modes.h"
#include "platform/event_queue.h"
#include "platform/input.h"

struct KorbWindow;

inline constexpr int kFullscreenFlag = 0x200;  // in the flags of open and set-video-mode
inline constexpr int kDepthMask = 0xFF;        // colour depth bits of the flags

// The display modes, built once (and logged) on the first call. Empty when
// no display can be opened.
std::span<const DisplayMode> korb_display_modes();

// Opens the one game window titled `title` with a current OpenGL
// compatibility context. flags: colour depth in bits 0-7 (32 asks for 24
// colour bits), kFullscreenFlag for full screen at the closest mode of at
// least width x height (0 x 0: the desktop size); windowed 0 x 0 is the
// desktop size too. The bit counts are minimums. Returns null, with the
// reason logged, when the display, the window or the context fails.
KorbWindow* korb_open_window(const char* title, int width, int height, int flags, int alpha_bits,
                             int depth_bits, int stencil_bits, int accum_bits);

// Deletes the context, closes the input devices and the window, restoring
// the desktop mode. Null is fine.
void korb_close_window(KorbWindow* window);

struct DrawableSize {
  int width = 0;
  int height = 0;
};

// Processes pending window messages, then gives the drawable size, or
// nothing when the window cannot be drawn now (minimised, hidden, or of
// zero size). Every successful call is followed by korb_end_frame.
std::optional<DrawableSize> korb_begin_frame(KorbWindow* window);

// Swaps the buffers; false when the window can no longer be drawn to.
bool korb_end_frame(KorbWindow* window);

// Switches to full screen (flags with kFullscreenFlag) at the closest mode
// for the size, or to a framed window of that client size.
void korb_set_video_mode(KorbWindow* window, int width, int height, int flags);

// Input, see platform/input.h for the rules. Reading an event first
// processes pending window messages.
std::optional<KorbEvent> korb_next_event_before(KorbWindow* window, double deadline);
std::optional<KorbEvent> korb_next_event(KorbWindow* window);
std::optional<int> korb_find_key(KorbWindow* window, std::string_view name);
const char* korb_key_name(KorbWindow* window, int code);
KorbAxis* korb_open_axis(KorbWindow* window, std::string_view name);
int korb_read_axis(KorbAxis* axis);
void korb_close_axis(KorbAxis* axis);
bool korb_alias(KorbWindow* window, std::string_view alias, std::string_view target);
std::vector<std::string> korb_axis_names(KorbWindow* window);

// The window's input registry, for binding capture (platform/binding.h).
KorbInput& korb_input(KorbWindow* window);
