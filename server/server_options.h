#pragma once
// tavrin-server's command line:
//   tavrin-server [--port N] --track NAME [--laps N] [--minutes N]
//                 [--password TEXT] [--max-riders N] [--no-arcade]
// With --minutes alone the race is timed with no laps after the time;
// with neither, 5 laps.

#include <string>

#include "race_server.h"

// Fills `options` from argv. False with `error` set on a bad or missing
// option; `help` set for --help.
bool parse_server_options(int argc, const char* const* argv, ServerOptions& options, bool& help,
                          std::string& error);

const char* server_usage();
