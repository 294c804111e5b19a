#include "app/config.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include <fcntl.h>
#include <unistd.h>

#include "data/data_dirs.h"
#include "data/listings.h"
#include "data/stream.h"
#include "platform/intern.h"
#include "sim/bike_model.h"

namespace {

constexpr int max_line = 1023;  // longer lines are read in pieces

std::string indexed_key(const char* pattern, int i) {
  char key[64];
  std::snprintf(key, sizeof key, pattern, i);
  return key;
}

// A whole decimal int after optional white space; trailing text is ignored
// as with "%d". Out-of-range values are refused rather than wrapped.
bool parse_int(const char* text, int* out) {
  char* end = nullptr;
  errno = 0;
  long value = std::strtol(text, &end, 10);
  if (end == text || errno == ERANGE || value < INT32_MIN || value > INT32_MAX) return false;
  *out = static_cast<int>(value);
  return true;
}

// A number read at single precision as with "%f". NaN is refused: clamping
// cannot repair it, and it would spread through the simulation. Infinities
// clamp to the range like any other large number.
bool parse_float(const char* text, float* out) {
  char* end = nullptr;
  float value = std::strtof(text, &end);
  if (end == text || std::isnan(value)) return false;
  *out = value;
  return true;
}

bool sync_file(const std::string& path) {
  int fd = open(path.c_str(), O_RDONLY);
  if (fd < 0) return false;
  bool synced = fsync(fd) == 0;
  close(fd);
  return synced;
}

void set_variant_choices(ChoiceSetting& choice, const std::string& prefix) {
  choice.choices.clear();
  for (const GraphicsVariant& variant : list_graphics_variants(prefix.c_str()))
    choice.choices.push_back(variant.display);
  if (choice.choices.empty()) choice.choices.push_back("default");
  choice.current = 0;
}

// The ten rider-aid parameters in preset-row order, with rows P0..P5.
struct StabilityRow {
  NumberSetting Settings::*setting;
  std::array<float, 6> preset;
};
constexpr std::array<StabilityRow, 12> stability_rows = {{
    {&Settings::max_steering_force, {400, 400, 400, 400, 400, 400}},
    {&Settings::land_damping_factor, {1, 1.5f, 2, 2, 2, 2}},
    {&Settings::land_damping_falloff, {0, 0.125f, 0.25f, 0.25f, 0.25f, 0.25f}},
    {&Settings::slow_damping_factor, {1, 1, 1.5f, 2, 2, 2}},
    {&Settings::slow_damping_speed, {40, 40, 40, 40, 40, 40}},
    {&Settings::direct_steering, {1, 1, 1, 1, 1, 0}},
    {&Settings::steering_strength, {75, 75, 75, 75, 75, 75}},
    {&Settings::steering_damping, {45, 45, 45, 45, 45, 45}},
    {&Settings::roll_limit_factor, {0, 5, 10, 32, 32, 32}},
    {&Settings::roll_limit_angle, {90, 45, 45, 40, 35, 35}},
    {&Settings::roll_damping, {40, 50, 60, 70, 75, 80}},
    {&Settings::leveling, {20, 20, 20, 20, 20, 20}},
}};

// Stores one value by the record's type; true when the value was taken.
struct ValueReader {
  const char* value;
  void operator()(int* setting) const { parse_int(value, setting); }
  void operator()(NumberSetting* setting) const {
    float number;
    if (parse_float(value, &number))
      setting->value = std::clamp<double>(number, setting->minimum, setting->maximum);
  }
  void operator()(ChoiceSetting* setting) const { setting->select(value); }
  void operator()(TextSetting* setting) const {
    setting->value.assign(value, strnlen(value, static_cast<size_t>(setting->max_length)));
  }
  void operator()(KeyBinding* setting) const { parse_binding(*setting, value); }
};

void read_line(Settings& s, const std::vector<ConfigEntry>& entries, std::string_view key,
               const char* value) {
  if (key == "bike") {
    s.bike.select(std::string(bike_model_alias(value)));
    rebuild_bike_variants(s);
    return;
  }
  // History entries too long to be sent again are dropped, not cut.
  if (key.starts_with("server_name_hist") && std::strlen(value) >= 127) return;
  for (const ConfigEntry& entry : entries) {
    if (entry.key != key) continue;
    std::visit(ValueReader{value}, entry.setting);
    // The rider-aid keys after it in the file override the preset one by
    // one, so the preset is applied right away.
    if (key == "stability") apply_stability(s, static_cast<int>(s.stability.value));
    return;
  }
}

struct ValueWriter {
  Stream* out;
  const char* key;
  bool operator()(int* setting) const { return stream_printf(out, "%s=%d\n", key, *setting) >= 0; }
  bool operator()(NumberSetting* setting) const {
    return stream_printf(out, "%s=%f\n", key, setting->value) >= 0;
  }
  bool operator()(ChoiceSetting* setting) const {
    return stream_printf(out, "%s=%s\n", key, setting->text().c_str()) >= 0;
  }
  // A line break typed into a text would start a new key in the file: the
  // text is written up to it.
  bool operator()(TextSetting* setting) const {
    const std::string& text = setting->value;
    int length = static_cast<int>(std::min(text.find_first_of("\r\n"), text.size()));
    return stream_printf(out, "%s=%.*s\n", key, length, text.c_str()) >= 0;
  }
  bool operator()(KeyBinding* setting) const {
    std::string text = format_binding(*setting);
    return text.empty() || stream_printf(out, "%s=%s\n", key, text.c_str()) >= 0;
  }
};

}  // namespace

