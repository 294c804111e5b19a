#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "app/config.h"
#include "data/data_dirs.h"
#include "data/point_data_dirs.h"
#include "platform/temp_dir.h"

namespace {

// Home and installation folders of a temporary tree; the config file is
// "<home>/Tavrin/config".
class ConfigTest : public ::testing::Test {
 protected:
  void SetUp() override {
    unsetenv("KORB_LOGFILE");
    std::filesystem::create_directories(dir / "xdg/Tavrin");
    std::filesystem::create_directories(dir / "install");
    point_data_dirs(dir / "xdg", dir / "install");
  }
  void TearDown() override { reset_data_dirs_for_tests(); }

  std::string config_path() const { return dir / "xdg/Tavrin/config"; }

  Settings read_text(const std::string& text) {
    write_file(config_path(), text);
    reset_data_dirs_for_tests();
    Settings s;
    read_config(s);
    return s;
  }

  std::string written(const Settings& s) {
    EXPECT_TRUE(write_config(s));
    return read_file(config_path());
  }

  TempDir dir;
};

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
    lines.push_back(text.substr(start, end - start));
  return lines;
}

TEST_F(ConfigTest, WritesEveryKeyInTableOrderWithItsFormat) {
  Settings s;
  std::vector<std::string> lines = lines_of(written(s));
  std::vector<ConfigEntry> entries = config_entries(s);
  ASSERT_EQ(lines.size(), entries.size());
  for (size_t i = 0; i < lines.size(); ++i)
    EXPECT_EQ(lines[i].substr(0, lines[i].find('=')), entries[i].key);
  const std::vector<std::string> samples = {"xres=640",
                                            "minutes=0.000000",
                                            "laps=5.000000",
                                            "slot00=Empty",
                                            "slot39=Empty",
                                            "bike=crf250(2009)",
                                            "name=Joe Motocross",
                                            "rider_mass_distribution=0.330000",
                                            "video_mode=Default Fullscreen",
                                            "server_name_hist15=",
                                            "ground_texture_dim=128x128",
                                            "billboard_optimize_lookahead=8",
                                            "throttle_key=(k)x",
                                            "dab_key=(k)right ctrl",
                                            "rewind_key=(k)\\",
                                            "screenshot_key=(k)s"};
  for (const std::string& sample : samples)
    EXPECT_NE(std::find(lines.begin(), lines.end(), sample), lines.end()) << sample;
  EXPECT_FALSE(std::filesystem::exists(dir / "xdg/Tavrin/config.new"));
}

// Gives every setting a value other than its default.
struct ChangeEverything {
  int n;
  void operator()(int* v) const { *v = 1000 + n; }
  void operator()(NumberSetting* v) const { v->value = v->maximum - v->step; }
  void operator()(ChoiceSetting* v) const { v->current = static_cast<int>(v->choices.size()) - 1; }
  void operator()(TextSetting* v) const {
    v->value = std::string("t") + std::to_string(n) + std::string(200, 'z');
    v->value.resize(static_cast<size_t>(v->max_length));
  }
  void operator()(KeyBinding* v) const {
    if (n % 2) {
      parse_binding(*v, ("(k)key " + std::to_string(n)).c_str());
    } else {
      parse_binding(*v, "(-0.5,0.75)Joystick1.axis[2]");
    }
  }
};

TEST_F(ConfigTest, EverySettingSurvivesWriteAndRead) {
  Settings changed;
  int n = 0;
  for (ConfigEntry& entry : config_entries(changed))
    std::visit(ChangeEverything{n++}, entry.setting);
  std::string first = written(changed);

  Settings back;
  read_config(back);
  EXPECT_EQ(written(back), first);

  std::vector<ConfigEntry> a = config_entries(changed);
  std::vector<ConfigEntry> b = config_entries(back);
  for (size_t i = 0; i < a.size(); ++i) {
    SCOPED_TRACE(a[i].key);
    if (auto* x = std::get_if<NumberSetting*>(&a[i].setting))
      EXPECT_NEAR((*x)->value, std::get<NumberSetting*>(b[i].setting)->value, 1e-5);
    else if (auto* x = std::get_if<int*>(&a[i].setting))
      EXPECT_EQ(**x, *std::get<int*>(b[i].setting));
    else if (auto* x = std::get_if<ChoiceSetting*>(&a[i].setting))
      EXPECT_EQ((*x)->text(), std::get<ChoiceSetting*>(b[i].setting)->text());
    else if (auto* x = std::get_if<TextSetting*>(&a[i].setting))
      EXPECT_EQ((*x)->value, std::get<TextSetting*>(b[i].setting)->value);
    else
      EXPECT_EQ(format_binding(*std::get<KeyBinding*>(a[i].setting)),
                format_binding(*std::get<KeyBinding*>(b[i].setting)));
  }
  EXPECT_EQ(back.skill.text(), "Expert");
  EXPECT_EQ(back.bike.text(), "rs50yz");
  EXPECT_STREQ(back.left_key.axis_name, "Joystick1.axis[2]");
  EXPECT_FLOAT_EQ(back.left_key.range_low, -0.5f);
}

