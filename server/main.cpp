// tavrin-server: the race server. Logs to standard output; stops cleanly
// on SIGINT and SIGTERM, telling every client it is going.

#include <poll.h>

#include <csignal>
#include <cstdlib>
#include <cstdio>
#include <string>

#include "data/data_dirs.h"
#include "platform/clock.h"
#include "race_server.h"
#include "server_options.h"

namespace {

volatile std::sig_atomic_t stop_requested = 0;

void request_stop(int) { stop_requested = 1; }

}  // namespace

int main(int argc, char** argv) {
  ServerOptions options;
  bool help = false;
  std::string error;
  if (!parse_server_options(argc, argv, options, help, error)) {
    std::fprintf(stderr, "tavrin-server: %s\n%s", error.c_str(), server_usage());
    return 1;
  }
  if (help) {
    std::fputs(server_usage(), stdout);
    return 0;
  }
  // The game's own log is "lastlog.txt" in the same home; a server run
  // beside the game keeps a log of its own rather than truncating it.
  if (!std::getenv("KORB_LOGFILE") && home_directory())
    setenv("KORB_LOGFILE", (std::string(home_directory()) + "serverlog.txt").c_str(), 1);
  if (!check_game_data()) {
    std::fprintf(stderr, "tavrin-server: game data not found (run tavrin-mkdata)\n");
    return 1;
  }
  struct sigaction action {};
  action.sa_handler = request_stop;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);

  RaceServer server;
  if (!start_server(server, options, korb_time())) return 1;
  while (!stop_requested) {
    const double now = korb_time();
    server_step(server, now);
    // Sleep until a datagram comes or the next tick is due; a signal
    // ends the wait early.
    pollfd wait{server.socket, POLLIN, 0};
    const int ms = static_cast<int>(server_next_tick_in(server, korb_time()) * 1000);
    poll(&wait, 1, ms);
  }
  stop_server(server);
  return 0;
}
