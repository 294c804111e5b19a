#pragma once
// The user settings: one record per setting, edited in place by the menus,
// read from and written to the configuration file (app/config.h). The
// single instance `user_settings` lives for the whole run.

#include <array>
#include <string>
#include <vector>

#include "platform/binding.h"

// One of a list of texts. Some lists (video modes, graphics variants) are
// built at start-up; until then they hold only their default entry.
struct ChoiceSetting {
  std::string label;                 // menu label
  std::vector<std::string> choices;  // never empty
  int current = 0;                   // index into choices

  const std::string& text() const { return choices[static_cast<size_t>(current)]; }
  // Selects the choice equal to text (exact); false leaves it unchanged.
  bool select(const std::string& text);
};

// A number the menus step through; the file's value is clamped to
// [minimum, maximum].
struct NumberSetting {
  std::string label;
  double value = 0;
  double step = 1;  // menu increment
  double minimum = 0;
  double maximum = 0;
};

// Free text of at most max_length characters.
struct TextSetting {
  std::string label;
  int max_length = 0;
  std::string value;
};

constexpr int lineup_slots = 40;  // "Gate 1" .. "Gate 40"
constexpr int server_history_size = 16;

// The entrant choices of a Gate record, in lineup-code order (0..4).
extern const std::vector<std::string> lineup_choices;
// The Bike choices, in menu order.
extern const std::vector<std::string> bike_choices;
// The server the Server setting names until the player changes it.
extern const char* const default_server_name;

struct Settings {
  Settings();

  int xres = 640;  // windowed client width, pixels
  int yres = 480;  // windowed client height, pixels
  int draw_fps = 0;
  int draw_time = 0;
  int draw_ping = 0;
  int spy = 0;
  ChoiceSetting record{"Record Demo", {"No", "Yes"}, 0};
  ChoiceSetting skill{"Robot Skill", {"Novice", "Amateur", "Expert"}, 0};
  NumberSetting minutes{"Minutes", 0, 1, 0, 60};
  NumberSetting laps{"Laps", 5, 1, 0, 50};
  std::array<ChoiceSetting, lineup_slots> gates;                           // lineup codes 0..4
  NumberSetting ghost_fade_distance{"Ghost Fade Distance", 10, 1, 0, 40};  // feet
  ChoiceSetting time_trial_abort{"Backing Up Aborts Attempt", {"No", "Yes"}, 1};
  ChoiceSetting bike{"Bike", bike_choices, 0};
  TextSetting name{"Name", 63, "Joe Motocross"};
  TextSetting number{"Number", 3, "999"};
  ChoiceSetting rider_texture{"Riding Gear", {"default"}, 0};
  ChoiceSetting head_texture{"Helmet", {"default"}, 0};
  ChoiceSetting bike_texture{"Bike Graphics", {"default"}, 0};
  ChoiceSetting wheel_texture{"Wheel Graphics", {"default"}, 0};

  // Rider aids; Stability sets the ten below it (apply_stability).
  NumberSetting stability{"Stability", 100, 1, 0, 100};
  NumberSetting leveling{"Leveling", 20, 1, 0, 100};
  NumberSetting roll_damping{"Roll Damping", 60, 1, 0, 100};
  NumberSetting roll_limit_angle{"Roll Limit Angle", 45, 1, 0, 180};  // degrees
  NumberSetting roll_limit_factor{"Roll Limit Factor", 10, 1, 0, 64};
  NumberSetting steering_damping{"Steering Damping", 45, 1, 0, 100};
  NumberSetting steering_strength{"Steering Strength", 75, 1, 0, 100};
  NumberSetting max_steering_force{"Max Steering Force", 400, 5, 0, 1000};
  NumberSetting direct_steering{"Direct Steering", 1, 0.125, 0, 1};
  NumberSetting slow_damping_speed{"Slow Damping Speed", 40, 1, 0, 100};
  NumberSetting slow_damping_factor{"Slow Damping Factor", 2, 0.25, 1, 10};
  NumberSetting land_damping_falloff{"Landing Damping Falloff", 0.25, 0.0625, 0, 0.5};
  NumberSetting land_damping_factor{"Landing Damping Factor", 2, 0.25, 1, 3};

  ChoiceSetting arcade{"Arcade Physics", {"No", "Yes"}, 1};
  ChoiceSetting front_brake{"Front Brake", {"Normal", "Antilock"}, 1};
  ChoiceSetting rear_brake{"Rear Brake", {"Normal", "Antilock"}, 0};
  ChoiceSetting stop_wheelies{"Stop Wheelies", {"No", "Yes", "Front Only"}, 0};
  ChoiceSetting auto_shift{"Automatic Shifting", {"No", "Yes"}, 1};
  ChoiceSetting auto_dab{"Dab When Stopped", {"No", "Yes"}, 1};
  ChoiceSetting sticky_dab{"Sticky Sit/Dab", {"No", "Yes"}, 0};
  ChoiceSetting reverse_steering{"Reversed Steering", {"No", "Yes"}, 1};
  ChoiceSetting lean_indicator{"Lean Indicator", {"No", "Yes"}, 1};

