#pragma once
// A small game window with a current GL context for the render tests, in
// a temporary home. Tests skip without a display.

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "../platform/temp_dir.h"
#include "data/data_dirs.h"
#include "platform/messages.h"
#include "platform/window.h"

// libdbus, reached through SDL's video start, keeps a buffer for the life
// of the process; the sanitizer build must not count it as ours.
extern "C" const char* __lsan_default_suppressions();

// Present only in the sanitizer build.
extern "C" void __lsan_disable() __attribute__((weak));
extern "C" void __lsan_enable() __attribute__((weak));

// The software GL driver compiles its drawing code on the first draws and
// keeps a few blocks for the life of the process, allocated from generated
// code the leak checker cannot trace back to the driver (so the driver's
// suppressions cannot match). Drawing calls of the tests run inside this
// guard: allocations made meanwhile on this thread are not reported.
struct DriverAllocationsIgnored {
  DriverAllocationsIgnored() {
    if (__lsan_disable) __lsan_disable();
  }
  ~DriverAllocationsIgnored() {
    if (__lsan_enable) __lsan_enable();
  }
  DriverAllocationsIgnored(const DriverAllocationsIgnored&) = delete;
  DriverAllocationsIgnored& operator=(const DriverAllocationsIgnored&) = delete;
};

class GlWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display) GTEST_SKIP() << "no display";
    setenv("XDG_DATA_HOME", home.path.c_str(), 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    reset_data_dirs_for_tests();
    clear_messages();
    window = korb_open_window("Tavrin test", width, height, 24, 0, 16, 0, 0);
    ASSERT_NE(window, nullptr);
  }
  void TearDown() override { korb_close_window(window); }

  // The newest posted message, "" when none.
  static std::string last_message() {
    const MessageList& list = message_list();
    return list
        .lines[static_cast<std::size_t>((list.write_index + message_ring_lines - 1) %
                                        message_ring_lines)]
        .data();
  }

  int width = 320, height = 240;
  TempDir home;
  KorbWindow* window = nullptr;
};
