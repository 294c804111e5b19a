#include "platform/clock.h"

#include <sched.h>
#include <time.h>

#include <cmath>

double korb_time() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

void korb_sleep(double seconds) {
  if (!(seconds > 0)) return;
  const double deadline = korb_time() + seconds;
  // Whole milliseconds minus one: the system timer may wake us up to a
  // millisecond late, and the yield loop below makes up the rest exactly.
  const double ms = std::floor(seconds * 1000.0);
  const double sleep_ms = ms > 1 ? ms - 1 : ms;
  if (sleep_ms > 0) {
    timespec pause{};
    pause.tv_sec = static_cast<time_t>(sleep_ms / 1000.0);
    pause.tv_nsec =
        static_cast<long>((sleep_ms - static_cast<double>(pause.tv_sec) * 1000.0) * 1e6);
    while (nanosleep(&pause, &pause) != 0) {
    }
  }
  while (korb_time() < deadline) sched_yield();
}
