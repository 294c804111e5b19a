#pragma once
// The configuration file "config" in the home directory: one line
// "key=value" per setting, read once at start-up and written once at a
// normal exit. Bad lines and values never stop the game: the setting keeps
// its value, silently.

#include <string>
#include <variant>
#include <vector>

#include "app/render_settings.h"
#include "app/settings.h"

// One line of the file: its key and the setting record it stores.
using SettingRef = std::variant<int*, NumberSetting*, ChoiceSetting*, TextSetting*, KeyBinding*>;
struct ConfigEntry {
  std::string key;
  SettingRef setting;
};

// Every key of the file, in writing order, bound to the records of s.
std::vector<ConfigEntry> config_entries(Settings& s);

// Reads "@config" into s; a missing or unreadable file leaves s alone.
// Keys may come in any order; unknown keys are ignored. Needs the graphics
// variant lists (build_variant_lists) and the video mode choices first.
void read_config(Settings& s);

// Writes every setting to "@config": into "config.new" first, then renamed
// over the old file, so a crash or a full disk leaves the previous file
// intact. False (and nothing replaced) when the file cannot be written.
bool write_config(const Settings& s);

// Sets the ten rider-aid numbers (max steering force .. leveling) from the
// preset rows for a Stability value 0..100, blending between neighbouring
// rows (0, 20, 40, 60, 80, 100).
void apply_stability(Settings& s, int stability);

// The renderer's working values for the graphics settings of s.
RenderSettings derive_render_settings(const Settings& s);

// Fills a binding from its file text: "(k)name" or a bare name for a key;
// "(low,high)axis name" for an axis with its range. Clears the looked-up
// code and handle; names are interned. An empty value leaves it unbound.
void parse_binding(KeyBinding& binding, const char* value);

// The file text of a binding (without key and "="), or "" when the binding
// is unbound and is not written.
std::string format_binding(const KeyBinding& binding);

// The graphics-variant prefix of a bike model choice: the name of its
// texture without ".png" plus "-" ("crf250-", "yz250f_se-", and the 125's
// for the 50s), or "" for a name that is no model.
std::string bike_graphics_prefix(const std::string& bike);

// Fills the four graphics choices from the data files: "rider_body-",
// "rider_head-", the chosen bike's prefix and "wheels-". Each starts at
// "default".
void build_variant_lists(Settings& s);

// Rebuilds only the Bike Graphics choices for the chosen bike (after the
// Bike setting changed) and selects "default".
void rebuild_bike_variants(Settings& s);