struct LineCase {
  const char* label;
  std::string file;
  std::function<bool(const Settings&)> check;
};

const std::vector<LineCase> line_cases = {
    {"clamped to the maximum", "laps=80\n", [](const Settings& s) { return s.laps.value == 50; }},
    {"unparsable number keeps the value", "laps=abc\n",
     [](const Settings& s) { return s.laps.value == 5; }},
    {"not a number keeps the value, infinity clamps", "fov=nan\nminutes=1e999\n",
     [](const Settings& s) { return s.fov.value == 110 && s.minutes.value == 60; }},
    {"clamped to the minimum", "max_dab_speed=3\n",
     [](const Settings& s) { return s.max_dab_speed.value == 10; }},
    {"integers", "xres=1024\nyres= 768\ndraw_fps=abc\nspy=99999999999\n",
     [](const Settings& s) {
       return s.xres == 1024 && s.yres == 768 && s.draw_fps == 0 && s.spy == 0;
     }},
    {"bike alias", "bike=kx250f\n",
     [](const Settings& s) { return s.bike.text() == "kx250f(2008)"; }},
    {"unknown bike keeps the bike", "bike=harley\n",
     [](const Settings& s) { return s.bike.text() == "crf250(2009)"; }},
    {"stability then one override", "stability=50\nroll_damping=10\n",
     [](const Settings& s) {
       return s.roll_damping.value == 10 && s.roll_limit_factor.value == 21 &&
              s.roll_limit_angle.value == 42.5 && s.slow_damping_factor.value == 1.75 &&
              s.land_damping_factor.value == 2 && s.stability.value == 50;
     }},
    {"axis binding with its range", "throttle_key=(0.1,0.9)Joystick1.axis[1]\n",
     [](const Settings& s) {
       const KeyBinding& b = s.throttle_key;
       return !b.key_name && b.axis_name && std::string(b.axis_name) == "Joystick1.axis[1]" &&
              b.range_low == 0.1f && b.range_high == 0.9f;
     }},
    {"bare key name", "throttle_key=x\nclutch_key=  (k)right ctrl\n",
     [](const Settings& s) {
       return std::string(s.throttle_key.key_name) == "x" && !s.throttle_key.axis_name &&
              std::string(s.clutch_key.key_name) == "right ctrl";
     }},
    {"exact choice texts only", "skill=expert\nrecord=Yes\nstop_wheelies=Front Only\n",
     [](const Settings& s) {
       return s.skill.current == 0 && s.record.current == 1 && s.stop_wheelies.current == 2;
     }},
    {"line ends removed", "video_mode=Windowed\r\n",
     [](const Settings& s) { return s.video_mode.current == 1; }},
    {"texts cut to their length", "number=12345\nname=" + std::string(100, 'n') + "\n",
     [](const Settings& s) {
       return s.number.value == "123" && s.name.value == std::string(63, 'n');
     }},
    {"over-long history entry dropped",
     "server_name_hist03=" + std::string(130, 'h') +
         "\nserver_name_hist04=" + std::string(126, 'k') + "\n",
     [](const Settings& s) {
       return s.server_history[3].value.empty() && s.server_history[4].value.size() == 126;
     }},
    {"lineup slots", "slot00=Human\nslot39=Robot (4 stroke)\n",
     [](const Settings& s) { return s.gates[0].current == 1 && s.gates[39].current == 4; }},
    {"unknown, bad and case-different keys ignored",
     "Laps=3\nno equals sign\n=5\nground_texture_distance=5\nlaps\n",
     [](const Settings& s) { return s.laps.value == 5; }},
    {"over-long line read in pieces", std::string(3000, 'x') + "=1\nlaps=7\n",
     [](const Settings& s) { return s.laps.value == 7; }},
    {"last line without newline", "laps=9", [](const Settings& s) { return s.laps.value == 9; }},
};

