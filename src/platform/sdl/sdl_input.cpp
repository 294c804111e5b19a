#include "platform/sdl/sdl_input.h"

#include <algorithm>
#include <array>

#include "platform/clock.h"
#include "platform/key_names.h"
#include "platform/log.h"
#include "platform/options.h"
#include "platform/sdl/scancodes.h"

namespace {

// Beyond this a joystick's extra buttons are not given codes, so that every
// button event can be named and found back by its name.
constexpr int kMaxButtons = kMaxDeviceButton + 1;
constexpr int kMaxAxes = 100;

struct SdlJoystick {
  SDL_Joystick* joystick = nullptr;
  SDL_JoystickID instance = -1;
  int largest_adjustment_ms = 0;  // latest stamp pulled back to now
};

// Relative mouse motion summed since each axis was last read (x, y, wheel).
struct SdlMouse {
  std::array<int, 3> motion{};
};

int read_joystick_axis(KorbDevice& device, int axis) {
  auto* stick = static_cast<SdlJoystick*>(device.data);
  return std::max<int>(-32767, SDL_JoystickGetAxis(stick->joystick, axis));
}

void free_joystick(KorbDevice& device) {
  auto* stick = static_cast<SdlJoystick*>(device.data);
  korb_log("Killing %s\n", device.name.c_str());
  korb_log("Timestamp adjustment was %d\n", stick->largest_adjustment_ms);
  // After SDL_Quit (the fatal path, or exit) SDL has closed it already.
  if (SDL_WasInit(SDL_INIT_JOYSTICK)) SDL_JoystickClose(stick->joystick);
  delete stick;
  device.data = nullptr;
}

constexpr KorbDeviceOps kJoystickOps{nullptr, nullptr, read_joystick_axis, nullptr, free_joystick};

int read_mouse_axis(KorbDevice& device, int axis) {
  auto* mouse = static_cast<SdlMouse*>(device.data);
  int motion = mouse->motion[axis];
  mouse->motion[axis] = 0;
  return motion;
}

void free_mouse(KorbDevice& device) {
  delete static_cast<SdlMouse*>(device.data);
  device.data = nullptr;
}

constexpr KorbDeviceOps kMouseOps{nullptr, nullptr, read_mouse_axis, nullptr, free_mouse};

int read_cursor_axis(KorbDevice&, int axis) {
  int x = 0, y = 0;
  SDL_GetMouseState(&x, &y);
  return axis == 0 ? x : y;
}

constexpr KorbDeviceOps kCursorOps{nullptr, nullptr, read_cursor_axis, nullptr, nullptr};

KorbDevice* joystick_device(KorbInput& input, SDL_JoystickID instance) {
  for (auto& device : input.devices) {
    if (device->attached && device->ops.free == free_joystick &&
        static_cast<SdlJoystick*>(device->data)->instance == instance)
      return device.get();
  }
  return nullptr;
}

// The stamp on the platform clock and how far (ms) it had to be pulled
// back so it is not later than now.
double stamp_time(Uint32 timestamp, int& pulled_back_ms) {
  // The offset between SDL's tick counter and the platform clock, taken
  // once: both are monotonic, so it holds for the whole run.
  static const double offset = korb_time() - SDL_GetTicks64() * 0.001;
  double now = korb_time();
  double time = timestamp * 0.001 + offset;
  pulled_back_ms = time > now ? static_cast<int>((time - now) * 1000.0 + 0.5) : 0;
  return std::min(now, time);
}

void push(KorbInput& input, int code, bool pressed, double time) {
  push_event(input.events, {code, pressed, time});
}

// Typed characters 0..255 of a UTF-8 text; others have no code.
void push_text(KorbInput& input, const char* text, double time) {
  const auto* p = reinterpret_cast<const unsigned char*>(text);
  while (*p) {
    int code;
    if (*p < 0x80) {
      code = *p++;
    } else if ((*p & 0xE0) == 0xC0 && (p[1] & 0xC0) == 0x80) {
      code = ((p[0] & 0x1F) << 6) | (p[1] & 0x3F);
      p += 2;
    } else {
      ++p;  // longer sequences and stray bytes: skip byte by byte
      while ((*p & 0xC0) == 0x80) ++p;
      continue;
    }
    if (code <= 255) push(input, code, true, time);
  }
}

// SDL types no character for these keys; the game expects them as typed
// characters too (Tab cycles the camera, Enter and Backspace edit text).
int control_character(SDL_Scancode scancode) {
  switch (scancode) {
    case SDL_SCANCODE_TAB:
      return 9;
    case SDL_SCANCODE_BACKSPACE:
      return 8;
    case SDL_SCANCODE_RETURN:
    case SDL_SCANCODE_KP_ENTER:
      return 13;
    case SDL_SCANCODE_ESCAPE:
      return 27;
    default:
      return -1;
  }
}

void load_system_key_names(KorbInput& input) {
  for (int scan = 0; scan <= kMaxScanCode; ++scan) {
    SDL_Scancode scancode = sdl_scancode_of(scan);
    if (scancode == SDL_SCANCODE_UNKNOWN) continue;
    // The name the keyboard layout gives the key (on a French layout the
    // key at Q's place is named A), as the player sees it printed.
    const char* name = SDL_GetKeyName(SDL_GetKeyFromScancode(scancode));
    if (name && *name) input.system_key_names[scan] = name;
  }
}

void add_cursor(KorbInput& input) {
  add_device(input, "cursor", 2, 0, kCursorOps, nullptr);
  add_cursor_aliases(input);
}

}  // namespace