std::vector<ConfigEntry> config_entries(Settings& s) {
  std::vector<ConfigEntry> e = {
      {"xres", &s.xres},           {"yres", &s.yres},           {"draw_fps", &s.draw_fps},
      {"draw_time", &s.draw_time}, {"draw_ping", &s.draw_ping}, {"spy", &s.spy},
      {"record", &s.record},       {"skill", &s.skill},         {"minutes", &s.minutes},
      {"laps", &s.laps},
  };
  for (int i = 0; i < lineup_slots; ++i)
    e.push_back({indexed_key("slot%02d", i), &s.gates[static_cast<size_t>(i)]});
  std::vector<ConfigEntry> middle = {
      {"ghost_fade_distance", &s.ghost_fade_distance},
      {"time_trial_abort", &s.time_trial_abort},
      {"bike", &s.bike},
      {"name", &s.name},
      {"number", &s.number},
      {"rider_texture", &s.rider_texture},
      {"head_texture", &s.head_texture},
      {"bike_texture", &s.bike_texture},
      {"wheel_texture", &s.wheel_texture},
      {"stability", &s.stability},
      {"leveling", &s.leveling},
      {"roll_damping", &s.roll_damping},
      {"roll_limit_angle", &s.roll_limit_angle},
      {"roll_limit_factor", &s.roll_limit_factor},
      {"steering_damping", &s.steering_damping},
      {"steering_strength", &s.steering_strength},
      {"max_steering_force", &s.max_steering_force},
      {"direct_steering", &s.direct_steering},
      {"slow_damping_speed", &s.slow_damping_speed},
      {"slow_damping_factor", &s.slow_damping_factor},
      {"land_damping_falloff", &s.land_damping_falloff},
      {"land_damping_factor", &s.land_damping_factor},
      {"arcade", &s.arcade},
      {"front_brake", &s.front_brake},
      {"rear_brake", &s.rear_brake},
      {"stop_wheelies", &s.stop_wheelies},
      {"auto_shift", &s.auto_shift},
      {"auto_dab", &s.auto_dab},
      {"sticky_dab", &s.sticky_dab},
      {"reverse_steering", &s.reverse_steering},
      {"lean_indicator", &s.lean_indicator},
      {"auto_clutch_rpms", &s.auto_clutch_rpms},
      {"brake_torque", &s.brake_torque},
      {"rear_brake_torque", &s.rear_brake_torque},
      {"max_dab_speed", &s.max_dab_speed},
      {"front_sprocket_adjustment", &s.front_sprocket_adjustment},
      {"rear_sprocket_adjustment", &s.rear_sprocket_adjustment},
      {"fork_compression_adjustment", &s.fork_compression_adjustment},
      {"fork_rebound_adjustment", &s.fork_rebound_adjustment},
      {"fork_spring_rate_adjustment", &s.fork_spring_rate_adjustment},
      {"fork_preload_adjustment", &s.fork_preload_adjustment},
      {"fork_oil_level_adjustment", &s.fork_oil_level_adjustment},
      {"shock_compression_adjustment", &s.shock_compression_adjustment},
      {"shock_rebound_adjustment", &s.shock_rebound_adjustment},
      {"shock_spring_rate_adjustment", &s.shock_spring_rate_adjustment},
      {"shock_preload_adjustment", &s.shock_preload_adjustment},
      {"rider_yspring", &s.rider_yspring},
      {"rider_ydamping", &s.rider_ydamping},
      {"rider_zspring", &s.rider_zspring},
      {"rider_zdamping", &s.rider_zdamping},
      {"rider_mass_distribution", &s.rider_mass_distribution},
      {"video_mode", &s.video_mode},
      {"server_name", &s.server_name},
  };
  e.insert(e.end(), middle.begin(), middle.end());
  for (int i = 0; i < server_history_size; ++i)
    e.push_back(
        {indexed_key("server_name_hist%02d", i), &s.server_history[static_cast<size_t>(i)]});
  std::vector<ConfigEntry> last = {
      {"ground_detail", &s.ground_detail},
      {"ground_texture_detail", &s.ground_texture_detail},
      {"ground_texture_dim", &s.ground_texture_dim},
      {"ground_mipmaps", &s.ground_mipmaps},
      {"use_fbo", &s.use_fbo},
      {"use_shader", &s.use_shader},
      {"roost_density", &s.roost_density},
      {"lens_flare", &s.lens_flare},
      {"hide_rider", &s.hide_rider},
      {"rigid_camera", &s.rigid_camera},
      {"model_detail", &s.model_detail},
      {"model_texture_detail", &s.model_texture_detail},
      {"fov", &s.fov},
      {"first_person_height", &s.first_person_height},
      {"first_person_angle", &s.first_person_angle},
      {"volume", &s.volume},
      {"playback_mode", &s.playback_mode},
      {"billboard_optimize_lookahead", &s.billboard_optimize_lookahead},
      {"throttle_key", &s.throttle_key},
      {"front_brake_key", &s.front_brake_key},
      {"rear_brake_key", &s.rear_brake_key},
      {"left_key", &s.left_key},
      {"right_key", &s.right_key},
      {"clutch_key", &s.clutch_key},
      {"upshift_key", &s.upshift_key},
      {"downshift_key", &s.downshift_key},
      {"dab_key", &s.dab_key},
      {"back_up_key", &s.back_up_key},
      {"lean_forward_key", &s.lean_forward_key},
      {"lean_backward_key", &s.lean_backward_key},
      {"pause_key", &s.pause_key},
      {"step_key", &s.step_key},
      {"rewind_key", &s.rewind_key},
      {"skip_key", &s.skip_key},
      {"prev_key", &s.prev_key},
      {"next_key", &s.next_key},
      {"console_key", &s.console_key},
      {"screenshot_key", &s.screenshot_key},
  };
  e.insert(e.end(), last.begin(), last.end());
  return e;
}

