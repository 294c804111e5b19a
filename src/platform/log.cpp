#include "platform/log.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <string_view>

#include "platform/clock.h"

int debug_level = 0;

namespace {

// The open log, or null. Opened on the first call, closed at exit.
std::FILE* log_file = nullptr;
std::once_flag log_once;

constexpr std::string_view naming_request = "KORB_LOGFILE=";

std::string format_text(const char* format, va_list args) {
  va_list copy;
  va_copy(copy, args);
  char small[512];
  int length = std::vsnprintf(small, sizeof small, format, copy);
  va_end(copy);
  if (length < 0) return {};
  if (static_cast<size_t>(length) < sizeof small) return std::string(small, length);
  std::string text(static_cast<size_t>(length), '\0');
  std::vsnprintf(text.data(), text.size() + 1, format, args);
  return text;
}

// Stamp and message in one write, then flush: entries from different
// threads never mix within a line, and a crash loses nothing written.
void write_entry(std::string_view message) {
  if (!log_file) return;
  std::string entry = log_stamp(korb_time());
  entry.append(message);
  std::fwrite(entry.data(), 1, entry.size(), log_file);
  std::fflush(log_file);
}

void close_log() {
  std::FILE* file = log_file;
  log_file = nullptr;
  std::fclose(file);
}

void open_log(std::string_view first_message) {
  const char* from_environment = std::getenv("KORB_LOGFILE");
  std::string name;
  if (from_environment)
    name = from_environment;
  else if (first_message.starts_with(naming_request))
    name = first_message.substr(naming_request.size());
  if (name.empty()) return;

  const char* mode = "w";
  if (name.starts_with(">>")) {
    name.erase(0, 2);
    mode = "a";
  } else if (name.starts_with(">")) {
    name.erase(0, 1);
  }
  log_file = std::fopen(name.c_str(), mode);
  if (!log_file) return;  // runs without a log; nothing to show
  std::atexit(close_log);

  char line[4200];
  std::snprintf(line, sizeof line, "Logfile \"%.4096s\" opened\n", name.c_str());
  write_entry(line);
  write_entry("KORB 0.31\n");
}

}  // namespace

std::string log_stamp(double seconds) {
  long long hundredths = seconds > 0 ? static_cast<long long>(seconds * 100.0) : 0;
  char stamp[64];
  std::snprintf(stamp, sizeof stamp, "[%lld:%02lld:%02lld.%02lld] ", hundredths / 360000,
                hundredths / 6000 % 60, hundredths / 100 % 60, hundredths % 100);
  return stamp;
}

void korb_log(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string message = format_text(format, args);
  va_end(args);

  bool was_naming_request = false;
  std::call_once(log_once, [&] {
    open_log(message);
    was_naming_request = std::string_view(message).starts_with(naming_request);
  });
  if (!was_naming_request) write_entry(message);
}

namespace {
std::mutex last_error_lock;
std::string last_error = "Unknown";
}  // namespace

void korb_report_error(const char* text) {
  korb_log("Error: %s\n", text);
  std::lock_guard hold(last_error_lock);
  last_error = text;
}

const char* korb_last_error() {
  std::lock_guard hold(last_error_lock);
  return last_error.c_str();
}
