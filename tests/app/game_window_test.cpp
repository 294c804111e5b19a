// The game window under a (virtual) display: it opens titled "Tavrin",
// draws the clear colour, saves a screenshot of it in the home directory,
// and the loop ends on the window's close request. Skipped without a
// display.

#include <GL/gl.h>
#include <SDL.h>
#include <gtest/gtest.h>
#include <png.h>

#include <fstream>

#include <cstdlib>
#include <memory>
#include <string>

#include "../platform/temp_dir.h"
#include "app/main_loop.h"
#include "app/screenshot.h"
#include "data/data_dirs.h"
#include "platform/log.h"
#include "platform/messages.h"

// libdbus, reached through SDL's video start, keeps a buffer for the life
// of the process; the sanitizer build must not count it as ours.
extern "C" const char* __lsan_default_suppressions();
extern "C" const char* __lsan_default_suppressions() { return "leak:libdbus-1.so\n"; }

namespace {

bool have_display() {
  const char* display = std::getenv("DISPLAY");
  return display && *display;
}

// The RGB pixel at (x, y) of a PNG, rows top first.
struct Png {
  int width = 0, height = 0;
  std::vector<png_byte> rgb;
};

bool read_png_file(const std::string& path, Png& out) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) return false;
  image.format = PNG_FORMAT_RGB;
  out.width = image.width;
  out.height = image.height;
  out.rgb.resize(PNG_IMAGE_SIZE(image));
  return png_image_finish_read(&image, nullptr, out.rgb.data(), 0, nullptr) != 0;
}

class GameWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!have_display()) GTEST_SKIP() << "no display";
    setenv("XDG_DATA_HOME", home.path.c_str(), 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    reset_data_dirs_for_tests();
    user_settings = Settings{};
    user_settings.xres = 320;
    user_settings.yres = 200;
    p = std::make_unique<Program>();
    prepare_video_modes(loop);
    p->game.video_mode = 1;
  }
  void TearDown() override { close_game_window(loop); }

  TempDir home;
  std::unique_ptr<Program> p;
  GameLoop loop;
};

TEST_F(GameWindow, DrawsTheClearColourSavesAScreenshotAndQuitsOnClose) {
  ASSERT_EQ(open_game_window(*p, loop), WindowStart::ready);
  auto size = korb_begin_frame(loop.window);
  ASSERT_TRUE(size);
  EXPECT_EQ(size->width, 320);
  glClear(GL_COLOR_BUFFER_BIT);
  take_screenshot(loop.screenshot_number, size->width, size->height);
  EXPECT_TRUE(korb_end_frame(loop.window));
  EXPECT_STREQ(visible_message(message_list().visible - 1), "Saved \"screenshot000.png\"");

  Png shot;
  ASSERT_TRUE(read_png_file(home / "Tavrin/screenshot000.png", shot));
  ASSERT_EQ(shot.width, 320);
  ASSERT_EQ(shot.height, 200);
  for (std::size_t i = 0; i < shot.rgb.size(); i += 3) {
    // 0.196078, 0.6, 0.8 of 255
    ASSERT_NEAR(shot.rgb[i], 50, 1) << i;
    ASSERT_NEAR(shot.rgb[i + 1], 153, 1) << i;
    ASSERT_NEAR(shot.rgb[i + 2], 204, 1) << i;
  }

  // The window manager's close button.
  SDL_Event close{};
  close.type = SDL_WINDOWEVENT;
  close.window.event = SDL_WINDOWEVENT_CLOSE;
  close.window.timestamp = SDL_GetTicks();
  SDL_PushEvent(&close);
  run_main_loop(*p, loop);
  EXPECT_TRUE(p->game.quit_requested);
}

TEST_F(GameWindow, TheScreenshotKeyShootsTheNextFrameWhileRiding) {
  ASSERT_EQ(open_game_window(*p, loop), WindowStart::ready);
  // A track is up and the player rides with no menu: the key shoots.
  p->game.track_name = "practice";
  p->game.menu = -1;
  p->game.camera_mode = camera_chase;
  SDL_Event key{};
  key.type = SDL_KEYDOWN;
  key.key.keysym.scancode = SDL_SCANCODE_S;
  key.key.timestamp = SDL_GetTicks();
  SDL_PushEvent(&key);
  // Closed a few frames later, from SDL's timer thread (as a window manager
  // would, from outside the loop).
  ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_TIMER), 0);
  SDL_TimerID timer = SDL_AddTimer(
      300,
      [](Uint32, void*) -> Uint32 {
        SDL_Event quit{};
        quit.type = SDL_QUIT;
        quit.quit.timestamp = SDL_GetTicks();
        SDL_PushEvent(&quit);
        return 0;
      },
      nullptr);
  run_main_loop(*p, loop);
  SDL_RemoveTimer(timer);
  EXPECT_FALSE(loop.screenshot_wanted);  // taken by the last frame drawn
  close_game_window(loop);
  std::ifstream file(home / "Tavrin/screenshot000.png");
  EXPECT_TRUE(file.good());
}

TEST_F(GameWindow, SwitchesBetweenFullScreenAndAWindowOfTheAskedSize) {
  ASSERT_EQ(open_game_window(*p, loop), WindowStart::ready);
  auto drawn_size = [&] {
    for (int i = 0; i < 50; ++i) {  // the X server takes a moment to resize
      auto size = korb_begin_frame(loop.window);
      if (size) korb_end_frame(loop.window);
      SDL_Delay(10);
      if (size && i > 5) return *size;
    }
    return DrawableSize{};
  };
  korb_set_video_mode(loop.window, 0, 0, 16 | kFullscreenFlag);
  DrawableSize full = drawn_size();
  EXPECT_EQ(full.width, korb_display_modes().front().width);
  EXPECT_EQ(full.height, korb_display_modes().front().height);
  korb_set_video_mode(loop.window, 400, 300, 16);
  DrawableSize windowed = drawn_size();
  EXPECT_EQ(windowed.width, 400);
  EXPECT_EQ(windowed.height, 300);
}

TEST_F(GameWindow, AnImpossibleRequestFailsWithTheReasonLogged) {
  p->options.depth = 48;  // 16 bits per colour channel: no such visual
  EXPECT_EQ(open_game_window(*p, loop), WindowStart::failed);
  EXPECT_EQ(loop.window, nullptr);
  EXPECT_STRNE(korb_last_error(), "Unknown");
}

TEST(Screenshots, NumberOnFromTheHighestThere) {
  EXPECT_EQ(next_screenshot_number({}), 0);
  EXPECT_EQ(next_screenshot_number({"screenshot004.png", "screenshot1.ppm", "screenshot9.txt",
                                    "demos/screenshot50.png", "screenshot12.png.bak"}),
            5);
}

}  // namespace
