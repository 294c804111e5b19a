// The game window on SDL2: display modes, the window with its OpenGL
// compatibility context, frames, video mode switches, and the window side
// of input (messages are processed whenever events are read).

#include <SDL.h>

#include <cstdlib>
#include <memory>
#include <vector>

#include "platform/key_names.h"
#include "platform/log.h"
#include "platform/options.h"
#include "platform/sdl/sdl_input.h"
#include "platform/window.h"

struct KorbWindow {
  SDL_Window* window = nullptr;
  SDL_GLContext context = nullptr;
  bool minimized = false;      // from the window's messages: begin-frame fails
  KorbInput* input = nullptr;  // the program's registry (outlives the window)
};

namespace {

// The input registry lives for the whole run, not just the window's life,
// so axis handles kept in bindings never point at freed devices.
KorbInput& program_input() {
  static KorbInput input;
  return input;
}

bool video_ready() {
  if (SDL_WasInit(SDL_INIT_VIDEO)) return true;
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
    korb_log("Can't open the display\n");
    korb_report_error(SDL_GetError());
    return false;
  }
  // At exit SDL gives back the display mode and its system connections.
  std::atexit(SDL_Quit);
  return true;
}

DisplayMode mode_of(const SDL_DisplayMode& m) {
  return {m.w, m.h, static_cast<int>(SDL_BITSPERPIXEL(m.format)), m.refresh_rate};
}

// The colour bits per channel for a colour depth (32 asks for 24).
void set_colour_bits(int depth) {
  int red = 8, green = 8, blue = 8;
  if (depth == 32) depth = 24;
  if (depth == 16) {
    red = 5, green = 6, blue = 5;
  } else if (depth == 15) {
    red = green = blue = 5;
  } else if (depth == 8) {
    red = 3, green = 3, blue = 2;
  } else {
    red = green = blue = depth / 3;
  }
  SDL_GL_SetAttribute(SDL_GL_RED_SIZE, red);
  SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, green);
  SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, blue);
}

// Full screen at the listed mode closest to (w, h), else the desktop size.
bool enter_fullscreen(KorbWindow& window, int w, int h) {
  auto mode = choose_fullscreen_mode(korb_display_modes(), w, h);
  int result;
  if (mode) {
    SDL_DisplayMode wanted{}, closest{};
    wanted.w = mode->width;
    wanted.h = mode->height;
    if (!SDL_GetClosestDisplayMode(0, &wanted, &closest)) return false;
    SDL_SetWindowDisplayMode(window.window, &closest);
    result = SDL_SetWindowFullscreen(window.window, SDL_WINDOW_FULLSCREEN);
  } else {
    result = SDL_SetWindowFullscreen(window.window, SDL_WINDOW_FULLSCREEN_DESKTOP);
  }
  if (result != 0) {
    korb_report_error(SDL_GetError());
    return false;
  }
  return true;
}

void desktop_size(int& w, int& h) {
  SDL_DisplayMode desktop{};
  if (SDL_GetDesktopDisplayMode(0, &desktop) == 0) {
    w = desktop.w;
    h = desktop.h;
  } else {
    w = 640;
    h = 480;
  }
}

void window_event(KorbWindow& window, const SDL_WindowEvent& event) {
  switch (event.event) {
    case SDL_WINDOWEVENT_SIZE_CHANGED:
      korb_log("WM_SIZE message %dx%d\n", event.data1, event.data2);
      break;
    case SDL_WINDOWEVENT_MINIMIZED:
    case SDL_WINDOWEVENT_HIDDEN:
      window.minimized = true;
      break;
    case SDL_WINDOWEVENT_RESTORED:
    case SDL_WINDOWEVENT_SHOWN:
    case SDL_WINDOWEVENT_MAXIMIZED:
      window.minimized = false;
      break;
    case SDL_WINDOWEVENT_CLOSE:
      push_event(window.input->events, {kCloseCode, true, sdl_event_time(event.timestamp)});
      break;
    default:
      break;
  }
}