void read_config(Settings& s) {
  StreamPtr in(stream_open("@config", "rb"));
  if (!in) return;
  const std::vector<ConfigEntry> entries = config_entries(s);
  char line[max_line + 1];
  while (stream_gets(in.get(), line, sizeof line)) {
    char* equals = std::strchr(line, '=');
    if (!equals) continue;
    *equals = '\0';
    char* value = equals + 1;
    size_t length = std::strlen(value);
    while (length > 0 && (value[length - 1] == '\n' || value[length - 1] == '\r'))
      value[--length] = '\0';
    read_line(s, entries, line, value);
  }
}

bool write_config(const Settings& s) {
  static constexpr const char* temporary = "@config.new";
  const char* write_dir = data_dir(0);  // where "@" names are written
  const std::string temporary_path =
      write_dir ? std::string(write_dir) + "config.new" : std::string();
  bool written = false;
  {
    StreamPtr out(stream_open(temporary, "wb"));
    if (!out) return false;
    written = true;
    // The entries only read through their pointers here.
    for (const ConfigEntry& entry : config_entries(const_cast<Settings&>(s)))
      written = std::visit(ValueWriter{out.get(), entry.key.c_str()}, entry.setting) && written;
    written = stream_flush(out.get()) && written;
  }
  // On the disk before the rename: otherwise a power cut could leave the
  // renamed file empty.
  written = written && !temporary_path.empty() && sync_file(temporary_path);
  if (written && stream_rename(temporary, "@config")) return true;
  // Leave the old file alone and take the broken copy away.
  if (!temporary_path.empty()) std::remove(temporary_path.c_str());
  return false;
}

