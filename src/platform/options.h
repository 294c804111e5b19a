#pragma once
// Platform options: entries "[name:value]" anywhere in the environment
// variable KORB_OPTIONS, e.g. "[threaded:yes][sound-rate:44100]". The
// variable is read once, on the first query; unset means no options.
//
// A query looks for the first "[name:" (name cut to 60 characters). Not
// found gives the default. A value that is not understood logs
// "unrecognized setting for <name>" and gives the default.

#include <string_view>

// Flag: "yes]" or "on]" is true, "no]" or "off]" is false.
bool korb_option_flag(const char* name, bool default_value);

// Integer: a decimal number with optional sign (range clamped to int).
int korb_option_int(const char* name, int default_value);

// The same rules over a given options text instead of KORB_OPTIONS.
bool option_flag_in(std::string_view options_text, const char* name, bool default_value);
int option_int_in(std::string_view options_text, const char* name, int default_value);
