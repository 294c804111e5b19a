#include "app/screenshot.h"

#include <GL/gl.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "data/data_dirs.h"
#include "platform/log.h"
#include "platform/messages.h"
#include "render/image/image.h"

int next_screenshot_number(const std::vector<std::string>& file_names) {
  int next = 0;
  for (const std::string& name : file_names) {
    unsigned n = 0;
    char extension[5] = {};
    int used = 0;
    if (std::sscanf(name.c_str(), "screenshot%u.%4s%n", &n, extension, &used) == 2 &&
        static_cast<std::size_t>(used) == name.size() &&
        (std::strcmp(extension, "png") == 0 || std::strcmp(extension, "ppm") == 0) && n < 1000000) {
      next = std::max(next, static_cast<int>(n) + 1);
    }
  }
  return next;
}

void take_screenshot(int& number, int width, int height) {
  if (width <= 0 || height <= 0) return;
  if (number < 0) number = next_screenshot_number(file_names());
  std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width) * height * 3);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
  char shown[48], name[64], message[96];
  std::snprintf(shown, sizeof shown, "screenshot%03d.png", number);
  std::snprintf(name, sizeof name, "@%s", shown);
  ++number;
  if (!write_png_rgb(name, pixels.data(), width, height)) {
    korb_log("Can't write \"%s\"\n", shown);
    return;
  }
  std::snprintf(message, sizeof message, "Saved \"%s\"", shown);
  post_message(message);
}