// Dispatches every pending SDL message.
void process_messages(KorbWindow& window) {
  SDL_Event event;
  while (SDL_PollEvent(&event)) {
    if (event.type == SDL_WINDOWEVENT) {
      window_event(window, event.window);
    } else if (event.type == SDL_QUIT) {
      // Only from SIGINT or SIGTERM (closing the window is a window
      // event): treated as the same close request.
      push_event(window.input->events, {kCloseCode, true, sdl_event_time(event.quit.timestamp)});
    } else {
      sdl_input_event(*window.input, event);
    }
  }
}

}  // namespace

std::span<const DisplayMode> korb_display_modes() {
  static std::vector<DisplayMode> modes;
  static bool built = false;
  if (built) return modes;
  built = true;
  if (!video_ready()) return modes;
  SDL_DisplayMode desktop{};
  if (SDL_GetDesktopDisplayMode(0, &desktop) != 0) {
    korb_report_error(SDL_GetError());
    return modes;
  }
  std::vector<DisplayMode> found;
  for (int i = 0; i < SDL_GetNumDisplayModes(0); ++i) {
    SDL_DisplayMode m{};
    if (SDL_GetDisplayMode(0, i, &m) == 0) found.push_back(mode_of(m));
  }
  modes = build_display_mode_list(mode_of(desktop), found);
  return modes;
}

KorbWindow* korb_open_window(const char* title, int width, int height, int flags, int alpha_bits,
                             int depth_bits, int stencil_bits, int accum_bits) {
  korb_display_modes();
  // SDL delivers window messages on this thread whatever the option says:
  // it is read and logged, and messages are processed as events are read.
  static bool options_logged = false;
  if (!options_logged) {
    options_logged = true;
    korb_log("Options:\n");
    korb_log("%10s [%s]\n", "threaded:", korb_option_flag("threaded", false) ? "yes" : "no");
  }
  if (!video_ready()) return nullptr;
  SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
  if (SDL_InitSubSystem(SDL_INIT_JOYSTICK) != 0) korb_report_error(SDL_GetError());

  auto window = std::make_unique<KorbWindow>();
  window->input = &program_input();
  bool fullscreen = (flags & kFullscreenFlag) != 0;

  korb_log("Choosing pixel format\n");
  SDL_GL_ResetAttributes();
  set_colour_bits(flags & kDepthMask);
  SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, alpha_bits);
  SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, depth_bits);
  SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, stencil_bits);
  SDL_GL_SetAttribute(SDL_GL_ACCUM_RED_SIZE, accum_bits / 4);
  SDL_GL_SetAttribute(SDL_GL_ACCUM_GREEN_SIZE, accum_bits / 4);
  SDL_GL_SetAttribute(SDL_GL_ACCUM_BLUE_SIZE, accum_bits / 4);
  SDL_GL_SetAttribute(SDL_GL_ACCUM_ALPHA_SIZE, accum_bits / 4);
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);

  int w = width, h = height;
  if (w <= 0 || h <= 0) desktop_size(w, h);
  korb_log("Creating window\n");
  window->window = SDL_CreateWindow(title, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, w, h,
                                    SDL_WINDOW_OPENGL | SDL_WINDOW_RESIZABLE | SDL_WINDOW_HIDDEN);
  if (!window->window) {
    korb_log("Can't create window!\n");
    korb_report_error(SDL_GetError());
    return nullptr;
  }
  if (fullscreen && !enter_fullscreen(*window, width, height)) {
    korb_log("Can't switch to full screen\n");
  }
  SDL_ShowWindow(window->window);
  SDL_RaiseWindow(window->window);

  korb_log("Creating OpenGL context\n");
  window->context = SDL_GL_CreateContext(window->window);
  if (!window->context) {
    korb_log("Couldn't create OpenGL context\n");
    korb_report_error(SDL_GetError());
    SDL_DestroyWindow(window->window);
    return nullptr;
  }
  int red = 0, green = 0, blue = 0, depth = 0;
  SDL_GL_GetAttribute(SDL_GL_RED_SIZE, &red);
  SDL_GL_GetAttribute(SDL_GL_GREEN_SIZE, &green);
  SDL_GL_GetAttribute(SDL_GL_BLUE_SIZE, &blue);
  SDL_GL_GetAttribute(SDL_GL_DEPTH_SIZE, &depth);
  korb_log("Pixel format: colour %d/%d/%d, depth %d\n", red, green, blue, depth);

  sdl_open_input(*window->input, true);
  return window.release();
}

