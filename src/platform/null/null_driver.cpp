// The null driver: no window, no sound. Used by the race server, the
// headless runner and the tests.

#include "platform/driver.h"

void korb_driver_error_box(const char* title, const char* text) {
  print_error_box_text(title, text);
}

void korb_driver_close_for_fatal() {}