double sdl_event_time(Uint32 timestamp) {
  int pulled_back_ms;
  return stamp_time(timestamp, pulled_back_ms);
}

void sdl_add_joystick(KorbInput& input, int index) {
  SDL_JoystickID instance = SDL_JoystickGetDeviceInstanceID(index);
  if (instance < 0 || joystick_device(input, instance)) return;
  SDL_Joystick* joystick = SDL_JoystickOpen(index);
  const char* name = SDL_JoystickNameForIndex(index);
  if (!joystick) {
    korb_log("Can't create \"%s\"\n", name ? name : "?");
    return;
  }
  if (!name || !*name) name = "Joystick";
  char guid[33];
  SDL_JoystickGetGUIDString(SDL_JoystickGetGUID(joystick), guid, sizeof guid);
  korb_log("%s (%s)\n", name, guid);
  int axes = SDL_JoystickNumAxes(joystick);
  int buttons = SDL_JoystickNumButtons(joystick);
  if (axes <= 0 && buttons <= 0) {
    korb_log("Ignoring Dunsel device\n");
    SDL_JoystickClose(joystick);
    return;
  }
  if (axes > kMaxAxes) {
    korb_log("Wow! This thing has a lot of axes!\nThe first ignored axis is called \"%s\"\n",
             device_axis_name(name, kMaxAxes).c_str());
    axes = kMaxAxes;
  }
  if (buttons > kMaxButtons) {
    korb_log("Wow! This thing has a lot of buttons!\nThe first ignored button is called \"%s\"\n",
             device_button_name(name, kMaxButtons).c_str());
    buttons = kMaxButtons;
  }
  axes = std::max(axes, 0);
  buttons = std::max(buttons, 0);
  korb_log("%d axes, %d keys\n", axes, buttons);
  auto* stick = new SdlJoystick{joystick, instance, 0};
  KorbDevice& device = add_device(input, name, axes, buttons, kJoystickOps, stick);
  for (int i = 0; i < axes; ++i) {
    korb_log("axis %d is %s\n", i, "absolute");
    korb_log("Adding axis \"%s\"\n", device.axis_names[i].c_str());
  }
}

