#pragma once
// The log: one text file, one time-stamped entry per call.
//
// The file is chosen on the first call of the run. The game's first call is
// the naming request korb_log("KORB_LOGFILE=%s", path); the environment
// variable KORB_LOGFILE, when set, wins over it. A name beginning with ">>"
// appends, ">" (or no prefix) truncates. The file's first entries are
// "Logfile \"<name>\" opened" and the banner "KORB 0.31". Without a file
// every call only formats and returns.
//
// Each entry is "[h:mm:ss.cc] " (platform clock, hours not wrapped) and the
// message exactly as formatted -- the caller supplies the newline. An entry
// is written with one write and flushed, so entries from the window thread
// and the main thread never interleave within a line and survive a crash.

#include <string>

// The entry prefix for a clock reading: "[h:mm:ss.cc] ", hours not wrapped
// (a run of 100 hours gives "[100:00:00.00] ").
std::string log_stamp(double seconds);

// Appends one entry; returns after it is flushed.
void korb_log(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Logs "Error: <text>\n" and keeps text as the last platform error.
void korb_report_error(const char* text);

// The text of the latest korb_report_error, "Unknown" before the first.
// Valid until the next korb_report_error.
const char* korb_last_error();

// Program-wide verbosity: 0 normal, 1 with --debug, 2 with --super-debug.
// At 1 or more, subsystems log their extra lines (track and demo lists,
// line store decisions, loading, binding capture).
extern int debug_level;
