#include "app/command_line.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

namespace {

struct Targets {
  CommandLineOptions& options;
  Settings& settings;
  RenderSettings& render;
};

bool read_int(const char* value, int* out) { return std::sscanf(value, "%d", out) == 1; }

// Not-a-number and infinity would poison every value derived from them.
bool read_float(const char* value, float* out) {
  return std::sscanf(value, "%f", out) == 1 && std::isfinite(*out);
}

// One option. A value option with `bad_arg` reports an unparsable or
// missing value with "Bad arg for <name>"; without it such a value is
// ignored. apply returns false for a value that does not parse.
struct OptionSpec {
  const char* name;
  bool takes_value;
  bool bad_arg;
  bool (*apply)(Targets& t, const char* value);
};

bool set_flag(bool& flag) { return flag = true; }

// In the order options are tried.
constexpr OptionSpec option_table[] = {
    {"--fugly", false, false, [](Targets& t, const char*) { return set_flag(t.options.fugly); }},
    {"--nosound", false, false,
     [](Targets& t, const char*) { return set_flag(t.options.no_sound); }},
    {"--novertexarrays", false, false,
     [](Targets& t, const char*) { return set_flag(t.options.no_vertex_arrays); }},
    {"--nolearn", false, false,
     [](Targets& t, const char*) { return set_flag(t.options.no_learn); }},
    {"--debug", false, false,
     [](Targets& t, const char*) {
       t.options.debug_level = 1;
       return true;
     }},
    {"--super-debug", false, false,
     [](Targets& t, const char*) {
       t.options.debug_level = 2;
       return true;
     }},
    {"--practice", false, false,
     [](Targets& t, const char*) { return set_flag(t.options.practice); }},
    {"--warp", false, false, [](Targets& t, const char*) { return set_flag(t.options.warp); }},
    {"--texture-detail", true, true,
     [](Targets& t, const char* v) {
       int n;
       if (!read_int(v, &n)) return false;
       t.render.model_texture_levels_dropped = std::clamp(n, 0, 4);
       return true;
     }},
    {"--ground-texture-detail", true, true,
     [](Targets& t, const char* v) {
       int n;
       if (!read_int(v, &n)) return false;
       t.render.ground_texture_levels_dropped = std::clamp(n, 0, 4);
       return true;
     }},
    {"--roostfrequency", true, true,
     [](Targets& t, const char* v) {
       int n;
       if (!read_int(v, &n)) return false;
       t.render.roost_frequency = std::clamp(n, 0, 1000);
       return true;
     }},
    {"--erode", true, true,
     [](Targets& t, const char* v) {
       float x;
       if (!read_float(v, &x)) return false;
       t.render.erode = std::clamp(x, 0.0f, 1.0f);
       return true;
     }},
    {"--detail", true, true,
     [](Targets& t, const char* v) { return read_float(v, &t.render.ground_detail_threshold); }},
    {"--max-detail-distance", true, true,
     [](Targets& t, const char* v) {
       float d;
       if (!read_float(v, &d)) return false;
       t.render.max_detail_distance = d;
       t.render.outer_detail_distance = d + 5;
       return true;
     }},
    {"--lod-scale", true, true,
     [](Targets& t, const char* v) {
       float x;
       if (!read_float(v, &x)) return false;
       t.render.model_lod_scale = std::clamp(x, 0.000001f, 1000000.0f);
       return true;
     }},
    {"--lod-bias", true, true,
     [](Targets& t, const char* v) { return read_float(v, &t.render.model_lod_bias); }},
    {"--lock-fps", true, true,
     [](Targets& t, const char* v) { return read_float(v, &t.options.lock_fps); }},
    {"--fake-lag", true, true,
     [](Targets& t, const char* v) {
       float ms;
       if (!read_float(v, &ms)) return false;
       t.options.fake_lag = std::clamp(ms / 1000.0f, 0.0f, 1.0f);
       return true;
     }},
    {"--fake-loss", true, true,
     [](Targets& t, const char* v) {
       int n;
       if (!read_int(v, &n)) return false;
       t.options.fake_loss = std::clamp(n, 0, 100);
       return true;
     }},
    {"--record-audio", true, false,
     [](Targets& t, const char* v) { return !(t.options.record_audio_path = v).empty(); }},
    {"--record-video", false, false,
     [](Targets& t, const char*) { return set_flag(t.options.record_video); }},
    {"--rotate-lineup", true, false,
     [](Targets& t, const char* v) { return read_int(v, &t.options.rotate_lineup); }},
    {"--editor", false, false, [](Targets& t, const char*) { return set_flag(t.options.editor); }},
    {"--hidden-pause", false, false,
     [](Targets& t, const char*) { return set_flag(t.options.hidden_pause); }},
    {"--hidden-hud", false, false,
     [](Targets& t, const char*) {
       t.options.show_hud = false;
       return true;
     }},
    {"--bikes", true, false,
     [](Targets&, const char*) {
       std::fputs("--bikes doesn't do anything anymore\n", stderr);
       return true;
     }},
    {"--width", true, false,
     [](Targets& t, const char* v) { return read_int(v, &t.settings.xres); }},
    {"--height", true, false,
     [](Targets& t, const char* v) { return read_int(v, &t.settings.yres); }},
    {"--depth", true, false,
     [](Targets& t, const char* v) { return (t.options.depth = std::atoi(v)), true; }},
    {"--draw-fps", true, false,
     [](Targets& t, const char* v) { return (t.settings.draw_fps = std::atoi(v)), true; }},
    {"--draw-time", true, false,
     [](Targets& t, const char* v) { return (t.settings.draw_time = std::atoi(v)), true; }},
    {"--draw-ping", true, false,
     [](Targets& t, const char* v) { return (t.settings.draw_ping = std::atoi(v)), true; }},
    {"--draw-render-stats", true, false,
     [](Targets& t, const char* v) { return (t.options.draw_render_stats = std::atoi(v)), true; }},
    {"--accurate-skip", false, false,
     [](Targets& t, const char*) { return set_flag(t.options.accurate_skip); }},
    {"--track", true, false, [](Targets& t, const char* v) { return (t.options.track = v), true; }},
    {"--connect", true, false,
     [](Targets& t, const char* v) {
       std::string_view address = v;
       if (address.starts_with("tavrin:")) address.remove_prefix(7);
       t.options.connect = address;
       return true;
     }},
    {"--password", true, false,
     [](Targets& t, const char* v) { return (t.options.password = v), true; }},
    {"--chase-center", true, true,
     [](Targets& t, const char* v) {
       float x, y, z;
       if (std::sscanf(v, "%f,%f,%f", &x, &y, &z) != 3 || !std::isfinite(x) || !std::isfinite(y) ||
           !std::isfinite(z))
         return false;
       t.options.chase_center = {x, y, z};
       return true;
     }},
    {"--open-home", false, false, nullptr},
    {"--glfinish", false, false,
     [](Targets& t, const char*) { return set_flag(t.options.glfinish); }},
    {"--print-orientation", false, false,
     [](Targets& t, const char*) { return set_flag(t.options.print_orientation); }},
};

// The option the argument names, with its value: the next argument for
// the exact name (null when there is none), the text after "=" otherwise.
const OptionSpec* match_option(std::string_view arg, std::span<const char* const> args, size_t& i,
                               const char** value) {
  for (const OptionSpec& option : option_table) {
    std::string_view name = option.name;
    if (!option.takes_value) {
      if (arg == name) return &option;
      continue;
    }
    if (arg == name) {
      *value = i + 1 < args.size() ? args[++i] : nullptr;
      return &option;
    }
    if (arg.size() > name.size() && arg.starts_with(name) && arg[name.size()] == '=') {
      *value = args[i] + name.size() + 1;
      return &option;
    }
  }
  return nullptr;
}

}  // namespace

ParseOutcome parse_options(std::span<const char* const> args, CommandLineOptions& options,
                           Settings& settings, RenderSettings& render) {
  Targets targets{options, settings, render};
  bool end_of_options = false;
  int files = 0;
  for (size_t i = 0; i < args.size(); ++i) {
    std::string_view arg = args[i];
    if (!end_of_options) {
      if (arg == "--") {
        end_of_options = true;
        continue;
      }
      const char* value = nullptr;
      const OptionSpec* option = match_option(arg, args, i, &value);
      if (option) {
        if (!option->apply) return ParseOutcome::open_home;
        bool ok = option->takes_value && !value ? false : option->apply(targets, value);
        if (!ok && option->bad_arg) {
          std::fprintf(stderr, "Bad arg for %s\n", option->name);
          return ParseOutcome::fail;
        }
        continue;
      }
      if (arg.starts_with("-")) {
        std::fprintf(stderr, "bad option '%s'\n", args[i]);
        return ParseOutcome::fail;
      }
    }
    if (++files > 1) {
      std::fputs("Too many files!\n", stderr);
      return ParseOutcome::fail;
    }
    options.demo_file = args[i];
  }
  return ParseOutcome::run;
}
