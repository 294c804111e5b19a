// The whole game on the virtual display: started on venloop, it draws the
// track (a screenshot taken with the screenshot key shows ground below
// the sky), records the engines it hears (--record-audio) and quits
// cleanly on the window's quit request. The run
// happens in a child process: the log, data directories and settings are
// per process.

#include <SDL.h>
#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "app/entry.h"
#include "platform/temp_dir.h"

extern "C" const char* __lsan_default_suppressions();
extern "C" const char* __lsan_default_suppressions() { return "leak:libdbus-1.so\n"; }

// Present only in the sanitizer build.
extern "C" void __lsan_disable() __attribute__((weak));

namespace {

std::string audio_path;  // set before the child runs

void push_later(int milliseconds, SDL_Event event) {
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
  event.common.timestamp = SDL_GetTicks();
  SDL_PushEvent(&event);
}

// Runs the game on venloop; from another thread, presses the screenshot
// key after a few seconds and asks to quit a second later.
[[noreturn]] void run_game() {
  std::thread([] {
    SDL_Event key{};
    key.type = SDL_KEYDOWN;
    key.key.keysym.scancode = SDL_SCANCODE_S;
    push_later(6000, key);
    key.type = SDL_KEYUP;
    push_later(100, key);
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    push_later(1500, quit);
  }).detach();
  // The software GL driver keeps a few blocks from its first draws,
  // allocated from generated code the leak checker cannot trace back to
  // the driver. This run checks that the game draws and quits; the leak
  // checks of its parts are the other tests'.
  if (__lsan_disable) __lsan_disable();
  const char* args[] = {"tavrin", "--track", "venloop", "--record-audio", audio_path.c_str(),
                        nullptr};
  std::exit(tavrin_main(5, const_cast<char**>(args)));
}

TEST(GameRun, VenloopIsDrawnAndTheGameQuitsCleanly) {
  const char* display = std::getenv("DISPLAY");
  if (!display || !*display) GTEST_SKIP() << "no display";
  TempDir home;
  setenv("XDG_DATA_HOME", home.path.c_str(), 1);
  setenv("QZ_HOME", TAVRIN_BUILD_DIR, 1);
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  audio_path = home / "engines.raw";
  EXPECT_EXIT(run_game(), ::testing::ExitedWithCode(0), "");

  // One block of 690 stereo 8-bit samples a tick, as many ticks as the
  // game ran (fewer in a sanitizer build, at least half a second's); the
  // robots' engines blip on the gate, so the samples move well away from
  // the silent middle value.
  std::FILE* f = std::fopen(audio_path.c_str(), "rb");
  ASSERT_NE(f, nullptr) << audio_path;
  std::vector<unsigned char> samples(1 << 22);
  samples.resize(std::fread(samples.data(), 1, samples.size(), f));
  std::fclose(f);
  EXPECT_EQ(samples.size() % 1380, 0u);
  EXPECT_GE(samples.size(), 64u * 1380);
  int loudest = 0;
  for (unsigned char b : samples) loudest = std::max(loudest, std::abs(b - 128));
  EXPECT_GT(loudest, 8);

  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  const std::string shot = home / "Tavrin/screenshot000.png";
  ASSERT_TRUE(png_image_begin_read_from_file(&image, shot.c_str())) << shot;
  image.format = PNG_FORMAT_RGB;
  std::vector<png_byte> rgb(PNG_IMAGE_SIZE(image));
  ASSERT_TRUE(png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr));
  const int width = static_cast<int>(image.width), height = static_cast<int>(image.height);

  // The bottom quarter is ground (blue never leads there); the top rows
  // are sky, the clear colour.
  int earthy = 0, count = 0;
  for (int y = height * 3 / 4; y < height; ++y)
    for (int x = 0; x < width; ++x, ++count) {
      const png_byte* p = &rgb[(static_cast<std::size_t>(y) * width + x) * 3];
      if (p[2] < std::max(p[0], p[1])) ++earthy;
    }
  EXPECT_GT(earthy, count * 9 / 10);
  const png_byte* top = &rgb[static_cast<std::size_t>(width / 2) * 3];
  EXPECT_NEAR(top[0], 50, 2);
  EXPECT_NEAR(top[1], 153, 2);
  EXPECT_NEAR(top[2], 204, 2);
}

}  // namespace
