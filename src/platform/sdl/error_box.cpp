// The SDL driver's error reporting: the message box, and closing the
// window and audio before the fatal out-of-memory box.

#include <SDL.h>

#include <cstdlib>

#include "platform/driver.h"

namespace {
// Without a display server SDL would fail (or, worse, block looking for
// one); the text then goes to standard error where a terminal or a test
// harness sees it.
bool display_available() {
  const char* x11 = std::getenv("DISPLAY");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  return (x11 && *x11) || (wayland && *wayland);
}
}  // namespace

void korb_driver_error_box(const char* title, const char* text) {
  if (display_available() &&
      SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, title, text, nullptr) == 0)
    return;
  print_error_box_text(title, text);
}

void korb_driver_close_for_fatal() {
  // SDL_Quit closes every audio device and destroys every window with its
  // GL context, restoring the desktop mode; harmless when none is open.
  SDL_Quit();
}
