// The null driver's window: there is none. Opening fails with the reason
// logged, so a program built on the null driver runs everything up to the
// window and then takes the game's own "no window" path.

#include "platform/log.h"
#include "platform/window.h"

std::span<const DisplayMode> korb_display_modes() { return {}; }

KorbWindow* korb_open_window(const char*, int, int, int, int, int, int, int) {
  korb_log("No window: this program has no display driver\n");
  return nullptr;
}

void korb_close_window(KorbWindow*) {}

std::optional<DrawableSize> korb_begin_frame(KorbWindow*) { return std::nullopt; }

bool korb_end_frame(KorbWindow*) { return false; }

void korb_set_video_mode(KorbWindow*, int, int, int) {}

std::optional<KorbEvent> korb_next_event_before(KorbWindow*, double) { return std::nullopt; }

std::optional<KorbEvent> korb_next_event(KorbWindow*) { return std::nullopt; }

std::optional<int> korb_find_key(KorbWindow*, std::string_view) { return std::nullopt; }

const char* korb_key_name(KorbWindow*, int) { return nullptr; }

KorbAxis* korb_open_axis(KorbWindow*, std::string_view) { return nullptr; }

int korb_read_axis(KorbAxis*) { return 0; }

void korb_close_axis(KorbAxis*) {}

bool korb_alias(KorbWindow*, std::string_view, std::string_view) { return false; }

std::vector<std::string> korb_axis_names(KorbWindow*) { return {}; }

KorbInput& korb_input(KorbWindow*) {
  // No devices ever join it; it exists so binding capture has a registry.
  static KorbInput input;
  return input;
}
