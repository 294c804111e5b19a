#include "platform/error_box.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "platform/driver.h"

void korb_error_box(const char* title, const char* format, ...) {
  char text[1024];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  korb_driver_error_box(title, text);
}

void print_error_box_text(const char* title, const char* text) {
  size_t length = std::strlen(text);
  const char* newline = length > 0 && text[length - 1] == '\n' ? "" : "\n";
  std::fprintf(stderr, "%s\n%s%s", title, text, newline);
  std::fflush(stderr);
}
