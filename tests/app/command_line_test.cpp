#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/config.h"

namespace {

struct Parsed {
  ParseOutcome outcome;
  std::string error_output;
  CommandLineOptions options;
  Settings settings;
  RenderSettings render;
};

Parsed parse(const std::vector<const char*>& args) {
  Parsed p;
  p.render = derive_render_settings(p.settings);
  ::testing::internal::CaptureStderr();
  p.outcome = parse_options(args, p.options, p.settings, p.render);
  p.error_output = ::testing::internal::GetCapturedStderr();
  return p;
}

struct OptionCase {
  const char* label;
  std::vector<const char*> args;
  ParseOutcome outcome;
  const char* error_output;
  std::function<bool(const Parsed&)> check;
};

const ParseOutcome run = ParseOutcome::run;
const ParseOutcome fail = ParseOutcome::fail;

const std::vector<OptionCase> option_cases = {
    {"no arguments",
     {},
     run,
     "",
     [](const Parsed& p) {
       return p.options.show_hud && p.options.depth == 16 && p.options.demo_file.empty() &&
              p.options.chase_center.y == 2.52 && p.render.max_detail_distance == 70;
     }},
    {"flags",
     {"--fugly", "--nosound", "--warp", "--editor", "--hidden-hud", "--glfinish"},
     run,
     "",
     [](const Parsed& p) {
       return p.options.fugly && p.options.no_sound && p.options.warp && p.options.editor &&
              !p.options.show_hud && p.options.glfinish && !p.options.practice;
     }},
    {"debug levels",
     {"--debug"},
     run,
     "",
     [](const Parsed& p) { return p.options.debug_level == 1; }},
    {"super debug",
     {"--super-debug"},
     run,
     "",
     [](const Parsed& p) { return p.options.debug_level == 2; }},
    {"track as next argument",
     {"--track", "venloop"},
     run,
     "",
     [](const Parsed& p) { return p.options.track == "venloop"; }},
    {"track after equals",
     {"--track=venloop"},
     run,
     "",
     [](const Parsed& p) { return p.options.track == "venloop"; }},
    {"texture detail clamped high",
     {"--texture-detail", "9"},
     run,
     "",
     [](const Parsed& p) { return p.render.model_texture_levels_dropped == 4; }},
    {"roost frequency clamped low",
     {"--roostfrequency", "-5"},
     run,
     "",
     [](const Parsed& p) { return p.render.roost_frequency == 0; }},
    {"erode clamped", {"--erode=3"}, run, "", [](const Parsed& p) { return p.render.erode == 1; }},
    {"detail distances",
     {"--max-detail-distance", "100"},
     run,
     "",
     [](const Parsed& p) {
       return p.render.max_detail_distance == 100 && p.render.outer_detail_distance == 105;
     }},
    {"lod scale clamped",
     {"--lod-scale", "0"},
     run,
     "",
     [](const Parsed& p) { return p.render.model_lod_scale == 0.000001f; }},
    {"fake lag in seconds",
     {"--fake-lag", "250"},
     run,
     "",
     [](const Parsed& p) { return p.options.fake_lag == 0.25f; }},
    {"fake lag clamped",
     {"--fake-lag", "5000"},
     run,
     "",
     [](const Parsed& p) { return p.options.fake_lag == 1.0f; }},
    {"fake loss clamped",
     {"--fake-loss", "150"},
     run,
     "",
     [](const Parsed& p) { return p.options.fake_loss == 100; }},
    {"lock fps",
     {"--lock-fps", "30"},
     run,
     "",
     [](const Parsed& p) { return p.options.lock_fps == 30.0f; }},
    {"window size into the settings",
     {"--width", "800", "--height=600"},
     run,
     "",
     [](const Parsed& p) { return p.settings.xres == 800 && p.settings.yres == 600; }},
    {"window size ignores bad numbers",
     {"--width", "wide", "--rotate-lineup", "x"},
     run,
     "",
     [](const Parsed& p) { return p.settings.xres == 640 && p.options.rotate_lineup == 0; }},
    {"integers read with atoi",
     {"--depth", "abc", "--draw-fps", "1x"},
     run,
     "",
     [](const Parsed& p) { return p.options.depth == 0 && p.settings.draw_fps == 1; }},
    {"connect drops scheme",
     {"--connect", "tavrin:host"},
     run,
     "",
     [](const Parsed& p) { return p.options.connect == "host"; }},
    {"connect plain host",
     {"--connect=example.org"},
     run,
     "",
     [](const Parsed& p) { return p.options.connect == "example.org"; }},
    {"chase centre",
     {"--chase-center", "1,2.5,-3"},
     run,
     "",
     [](const Parsed& p) {
       return p.options.chase_center.x == 1 && p.options.chase_center.y == 2.5 &&
              p.options.chase_center.z == -3;
     }},
    {"bikes is ignored", {"--bikes", "4"}, run, "--bikes doesn't do anything anymore\n", nullptr},
    {"one demo file",
     {"race.qzdemo"},
     run,
     "",
     [](const Parsed& p) { return p.options.demo_file == "race.qzdemo"; }},
    {"two demo files", {"a.qzdemo", "b.qzdemo"}, fail, "Too many files!\n", nullptr},
    {"bad option", {"-x"}, fail, "bad option '-x'\n", nullptr},
    {"flag with a value is a bad option",
     {"--nosound=1"},
     fail,
     "bad option '--nosound=1'\n",
     nullptr},
    {"after double dash a dash name is a file",
     {"--", "-x"},
     run,
     "",
     [](const Parsed& p) { return p.options.demo_file == "-x"; }},
    {"double dash as a value is the value",
     {"--track", "--", "x"},
     run,
     "",
     [](const Parsed& p) { return p.options.track == "--" && p.options.demo_file == "x"; }},
    {"bad float value", {"--lock-fps", "abc"}, fail, "Bad arg for --lock-fps\n", nullptr},
    {"not a number is refused", {"--erode", "nan"}, fail, "Bad arg for --erode\n", nullptr},
    {"bad int value", {"--fake-loss=many"}, fail, "Bad arg for --fake-loss\n", nullptr},
    {"chase centre needs three numbers",
     {"--chase-center", "1,2"},
     fail,
     "Bad arg for --chase-center\n",
     nullptr},
    {"missing value with a message", {"--detail"}, fail, "Bad arg for --detail\n", nullptr},
    {"missing value without a message",
     {"--track"},
     run,
     "",
     [](const Parsed& p) { return p.options.track.empty(); }},
    {"stops at the first bad option",
     {"--warp", "-q", "--editor"},
     fail,
     "bad option '-q'\n",
     [](const Parsed& p) { return p.options.warp && !p.options.editor; }},
    {"open home ends parsing", {"--open-home", "-q"}, ParseOutcome::open_home, "", nullptr},
};

TEST(CommandLineTest, ParsesEveryOptionByItsRules) {
  for (const OptionCase& c : option_cases) {
    SCOPED_TRACE(c.label);
    Parsed p = parse(c.args);
    EXPECT_EQ(p.outcome, c.outcome);
    EXPECT_EQ(p.error_output, c.error_output);
    if (c.check) {
      EXPECT_TRUE(c.check(p));
    }
  }
}

TEST(CommandLineTest, OptionsOverrideDerivedRenderValues) {
  Settings s;
  s.model_detail.value = 100;
  RenderSettings render = derive_render_settings(s);
  CommandLineOptions options;
  std::vector<const char*> args = {"--lod-bias", "7.5", "--detail=0.01"};
  ASSERT_EQ(parse_options(args, options, s, render), ParseOutcome::run);
  EXPECT_EQ(render.model_lod_bias, 7.5f);
  EXPECT_EQ(render.ground_detail_threshold, 0.01f);
  EXPECT_EQ(render.model_lod_scale, 0.0f);  // untouched: still from the settings
}

}  // namespace