void sdl_open_input(KorbInput& input, bool with_keyboard) {
  if (with_keyboard) load_system_key_names(input);
  if (!find_device(input, "cursor")) add_cursor(input);
  if (!korb_option_flag("dinput", true)) {
    korb_log("DirectInput disabled\n");
    return;
  }
  korb_log("DirectInput roll call...\n");
  if (!korb_option_flag("dinputsticksonly", true) && !find_device(input, "Mouse")) {
    korb_log("%s (%s)\n", "Mouse", "Mouse");
    korb_log("%d axes, %d keys\n", 3, 5);
    KorbDevice& mouse = add_device(input, "Mouse", 3, 5, kMouseOps, new SdlMouse);
    for (int i = 0; i < 3; ++i) {
      korb_log("axis %d is %s\n", i, "relative");
      korb_log("Adding axis \"%s\"\n", mouse.axis_names[i].c_str());
    }
  }
  for (int i = 0; i < SDL_NumJoysticks(); ++i) sdl_add_joystick(input, i);
  korb_log("End of DirectInput roll call\n");
  add_device_aliases(input);
}

void sdl_close_input(KorbInput& input) {
  for (auto& device : input.devices) {
    if (device->ops.free == free_joystick || device->ops.free == free_mouse)
      detach_device(input, *device);
  }
}

void sdl_input_event(KorbInput& input, const SDL_Event& event) {
  switch (event.type) {
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
      double time = sdl_event_time(event.key.timestamp);
      bool pressed = event.type == SDL_KEYDOWN;
      if (int scan = set1_scan_code(event.key.keysym.scancode))
        push(input, kKeyCodeBase + scan, pressed, time);
      int character = control_character(event.key.keysym.scancode);
      if (pressed && character >= 0) push(input, character, true, time);
      break;
    }
    case SDL_TEXTINPUT:
      push_text(input, event.text.text, sdl_event_time(event.text.timestamp));
      break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
      double time = sdl_event_time(event.button.timestamp);
      bool pressed = event.type == SDL_MOUSEBUTTONDOWN;
      // Window buttons, and the Mouse device's order left, right, middle.
      static constexpr int kWindowCode[] = {0, kMouseLeftCode, kMouseMiddleCode, kMouseRightCode};
      static constexpr int kDeviceButton[] = {-1, 0, 2, 1, 3, 4};
      Uint8 b = event.button.button;
      if (b >= 1 && b <= 3) push(input, kWindowCode[b], pressed, time);
      KorbDevice* mouse = find_device(input, "Mouse");
      if (mouse && mouse->attached && mouse->watched && b >= 1 && b <= 5)
        push(input, mouse->base + kDeviceButton[b], pressed, time);
      break;
    }
    case SDL_MOUSEMOTION:
    case SDL_MOUSEWHEEL: {
      KorbDevice* mouse = find_device(input, "Mouse");
      if (!mouse || !mouse->attached) break;
      auto* data = static_cast<SdlMouse*>(mouse->data);
      if (event.type == SDL_MOUSEMOTION) {
        data->motion[0] += event.motion.xrel;
        data->motion[1] += event.motion.yrel;
      } else {
        data->motion[2] += event.wheel.y;
      }
      break;
    }
    case SDL_JOYBUTTONDOWN:
    case SDL_JOYBUTTONUP: {
      KorbDevice* device = joystick_device(input, event.jbutton.which);
      if (!device || event.jbutton.button >= device->buttons) break;
      auto* stick = static_cast<SdlJoystick*>(device->data);
      int pulled_back_ms;
      double time = stamp_time(event.jbutton.timestamp, pulled_back_ms);
      stick->largest_adjustment_ms = std::max(stick->largest_adjustment_ms, pulled_back_ms);
      push(input, device->base + event.jbutton.button, event.type == SDL_JOYBUTTONDOWN, time);
      break;
    }
    case SDL_JOYDEVICEADDED:
      sdl_add_joystick(input, event.jdevice.which);
      break;
    case SDL_JOYDEVICEREMOVED:
      if (KorbDevice* device = joystick_device(input, event.jdevice.which)) {
        korb_log("Lost \"%s\"\n", device->name.c_str());
        detach_device(input, *device);
      }
      break;
    default:
      break;
  }
}
