// SDL joysticks as input devices, driven by SDL's virtual joysticks: the
// roll call names, button events, binding capture and unplugging.

#include <SDL.h>
#include <gtest/gtest.h>

#include "platform/binding.h"
#include "platform/input.h"
#include "platform/sdl/sdl_input.h"

namespace {

class SdlJoysticks : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(SDL_Init(SDL_INIT_JOYSTICK), 0) << SDL_GetError();
    first_ = attach("Joystick 1");
    second_ = attach("Joystick 1");
    sdl_open_input(input_, false);
    pump();  // the "added" notices of sticks already on the roll call
  }
  void TearDown() override { SDL_Quit(); }

  static int attach(const char* name) {
    SDL_VirtualJoystickDesc desc{};
    desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
    desc.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
    desc.naxes = 2;
    desc.nbuttons = 4;
    desc.name = name;
    int index = SDL_JoystickAttachVirtualEx(&desc);
    EXPECT_GE(index, 0) << SDL_GetError();
    return index;
  }

  static SDL_Joystick* stick(int index) {
    return SDL_JoystickFromInstanceID(SDL_JoystickGetDeviceInstanceID(index));
  }

  void pump() {
    SDL_JoystickUpdate();
    SDL_Event event;
    while (SDL_PollEvent(&event)) sdl_input_event(input_, event);
  }

  KorbInput input_;
  int first_ = -1;
  int second_ = -1;
};

TEST_F(SdlJoysticks, ControllersNamedAlikeGetNumberedNames) {
  ASSERT_NE(find_device(input_, "Joystick1"), nullptr);
  ASSERT_NE(find_device(input_, "Joystick1#2"), nullptr);
  EXPECT_EQ(find_device(input_, "Joystick1#3"), nullptr);
  auto names = axis_names(input_);
  EXPECT_NE(std::find(names.begin(), names.end(), "Joystick1#2 axis 1"), names.end());
  // The alias of the first stick's first button.
  EXPECT_EQ(find_key(input_, "joystick-a-1"), find_device(input_, "Joystick1")->base);
}

TEST_F(SdlJoysticks, AxisPushedNegativeIsCapturedWithTheNegativeRange) {
  KeyBinding binding{"Throttle"};
  BindingCapture capture;
  start_binding_capture(input_, capture, binding);
  ASSERT_EQ(capture.candidates.size(), 6u);  // the cursor and two sticks, 2 axes each
  ASSERT_EQ(SDL_JoystickSetVirtualAxis(stick(first_), 1, -24000), 0) << SDL_GetError();
  pump();
  capture_check_axes(capture);
  EXPECT_EQ(capture.binding, nullptr);
  EXPECT_STREQ(binding.axis_name, "Joystick1 axis 1");
  EXPECT_FLOAT_EQ(binding.range_low, -0.0625f);
  EXPECT_FLOAT_EQ(binding.range_high, -0.9375f);
  EXPECT_EQ(read_axis(binding.axis), -24000);
  EXPECT_GT(axis_binding_value(read_axis(binding.axis), binding.range_low, binding.range_high),
            0.6f);
  close_binding(binding);
}

TEST_F(SdlJoysticks, ButtonsBecomeTimeStampedEventsThatCaptureCanBind) {
  KorbDevice* second = find_device(input_, "Joystick1#2");
  ASSERT_NE(second, nullptr);
  ASSERT_EQ(SDL_JoystickSetVirtualButton(stick(second_), 2, SDL_PRESSED), 0);
  pump();
  auto event = pop_event(input_.events);
  ASSERT_TRUE(event);
  EXPECT_EQ(event->code, second->base + 2);
  EXPECT_TRUE(event->pressed);

  KeyBinding binding{"Clutch"};
  BindingCapture capture;
  start_binding_capture(input_, capture, binding);
  EXPECT_TRUE(capture_event(input_, capture, *event, 0x1001));
  EXPECT_STREQ(binding.key_name, "Joystick1#2 button 2");
  EXPECT_EQ(find_key(input_, binding.key_name), second->base + 2);
}

TEST_F(SdlJoysticks, AnUnpluggedStickReadsZeroAndNeverCrashes) {
  KorbAxis* axis = open_axis(input_, "joystick-a-x");
  ASSERT_NE(axis, nullptr);
  SDL_JoystickSetVirtualAxis(stick(first_), 0, 12000);
  pump();
  EXPECT_EQ(read_axis(axis), 12000);
  ASSERT_EQ(SDL_JoystickDetachVirtual(first_), 0);
  pump();
  EXPECT_FALSE(find_device(input_, "Joystick1")->attached);
  EXPECT_EQ(read_axis(axis), 0);
  // Plugged in again, it takes its old name and the handle reads it.
  int again = attach("Joystick 1");
  pump();
  EXPECT_TRUE(find_device(input_, "Joystick1")->attached);
  SDL_JoystickSetVirtualAxis(stick(again), 0, -5000);
  pump();
  EXPECT_EQ(read_axis(axis), -5000);
  close_axis(axis);
}

}  // namespace
