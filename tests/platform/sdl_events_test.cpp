// SDL events into the game's events: set-1 key codes, typed characters,
// window mouse buttons, and time stamps on the platform clock.

#include <SDL.h>
#include <gtest/gtest.h>

#include <vector>

#include "platform/clock.h"
#include "platform/input.h"
#include "platform/sdl/sdl_input.h"

namespace {

std::vector<KorbEvent> drain(KorbInput& input) {
  std::vector<KorbEvent> events;
  while (auto event = pop_event(input.events)) events.push_back(*event);
  return events;
}

SDL_Event key(Uint32 type, SDL_Scancode scancode) {
  SDL_Event event{};
  event.type = type;
  event.key.keysym.scancode = scancode;
  event.key.timestamp = SDL_GetTicks();
  return event;
}

TEST(SdlEvents, KeysBecomeSet1CodesAndControlKeysAlsoTypeTheirCharacter) {
  KorbInput input;
  sdl_input_event(input, key(SDL_KEYDOWN, SDL_SCANCODE_RCTRL));
  sdl_input_event(input, key(SDL_KEYUP, SDL_SCANCODE_RCTRL));
  sdl_input_event(input, key(SDL_KEYDOWN, SDL_SCANCODE_TAB));
  sdl_input_event(input, key(SDL_KEYDOWN, SDL_SCANCODE_M));
  sdl_input_event(input, key(SDL_KEYDOWN, SDL_SCANCODE_F13));  // no set-1 code: nothing
  auto events = drain(input);
  ASSERT_EQ(events.size(), 5u);
  EXPECT_EQ(events[0].code, 0x111D);
  EXPECT_TRUE(events[0].pressed);
  EXPECT_EQ(events[1].code, 0x111D);
  EXPECT_FALSE(events[1].pressed);
  EXPECT_EQ(events[2].code, 0x100F);
  EXPECT_EQ(events[3].code, 9);
  EXPECT_EQ(events[4].code, 0x1032);
  EXPECT_EQ(find_key(input, "m"), events[4].code);
}

TEST(SdlEvents, TypedTextGivesCharacterCodesUpTo255) {
  KorbInput input;
  SDL_Event text{};
  text.type = SDL_TEXTINPUT;
  text.text.timestamp = SDL_GetTicks();
  std::snprintf(text.text.text, sizeof text.text.text,
                "a\xC3\xA9\xE2\x82\xAC"
                "b\xFF");
  sdl_input_event(input, text);
  std::vector<int> codes;
  for (const KorbEvent& e : drain(input)) codes.push_back(e.code);
  EXPECT_EQ(codes, (std::vector<int>{'a', 0xE9, 'b'}));  // the euro sign has no code
}

TEST(SdlEvents, MouseButtonsAndTheirAliases) {
  KorbInput input;
  add_cursor_aliases(input);
  SDL_Event button{};
  button.type = SDL_MOUSEBUTTONDOWN;
  button.button.button = SDL_BUTTON_RIGHT;
  button.button.timestamp = SDL_GetTicks();
  sdl_input_event(input, button);
  auto events = drain(input);
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].code, find_key(input, "cursor-right"));
}

TEST(SdlEvents, StampsAreOnThePlatformClockAndNeverInTheFuture) {
  double before = korb_time();
  double stamp = sdl_event_time(SDL_GetTicks());
  double after = korb_time();
  EXPECT_GE(stamp, before - 0.002);
  EXPECT_LE(stamp, after);
  double future = sdl_event_time(SDL_GetTicks() + 5000);
  EXPECT_LE(future, korb_time());
}

}  // namespace
