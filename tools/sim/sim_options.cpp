#include "sim_options.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string_view>

namespace {

bool read_int(const char* text, int low, int high, int* out) {
  char* end = nullptr;
  errno = 0;
  const long v = std::strtol(text, &end, 10);
  if (end == text || *end != '\0' || errno == ERANGE || v < low || v > high) return false;
  *out = static_cast<int>(v);
  return true;
}

// Track folder names are plain words: no path can escape the data folders.
bool plain_name(std::string_view name) {
  if (name.empty() || name.size() > 64) return false;
  for (char c : name)
    if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '-')) return false;
  return true;
}

}  // namespace

const char* sim_usage() {
  return "usage: tavrin-sim --track NAME [--robots N] [--skill novice|amateur|expert]\n"
         "                  [--laps N] [--minutes N] [--ticks N] [--rider FILE]\n"
         "                  [--record FILE] [--play FILE] [--learn RACES] [--nolearn]\n"
         "                  [--practice] [--trace EVERY]\n"
         "Runs a session headless and prints the standings and the real-time factor.\n";
}

bool parse_sim_options(int argc, const char* const* argv, SimOptions& o, std::string& error) {
  for (int i = 1; i < argc; ++i) {
    std::string name = argv[i];
    const char* value = nullptr;
    const size_t eq = name.find('=');
    if (eq != std::string::npos) {
      value = argv[i] + eq + 1;
      name.resize(eq);
    }
    auto flag = [&](bool& target) {
      if (value) {
        error = "option " + name + " takes no value";
        return false;
      }
      target = true;
      return true;
    };
    auto next = [&]() -> const char* {
      if (value) return value;
      if (i + 1 >= argc) return nullptr;
      return argv[++i];
    };
    if (name == "--help" || name == "-h") {
      if (!flag(o.help)) return false;
      continue;
    }
    if (name == "--nolearn") {
      if (!flag(o.nolearn)) return false;
      continue;
    }
    if (name == "--practice") {
      if (!flag(o.practice)) return false;
      continue;
    }
    struct IntOption {
      const char* name;
      int* target;
      int low, high;
    } ints[] = {{"--robots", &o.robots, 0, 40},    {"--laps", &o.laps, 0, 50},
                {"--minutes", &o.minutes, 0, 600}, {"--ticks", &o.ticks, 0, 1 << 30},
                {"--learn", &o.learn, 1, 100000},  {"--trace", &o.trace, 1, 1 << 30}};
    struct TextOption {
      const char* name;
      std::string* target;
    } texts[] = {
        {"--track", &o.track}, {"--rider", &o.rider}, {"--record", &o.record}, {"--play", &o.play}};
    bool known = false;
    for (const IntOption& opt : ints) {
      if (name != opt.name) continue;
      known = true;
      const char* v = next();
      if (!v || !read_int(v, opt.low, opt.high, opt.target)) {
        error = "Bad arg for " + name + ": expected a whole number from " +
                std::to_string(opt.low) + " to " + std::to_string(opt.high);
        return false;
      }
    }
    for (const TextOption& opt : texts) {
      if (name != opt.name) continue;
      known = true;
      const char* v = next();
      if (!v || !*v) {
        error = "Bad arg for " + name + ": missing value";
        return false;
      }
      *opt.target = v;
    }
    if (name == "--skill") {
      known = true;
      const char* v = next();
      static constexpr const char* skills[] = {"novice", "amateur", "expert"};
      int found = -1;
      for (int s = 0; s < 3 && v; ++s)
        if (std::strcmp(v, skills[s]) == 0) found = s;
      if (found < 0) {
        error = "Bad arg for --skill: expected novice, amateur or expert";
        return false;
      }
      o.skill = found;
    }
    if (!known) {
      error = "bad option '" + std::string(argv[i]) + "'";
      return false;
    }
  }
  if (o.help) return true;
  if (o.track.empty() && o.play.empty()) {
    error = "--track NAME is needed";
    return false;
  }
  if (!o.track.empty() && !plain_name(o.track)) {
    error = "bad track name '" + o.track + "'";
    return false;
  }
  if (!o.rider.empty() && o.robots > 39) {
    error = "Bad arg for --robots: at most 39 beside the rider";
    return false;
  }
  if (!o.record.empty() && !o.play.empty()) {
    error = "--record and --play cannot be used together";
    return false;
  }
  if (o.laps == 0 && o.minutes == 0) {
    error = "a race needs laps or minutes";
    return false;
  }
  return true;
}