TEST_F(ConfigTest, ReadsEachLineByItsSettingsRules) {
  for (const LineCase& c : line_cases) {
    SCOPED_TRACE(c.label);
    EXPECT_TRUE(c.check(read_text(c.file)));
  }
}

TEST_F(ConfigTest, MissingFileKeepsDefaults) {
  Settings s;
  read_config(s);
  EXPECT_EQ(written(s), written(Settings{}));
}

TEST_F(ConfigTest, FailedWriteKeepsTheOldFile) {
  write_file(config_path(), "xres=1234\n");
  // The temporary file leads to a full device: every write fails.
  std::filesystem::create_symlink("/dev/full", dir / "xdg/Tavrin/config.new");
  EXPECT_FALSE(write_config(Settings{}));
  EXPECT_EQ(read_file(config_path()), "xres=1234\n");
  EXPECT_FALSE(
      std::filesystem::exists(std::filesystem::symlink_status(dir / "xdg/Tavrin/config.new")));
}

TEST_F(ConfigTest, LineBreakInATextCannotAddKeys) {
  Settings s;
  s.name.value = "Joe\nxres=1";
  Settings back = read_text(written(s));
  EXPECT_EQ(back.name.value, "Joe");
  EXPECT_EQ(back.xres, 640);
}

TEST_F(ConfigTest, UnbindableControlIsNotWritten) {
  Settings s;
  parse_binding(s.pause_key, "");
  std::string text = written(s);
  EXPECT_EQ(text.find("pause_key="), std::string::npos);
  EXPECT_NE(text.find("step_key=(k).\n"), std::string::npos);
}

TEST(StabilityTest, BlendsNeighbouringPresetRows) {
  struct Case {
    int stability;
    double roll_damping, roll_limit_angle, direct_steering, land_damping_falloff;
  };
  const Case cases[] = {
      {0, 40, 90, 1, 0},         {20, 50, 45, 1, 0.125}, {50, 65, 42.5, 1, 0.25},
      {90, 77.5, 35, 0.5, 0.25}, {100, 80, 35, 0, 0.25}, {-10, 40, 90, 1, 0},
      {150, 80, 35, 0, 0.25},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.stability);
    Settings s;
    apply_stability(s, c.stability);
    EXPECT_NEAR(s.roll_damping.value, c.roll_damping, 1e-4);
    EXPECT_NEAR(s.roll_limit_angle.value, c.roll_limit_angle, 1e-4);
    EXPECT_NEAR(s.direct_steering.value, c.direct_steering, 1e-6);
    EXPECT_NEAR(s.land_damping_falloff.value, c.land_damping_falloff, 1e-6);
    EXPECT_EQ(s.max_steering_force.value, 400);
    EXPECT_EQ(s.leveling.value, 20);
  }
}

TEST(RenderSettingsTest, DerivedFromGraphicsSettings) {
  Settings s;
  RenderSettings r = derive_render_settings(s);
  EXPECT_FLOAT_EQ(r.ground_detail_threshold, 0.0025f);
  EXPECT_EQ(r.ground_texture_levels_dropped, 1);
  EXPECT_EQ(r.ground_texture_size, 128);
  EXPECT_FLOAT_EQ(r.model_lod_scale, 1.0f);
  EXPECT_FLOAT_EQ(r.model_lod_bias, 0.0f);
  EXPECT_EQ(r.model_texture_levels_dropped, 1);
  EXPECT_EQ(r.roost_frequency, 250);

  s.model_detail.value = 0;
  s.ground_detail.value = 0;
  s.ground_texture_dim.current = 5;
  s.roost_density.value = 999.9;
  s.model_texture_detail.value = 0;
  r = derive_render_settings(s);
  EXPECT_FLOAT_EQ(r.model_lod_scale, 8.0f);  // 2 cubed
  EXPECT_FLOAT_EQ(r.model_lod_bias, 50.0f);
  EXPECT_EQ(r.ground_texture_size, 1024);
  EXPECT_EQ(r.roost_frequency, 999);
  EXPECT_EQ(r.model_texture_levels_dropped, 10);
  EXPECT_TRUE(std::isfinite(r.ground_detail_threshold));
}

TEST(BikeGraphicsTest, PrefixFollowsTheModelTexture) {
  EXPECT_EQ(bike_graphics_prefix("crf250(2009)"), "crf250-");
  EXPECT_EQ(bike_graphics_prefix("yz250f_se(2006)"), "yz250f_se-");
  EXPECT_EQ(bike_graphics_prefix("rs50kx"), "kx125-");
  EXPECT_EQ(bike_graphics_prefix("no such bike"), "");
}

}  // namespace