void apply_stability(Settings& s, int stability) {
  float b = std::clamp(static_cast<float>(stability) * 5 * 0.01f, 0.0f, 5.0f);
  int i = std::clamp(static_cast<int>(std::floor(b)), 0, 4);
  float f = b - static_cast<float>(i);
  for (const StabilityRow& row : stability_rows) {
    float low = row.preset[static_cast<size_t>(i)];
    float high = row.preset[static_cast<size_t>(i + 1)];
    (s.*row.setting).value = low + f * (high - low);
  }
}

RenderSettings derive_render_settings(const Settings& s) {
  RenderSettings r;
  // Detail 0 would divide by zero; it draws the coarsest ground instead.
  r.ground_detail_threshold = 0.125f / static_cast<float>(std::max(s.ground_detail.value, 1.0));
  r.ground_texture_levels_dropped =
      static_cast<int>(std::clamp(10 - s.ground_texture_detail.value, 0.0, 10.0));
  r.ground_texture_size = 32 << s.ground_texture_dim.current;
  float scale = static_cast<float>(std::clamp(100 - s.model_detail.value, 0.0, 100.0)) * 0.02f;
  r.model_lod_scale = scale > 1 ? scale * scale * scale : scale;
  r.model_lod_bias =
      50 - 50 * static_cast<float>(std::clamp((s.model_detail.value - 10) * 0.05, 0.0, 1.0));
  r.model_texture_levels_dropped =
      static_cast<int>(std::clamp(10 - s.model_texture_detail.value, 0.0, 10.0));
  r.roost_frequency = static_cast<int>(s.roost_density.value);
  return r;
}

void parse_binding(KeyBinding& binding, const char* value) {
  while (*value == ' ' || (*value >= '\t' && *value <= '\r')) ++value;
  binding.key_name = nullptr;
  binding.key_code = kNoKey;
  binding.axis_name = nullptr;
  binding.axis = nullptr;
  binding.range_low = 0.0f;
  binding.range_high = 1.0f;
  float low, high;
  const char* close = std::strchr(value, ')');
  if (value[0] == '(' && close && std::sscanf(value, "(%f,%f)", &low, &high) == 2 &&
      std::isfinite(low) && std::isfinite(high)) {
    binding.range_low = low;
    binding.range_high = high;
    if (close[1]) binding.axis_name = intern_string(close + 1);
    return;
  }
  if (std::strncmp(value, "(k)", 3) == 0) value += 3;
  if (*value) binding.key_name = intern_string(value);
}

std::string format_binding(const KeyBinding& binding) {
  if (binding.key_name) return std::string("(k)") + binding.key_name;
  if (!binding.axis_name) return {};
  char range[128];
  std::snprintf(range, sizeof range, "(%f,%f)", binding.range_low, binding.range_high);
  return range + std::string(binding.axis_name);
}

std::string bike_graphics_prefix(const std::string& bike) {
  const BikeModel* model = find_bike_model(bike);
  if (!model) return {};
  std::string_view texture = model->files.bike_texture.view();
  if (texture.starts_with("@")) texture.remove_prefix(1);
  if (texture.ends_with(".png")) texture.remove_suffix(4);
  return std::string(texture) + "-";
}

void build_variant_lists(Settings& s) {
  set_variant_choices(s.rider_texture, "rider_body-");
  set_variant_choices(s.head_texture, "rider_head-");
  set_variant_choices(s.wheel_texture, "wheels-");
  rebuild_bike_variants(s);
}

void rebuild_bike_variants(Settings& s) {
  std::string prefix = bike_graphics_prefix(s.bike.text());
  if (prefix.empty()) {
    s.bike_texture.choices = {"default"};
    s.bike_texture.current = 0;
    return;
  }
  set_variant_choices(s.bike_texture, prefix);
}
