#pragma once
// Command line of tavrin-sim:
//   --track NAME [--robots N] [--skill novice|amateur|expert] [--laps N]
//   [--minutes N] [--ticks N] [--rider FILE] [--record FILE] [--play FILE]
//   [--learn RACES] [--nolearn] [--practice] [--trace EVERY] [--help]
// Options take their value as the next word or as "--name=value".

#include <string>

struct SimOptions {
  std::string track;
  int robots = 0;  // robots filling slots from 0 (from 1 with a rider)
  int skill = 0;   // 0 novice, 1 amateur, 2 expert
  int laps = 3;
  int minutes = 0;       // timed part of the race
  int ticks = 0;         // 0: until the race is over
  std::string rider;     // input script of the scripted rider
  std::string record;    // demo file to record
  std::string play;      // demo file to play
  int learn = 0;         // races to run, lines saved after each
  bool nolearn = false;  // never save robot lines
  bool practice = false;  // robots are testers that try untried lines first
  int trace = 0;         // trace line every this many ticks
  bool help = false;
};

// Parses argv[1..]. False with `error` set on bad input.
bool parse_sim_options(int argc, const char* const* argv, SimOptions& options, std::string& error);

// The --help text.
const char* sim_usage();