  // Bike set-up.
  NumberSetting auto_clutch_rpms{"Auto Clutch RPMs", 5000, 100, 0, 5000};
  NumberSetting brake_torque{"Braking Torque (Front)", 250, 10, 0, 500};  // ft lb
  NumberSetting rear_brake_torque{"Braking Torque (Rear)", 250, 10, 0, 500};
  NumberSetting max_dab_speed{"Max Dab Speed (MPH)", 20, 1, 10, 20};
  NumberSetting front_sprocket_adjustment{"Countershaft Sprocket", 0, 1, -2, 2};  // teeth
  NumberSetting rear_sprocket_adjustment{"Rear Sprocket", 0, 1, -2, 2};
  // Suspension and rider adjustments, percent of each model's range.
  NumberSetting fork_compression_adjustment{"Fork Compression Damping", 50, 1, 0, 100};
  NumberSetting fork_rebound_adjustment{"Fork Rebound Damping", 50, 1, 0, 100};
  NumberSetting fork_spring_rate_adjustment{"Fork Spring Rate", 50, 1, 0, 100};
  NumberSetting fork_preload_adjustment{"Fork Preload", 50, 1, 0, 100};
  NumberSetting fork_oil_level_adjustment{"Fork Oil Level", 50, 1, 0, 100};
  NumberSetting shock_compression_adjustment{"Shock Compression Damping", 50, 1, 0, 100};
  NumberSetting shock_rebound_adjustment{"Shock Rebound Damping", 50, 1, 0, 100};
  NumberSetting shock_spring_rate_adjustment{"Shock Spring Rate", 50, 1, 0, 100};
  NumberSetting shock_preload_adjustment{"Shock Preload", 50, 1, 0, 100};
  NumberSetting rider_yspring{"Rider Vertical Spring", 50, 1, 0, 100};
  NumberSetting rider_ydamping{"Rider Vertical Damping", 50, 1, 0, 100};
  NumberSetting rider_zspring{"Rider Forward Spring", 50, 1, 0, 100};
  NumberSetting rider_zdamping{"Rider Forward Damping", 50, 1, 0, 100};
  NumberSetting rider_mass_distribution{"Rider Mass Distribution", 0.33, 0.01, 0.33, 0.5};

  // Display names of the installed tracks, built at start-up; not kept in
  // the file (the command line and the menus choose the track).
  ChoiceSetting track{"Track", {"venloop"}, 0};
  // 0 "Default Fullscreen", 1 "Windowed", then "%dx%d" display modes.
  ChoiceSetting video_mode{"Video Mode", {"Default Fullscreen", "Windowed"}, 0};
  TextSetting server_name{"Server", 127, default_server_name};
  std::array<TextSetting, server_history_size> server_history;  // newest first

  // Graphics.
  NumberSetting ground_detail{"Ground Geometric Detail", 50, 1, 0, 100};
  NumberSetting ground_texture_detail{"Ground Texture Levels", 9, 1, 0, 10};
  ChoiceSetting ground_texture_dim{"Ground Texture Resolution",
                                   {"32x32", "64x64", "128x128", "256x256", "512x512", "1024x1024"},
                                   2};
  ChoiceSetting ground_mipmaps{"Enable Ground Mipmaps", {"No", "Yes"}, 1};
  ChoiceSetting use_fbo{"Use Framebuffer Objects", {"No", "Yes"}, 1};
  ChoiceSetting use_shader{"Use Shader Programs", {"No", "Yes"}, 1};
  NumberSetting roost_density{"Roost Density", 250, 10, 0, 1000};
  ChoiceSetting lens_flare{"Enable Lens Flares", {"No", "Yes"}, 1};
  ChoiceSetting hide_rider{"Hide 1st Person Rider", {"No", "Yes"}, 0};
  ChoiceSetting rigid_camera{"Rigid 3rd person camera", {"No", "Yes"}, 0};
  NumberSetting model_detail{"Model Geometric Detail", 50, 1, 0, 100};
  NumberSetting model_texture_detail{"Model Texture Detail", 9, 1, 0, 10};
  NumberSetting fov{"Field Of View", 110, 1, 10, 170};                       // degrees
  NumberSetting first_person_height{"1st Person Height", 0, 0.03125, 0, 1};  // feet
  NumberSetting first_person_angle{"1st Person Angle", 0, 1, 0, 40};         // degrees
  NumberSetting volume{"Volume", 10, 1, 0, 10};
  ChoiceSetting playback_mode{"Playback Mode", {"Playback Only", "Race Against"}, 0};
  int billboard_optimize_lookahead = 8;

  // Controls: key names (or axes) only; codes and handles are looked up
  // once the input devices are open.
  KeyBinding throttle_key, front_brake_key, rear_brake_key, left_key, right_key, clutch_key,
      upshift_key, downshift_key, dab_key, back_up_key, lean_forward_key, lean_backward_key;
  KeyBinding pause_key, step_key, rewind_key, skip_key, prev_key, next_key, console_key,
      screenshot_key;
};

extern Settings user_settings;