void korb_close_window(KorbWindow* window) {
  if (!window) return;
  korb_log("Deleting OpenGL context\n");
  SDL_GL_MakeCurrent(window->window, nullptr);
  SDL_GL_DeleteContext(window->context);
  korb_log("Closing input devices\n");
  sdl_close_input(*window->input);
  clear_events(window->input->events);
  korb_log("Destroying window\n");
  // Destroying a full-screen window gives the desktop its mode back.
  SDL_DestroyWindow(window->window);
  korb_log("Window shutdown complete\n");
  delete window;
}

std::optional<DrawableSize> korb_begin_frame(KorbWindow* window) {
  process_messages(*window);
  Uint32 flags = SDL_GetWindowFlags(window->window);
  if (window->minimized || (flags & (SDL_WINDOW_MINIMIZED | SDL_WINDOW_HIDDEN))) return {};
  DrawableSize size;
  SDL_GL_GetDrawableSize(window->window, &size.width, &size.height);
  if (size.width <= 0 || size.height <= 0) return {};
  return size;
}

bool korb_end_frame(KorbWindow* window) {
  if (SDL_GL_GetCurrentContext() != window->context) return false;
  SDL_GL_SwapWindow(window->window);
  return true;
}

void korb_set_video_mode(KorbWindow* window, int width, int height, int flags) {
  if (flags & kFullscreenFlag) {
    if (!enter_fullscreen(*window, width, height)) korb_log("Can't switch to full screen\n");
    return;
  }
  if (SDL_SetWindowFullscreen(window->window, 0) != 0) korb_report_error(SDL_GetError());
  int w = width, h = height;
  if (w <= 0 || h <= 0) desktop_size(w, h);
  SDL_SetWindowSize(window->window, w, h);
  SDL_SetWindowPosition(window->window, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
}

std::optional<KorbEvent> korb_next_event_before(KorbWindow* window, double deadline) {
  process_messages(*window);
  if (auto event = pop_event_before(window->input->events, deadline)) return event;
  poll_devices(*window->input);
  return pop_event_before(window->input->events, deadline);
}

std::optional<KorbEvent> korb_next_event(KorbWindow* window) {
  process_messages(*window);
  if (auto event = pop_event(window->input->events)) return event;
  poll_devices(*window->input);
  return pop_event(window->input->events);
}

std::optional<int> korb_find_key(KorbWindow* window, std::string_view name) {
  return find_key(*window->input, name);
}

const char* korb_key_name(KorbWindow* window, int code) { return key_name(*window->input, code); }

KorbAxis* korb_open_axis(KorbWindow* window, std::string_view name) {
  return open_axis(*window->input, name);
}

int korb_read_axis(KorbAxis* axis) { return read_axis(axis); }

void korb_close_axis(KorbAxis* axis) { close_axis(axis); }

bool korb_alias(KorbWindow* window, std::string_view alias, std::string_view target) {
  return add_alias(*window->input, alias, target);
}

std::vector<std::string> korb_axis_names(KorbWindow* window) { return axis_names(*window->input); }

KorbInput& korb_input(KorbWindow* window) { return *window->input; }
