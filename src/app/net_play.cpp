#include "app/net_play.h"

#include "app/bike_settings.h"
#include "app/command_line.h"
#include "app/settings.h"
#include "net/net_client.h"
#include "platform/clock.h"
#include "race/session.h"

namespace {

// The local rider's setup and aids for a session the server starts.
void prepare_session(SessionRequest& request) {
  request.rider.setup = bike_setup_from(user_settings);
  request.rider.aids = rider_aids_from(user_settings, !net_client.arcade_forbidden);
}

// The server forbids arcade physics: it goes off in the settings.
bool forbid_arcade() {
  const bool was_on = user_settings.arcade.current == 1;
  user_settings.arcade.current = 0;
  return was_on;
}

}  // namespace

bool start_net_play(const CommandLineOptions& options) {
  net_hooks.prepare_session = prepare_session;
  net_hooks.forbid_arcade = forbid_arcade;
  net_set_fake_network(options.fake_lag, options.fake_loss);
  net_client.password = options.password;
  net_client.rider.model = user_settings.bike.text();
  net_client.rider.number = user_settings.number.value;
  net_client.rider.name = user_settings.name.value;
  if (options.connect.empty()) return false;
  net_connect(net_client, options.connect);
  return true;
}

bool net_play_step(GameState& game) {
  // A named server is contacted by the client's next tick.
  const bool wanted = !net_client.server_name.empty();
  if (!wanted && !net_online(net_client)) return true;
  net_tick(net_client, game, korb_time());
  return net_online(net_client) ? net_client.server_tick >= 1 : !wanted;
}

double net_play_pace(const GameState& game) {
  return net_online(net_client) ? net_time_scale(net_client, game) : 1;
}

void stop_net_play() {
  net_drop(net_client);
  net_shutdown();
}
