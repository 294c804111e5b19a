// Surface definitions: the tileinfo file, and the older texturelist used
// when a track has no tileinfo.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "data/stream.h"
#include "platform/messages.h"
#include "track/surfaces.h"
#include "track/track.h"

namespace {

constexpr float kMinCurveSpeed = 1.0f / (1 << 20);  // keeps file points from ending a curve
constexpr double kStep = 1.0 / 128;                 // simulation step, seconds

// A number as the standard strtod reads it. False when no digits were
// read, or when the value is not finite (a curve must never hold NaN or
// infinity). `end` is set past what was parsed.
bool parse_number(const char* text, double* value, const char** end) {
  char* stop = nullptr;
  double v = std::strtod(text, &stop);
  if (end) *end = stop;
  if (stop == text || !std::isfinite(v)) return false;
  *value = v;
  return true;
}

// Reads up to `count` numbers separated by white space; returns how many.
int parse_numbers(const char* text, double* values, int count) {
  int n = 0;
  while (n < count && parse_number(text, &values[n], &text)) ++n;
  return n;
}

std::string name_after_slash(std::string_view name) {
  std::size_t slash = name.rfind('/');
  return std::string(slash == std::string_view::npos ? name : name.substr(slash + 1));
}

// Low byte of the value as a 16-bit integer: how colours and fades are stored.
std::uint8_t stored_byte(double v) {
  v = std::clamp(std::trunc(v), -32768.0, 32767.0);
  return static_cast<std::uint8_t>(static_cast<std::int16_t>(v) & 0xff);
}

RoostType default_roost() {
  RoostType roost;
  roost.texture = track_load_texture("@roost.png");
  return roost;
}

// Keys of a roost line, matched by prefix in this order.
enum class RoostKey {
  texture,
  splash,
  count,
  dig,
  slip_threshold,
  slow_angle,
  fast_angle,
  slow_speed,
  fast_speed,
  size,
  grow,
  drag,
  vscale,
  randomize,
  r,
  g,
  b,
  a,
  fade_r,
  fade_g,
  fade_b,
  fade_a
};

struct RoostKeyInfo {
  const char* prefix;
  RoostKey key;
};

constexpr RoostKeyInfo kRoostKeys[] = {
    {"texture=", RoostKey::texture},
    {"splash=", RoostKey::splash},
    {"count=", RoostKey::count},
    {"dig=", RoostKey::dig},
    {"slip_threshold=", RoostKey::slip_threshold},
    {"slow_angle=", RoostKey::slow_angle},
    {"fast_angle=", RoostKey::fast_angle},
    {"slow_speed=", RoostKey::slow_speed},
    {"fast_speed=", RoostKey::fast_speed},
    {"size=", RoostKey::size},
    {"grow=", RoostKey::grow},
    {"drag=", RoostKey::drag},
    {"vscale=", RoostKey::vscale},
    {"randomize=", RoostKey::randomize},
    {"r=", RoostKey::r},
    {"g=", RoostKey::g},
    {"b=", RoostKey::b},
    {"a=", RoostKey::a},
    {"fade_r=", RoostKey::fade_r},
    {"fade_g=", RoostKey::fade_g},
    {"fade_b=", RoostKey::fade_b},
    {"fade_a=", RoostKey::fade_a},
};

float* float_slot(RoostType& roost, RoostKey key) {
  switch (key) {
    case RoostKey::count:
      return &roost.count;
    case RoostKey::dig:
      return &roost.dig;
    case RoostKey::slip_threshold:
      return &roost.slip_threshold;
    case RoostKey::slow_angle:
      return &roost.slow_angle;
    case RoostKey::fast_angle:
      return &roost.fast_angle;
    case RoostKey::slow_speed:
      return &roost.slow_speed;
    case RoostKey::fast_speed:
      return &roost.fast_speed;
    case RoostKey::size:
      return &roost.size;
    case RoostKey::grow:
      return &roost.grow;
    case RoostKey::drag:
      return &roost.drag;
    case RoostKey::vscale:
      return &roost.vscale;
    case RoostKey::randomize:
      return &roost.randomize;
    default:
      return nullptr;
  }
}

// Applies one key=value token of a roost line.
void apply_roost_token(RoostType& roost, const std::string& token) {
  const RoostKeyInfo* info = nullptr;
  for (const auto& k : kRoostKeys) {
    if (token.compare(0, std::strlen(k.prefix), k.prefix) == 0) {
      info = &k;
      break;
    }
  }
  if (!info) {
    char text[128];
    std::snprintf(text, sizeof text, "tileinfo warning: unknown roost parameter '%.40s'\n",
                  token.c_str());
    post_message(text);
    return;
  }
  const char* value = token.c_str() + std::strlen(info->prefix);
  if (info->key == RoostKey::texture) {
    roost.texture = track_load_texture(value);
    return;
  }
  double v = 0;
  if (!parse_number(value, &v, nullptr)) {
    // The key name without its '=' gives the warning's wording.
    std::string name(info->prefix, std::strlen(info->prefix) - 1);
    post_message(("tileinfo warning: bad " + name + "\n").c_str());
    return;
  }
  switch (info->key) {
    case RoostKey::splash:
      if (v != 0) roost.kind = kRoostSplash;
      return;
    case RoostKey::r:
      roost.colour[0] = stored_byte(v);
      return;
    case RoostKey::g:
      roost.colour[1] = stored_byte(v);
      return;
    case RoostKey::b:
      roost.colour[2] = stored_byte(v);
      return;
    case RoostKey::a:
      roost.colour[3] = stored_byte(v);
      return;
    case RoostKey::fade_r:
      roost.fade[0] = std::int8_t(stored_byte(v * kStep));
      return;
    case RoostKey::fade_g:
      roost.fade[1] = std::int8_t(stored_byte(v * kStep));
      return;
    case RoostKey::fade_b:
      roost.fade[2] = std::int8_t(stored_byte(v * kStep));
      return;
    case RoostKey::fade_a:
      roost.fade[3] = std::int8_t(stored_byte(v * kStep));
      return;
    default:
      *float_slot(roost, info->key) = static_cast<float>(v);
      return;
  }
}

// Splits a roost line into tokens: separators space, form feed, LF, CR,
// tab and backspace; a double-quoted stretch may hold separators.
std::vector<std::string> roost_tokens(const char* text) {
  static constexpr const char* kSeparators = " \f\n\r\t\b";
  std::vector<std::string> tokens;
  std::string token;
  bool in_token = false, quoted = false;
  for (const char* p = text; *p; ++p) {
    if (*p == '"') {
      quoted = !quoted;
      in_token = true;
    } else if (!quoted && std::strchr(kSeparators, *p)) {
      if (in_token) tokens.push_back(token);
      token.clear();
      in_token = false;
    } else {
      token += *p;
      in_token = true;
    }
  }
  if (in_token) tokens.push_back(token);
  return tokens;
}

// The surface being read, with how many points and roost lines it has.
struct WorkingSurface {
  SurfaceType surface = default_surface();
  int friction_points = 0;
  int roll_points = 0;
  int roost_types = 0;
};

void finish_surface(WorkingSurface& w, std::vector<SurfaceType>& surfaces) {
  auto& f = w.surface.friction;
  std::stable_sort(
      f.begin(), f.begin() + w.friction_points,
      [](const FrictionPoint& a, const FrictionPoint& b) { return a.speed < b.speed; });
  auto& r = w.surface.roll_resist;
  std::stable_sort(
      r.begin(), r.begin() + w.roll_points,
      [](const RollResistPoint& a, const RollResistPoint& b) { return a.speed < b.speed; });
  surfaces.push_back(w.surface);
  w = WorkingSurface{};
}

void tileinfo_line(const char* line, WorkingSurface& w, std::vector<SurfaceType>& surfaces) {
  const char* p = line + std::strspn(line, " \t\r\n");
  if (!*p) return;
  std::size_t word_length = std::strcspn(p, " \t\r\n");
  std::string keyword(p, word_length);
  const char* arg_start = p + word_length;
  arg_start += std::strspn(arg_start, " \t");
  std::string arg(arg_start, std::strcspn(arg_start, "\r\n"));

  if (keyword == "texture") {
    w.surface.texture = track_load_texture(arg);
    w.surface.texture_name = name_after_slash(arg);
  } else if (keyword == "friction") {
    double v[2];
    if (w.friction_points >= kCurvePoints) {
      post_message("tileinfo warning: too many friction points\n");
    } else if (parse_numbers(arg.c_str(), v, 2) != 2) {
      post_message("tileinfo warning: bad friction parameters\n");
    } else {
      w.surface.friction[w.friction_points++] = {
          static_cast<float>(std::max(v[0], 0.0)),
          std::max(static_cast<float>(v[1]), kMinCurveSpeed)};
    }
  } else if (keyword == "roll_resist") {
    double v[3];
    if (w.roll_points >= kCurvePoints) {
      post_message("tileinfo warning: too many roll_resist points\n");
    } else if (parse_numbers(arg.c_str(), v, 3) != 3) {
      post_message("tileinfo warning: bad roll_resist parameters\n");
    } else {
      w.surface.roll_resist[w.roll_points++] = {static_cast<float>(std::max(v[0], 0.0)),
                                                static_cast<float>(std::max(v[1], 0.0)),
                                                std::max(static_cast<float>(v[2]), kMinCurveSpeed)};
    }
  } else if (keyword == "roost") {
    if (w.roost_types >= kRoostKinds) {
      post_message("tileinfo warning: too many roost types\n");
      return;
    }
    RoostType roost = default_roost();
    roost.kind = kRoostDirt;
    for (const std::string& token : roost_tokens(arg.c_str())) apply_roost_token(roost, token);
    w.surface.roost[w.roost_types++] = roost;
  } else if (keyword == "addtile") {
    finish_surface(w, surfaces);
  } else {
    char text[1100];
    std::snprintf(text, sizeof text, "tileinfo warning: Unknown identifier '%.950s'\n",
                  keyword.c_str());
    post_message(text);
  }
}

void read_tileinfo(Stream* in, std::vector<SurfaceType>& surfaces) {
  WorkingSurface w;
  char line[1024];
  while (static_cast<int>(surfaces.size()) < kMaxSurfaces && stream_gets(in, line, sizeof line)) {
    tileinfo_line(line, w, surfaces);
  }
}

// One texturelist line: "mu light full name" or just "name".
void texturelist_line(const char* line, std::vector<SurfaceType>& surfaces) {
  const char* p = line + std::strspn(line, " \t\r\n");
  if (!*p) return;
  double v[3] = {1.0, 5.0, 15.0};
  const char* name = p;
  double parsed[3];
  const char* q = p;
  int n = 0;
  while (n < 3 && parse_number(q, &parsed[n], &q)) ++n;
  if (n == 3) {
    std::copy(parsed, parsed + 3, v);
    name = q + std::strspn(q, " \t\r\n\f\v");
  }
  // Only the line end is dropped: a last line without one keeps its name whole.
  std::string texture(name, std::strcspn(name, "\r\n"));
  SurfaceType surface;
  surface.texture = track_load_texture("@" + texture);
  surface.texture_name = name_after_slash(texture);
  for (auto& point : surface.friction) point = {static_cast<float>(std::max(v[0], 0.0)), 0};
  for (auto& point : surface.roll_resist)
    point = {static_cast<float>(std::max(v[1], 0.0)), static_cast<float>(std::max(v[2], 0.0)), 0};
  surface.friction[0].speed = 1;
  surface.roll_resist[0].speed = 1;
  surface.roost[0] = default_roost();
  surface.roost[0].kind = kRoostDirt;
  surfaces.push_back(surface);
}

}  // namespace

bool load_surfaces(std::vector<SurfaceType>& surfaces, std::string_view dir) {
  surfaces.clear();
  std::string base(dir);
  if (StreamPtr in{stream_open((base + "/tileinfo").c_str(), "rb")}) {
    read_tileinfo(in.get(), surfaces);
  } else {
    std::string path = base + "/texturelist";
    StreamPtr list{stream_open(path.c_str(), "rb")};
    if (!list) {
      char text[1100];
      std::snprintf(text, sizeof text, "Can't open '%.950s'", path.c_str());
      post_message(text);
      return false;
    }
    char line[1024];
    while (static_cast<int>(surfaces.size()) < kMaxSurfaces &&
           stream_gets(list.get(), line, sizeof line)) {
      texturelist_line(line, surfaces);
    }
  }
  if (surfaces.empty()) {
    // Without a surface the tile map would have nothing to point at.
    post_message(
        "tileinfo warning: no surface defined (no \"addtile\"); using one default surface\n");
    surfaces.push_back(default_surface());
  }
  return true;
}
