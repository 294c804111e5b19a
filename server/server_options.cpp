#include "server_options.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace {

// A whole decimal number in lo..hi.
bool read_int(const char* text, int lo, int hi, int& out) {
  char* end = nullptr;
  errno = 0;
  const long value = std::strtol(text, &end, 10);
  if (end == text || *end != '\0' || errno != 0 || value < lo || value > hi) return false;
  out = static_cast<int>(value);
  return true;
}

}  // namespace

const char* server_usage() {
  return "usage: tavrin-server [--port N] --track NAME [--laps N] [--minutes N]\n"
         "                     [--password TEXT] [--max-riders N] [--no-arcade]\n";
}

bool parse_server_options(int argc, const char* const* argv, ServerOptions& options, bool& help,
                          std::string& error) {
  help = false;
  bool laps_given = false, minutes_given = false;
  for (int i = 1; i < argc; ++i) {
    const std::string name = argv[i];
    if (name == "--help") {
      help = true;
      return true;
    }
    if (name == "--no-arcade") {
      options.no_arcade = true;
      continue;
    }
    if (i + 1 >= argc) {
      error = name.rfind("--", 0) == 0 ? "option " + name + " needs a value"
                                       : "unknown argument " + name;
      return false;
    }
    const char* value = argv[++i];
    bool ok = true;
    if (name == "--port") {
      ok = read_int(value, 0, 65535, options.port);
    } else if (name == "--track") {
      options.track = value;
      ok = !options.track.empty() && options.track.find('/') == std::string::npos &&
           options.track.find("..") == std::string::npos;
    } else if (name == "--laps") {
      ok = read_int(value, 0, 1000, options.laps);
      laps_given = true;
    } else if (name == "--minutes") {
      ok = read_int(value, 0, 24 * 60, options.minutes);
      minutes_given = true;
    } else if (name == "--password") {
      options.password = value;
    } else if (name == "--max-riders") {
      ok = read_int(value, 1, 40, options.max_riders);
    } else {
      error = "unknown option " + name;
      return false;
    }
    if (!ok) {
      error = "bad value '" + std::string(value) + "' for " + name;
      return false;
    }
  }
  if (options.track.empty()) {
    error = "--track NAME is required";
    return false;
  }
  if (minutes_given && !laps_given) options.laps = 0;
  if (options.laps == 0 && options.minutes == 0) {
    error = "a race needs laps or minutes";
    return false;
  }
  return true;
}
