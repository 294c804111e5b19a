#pragma once
// The scripted rider of tavrin-sim: a text file with one line per change,
// "SECONDS name=value ...", seconds since the session start, with the
// RiderInput names throttle, clutch, front_brake, rear_brake, steer, dab,
// back_up, lean, shift. Values hold until changed. Empty lines and lines
// starting with '#' are skipped.

#include <string>
#include <string_view>
#include <vector>

#include "sim/bike.h"

struct ScriptStep {
  double seconds = 0;
  RiderInput input;  // the whole input from this moment on
};

struct RiderScript {
  std::vector<ScriptStep> steps;  // in time order
};

// Parses a script's text. On a bad line returns false with `error` set to
// "LINE: what is wrong" (line numbers from 1). Times must not go back.
bool parse_rider_script(std::string_view text, RiderScript& script, std::string& error);

// The input in force `seconds` after the session start (the defaults of
// RiderInput before the first step).
RiderInput script_input(const RiderScript& script, double seconds);
