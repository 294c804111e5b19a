#pragma once
// The race client: joins a race server over UDP, identifies itself and its
// rider, learns the track and the other riders, starts the race session
// the server dictates, streams the local bike's state 32 times a second,
// applies everyone else's, follows the server's tick, and exchanges lap
// progress as reliable (numbered, acknowledged, resent) messages.
//
// `net_tick` runs once per simulation step (1/128 s), just before the game
// tick, on the main thread. Everything the server sends is treated as
// hostile: datagrams from any other address are ignored, every field is
// read only after its length is checked, and out-of-order reliable
// messages wait in a bounded list.
//
// Connection states: 0 contacting (hello every second), 3 identified
// (client info every second), 5 track known (track acknowledgment every
// second), 7 receiving bikes, 9 session started (ready every second), 11
// racing (states every 4 ticks), 14 restart announced, 15 disconnecting.
// Offline is socket -1.

#include <array>
#include <cstdint>
#include <deque>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/ripemd160.h"
#include "demo/state_history.h"
#include "net/protocol.h"
#include "net/reliable_inbox.h"
#include "net/udp.h"
#include "race/game_state.h"

struct SessionRequest;

enum NetState : int {
  net_contacting = 0,
  net_identified = 3,
  net_track_known = 5,
  net_receiving_bikes = 7,
  net_session_started = 9,
  net_racing = 11,
  net_restarting = 14,
  net_disconnecting = 15,
};

// One outgoing reliable message: kind byte then body.
struct NetOutMessage {
  double resend_time = 0;  // seconds; the head is sent when this has passed
  std::int32_t seq = 0;
  std::vector<std::uint8_t> bytes;
};

// Bounds that keep a hostile or broken server from growing the client.
constexpr std::size_t net_out_queue_limit = 256;
// Highest gate pass number a crossing record may name.
constexpr int net_gate_limit = 100000;

// The program-wide client. Lifetime groups: `server_name`, `password` and
// `rider` are set by the program (command line, menus, configuration) and
// kept; everything else is connection state, reset to offline by
// `net_drop` and by the server's disconnect.
struct NetClient {
  // --- Set by the program ---
  // Host, optionally ":port"; empty = no networking wanted.
  std::string server_name;
  std::string password;  // --password; empty for none
  RiderInfo rider;       // sent as the client info text

  // --- Connection (reset to offline) ---
  int socket = -1;
  NetAddress server_address;
  int state = net_contacting;
  int slot = net_no_slot;       // our slot on the server
  int race_slot = net_no_slot;  // our grid place; 40: warm-up
  std::int32_t token = 0;
  std::int32_t session = 0;
  int bike_ack = net_no_slot;  // highest rider slot whose bike we have
  int race_ticks = 0, race_laps = 0, gate_drop_tick = 0;
  Ripemd160Digest track_digest{};
  std::string track_name;
  double last_send = 0;  // seconds; -infinity: send at the next chance
  int server_tick = 0;   // newest server tick seen; 0 = none
  int server_tick_estimate = 0;
  int reported_gates = 0;
  std::deque<NetOutMessage> out_queue;
  std::int32_t out_seq = 0;
  std::int32_t in_expected = 0;
  std::vector<NetInMessage> in_pending;  // sorted by seq
  std::uint32_t nonce = 0;
  std::int32_t server_value = 0;                 // the value of the server's packet 13
  std::array<int, max_bikes> ping{};             // ticks there and back
  std::array<int, max_bikes> last_state_tick{};  // -1: none yet
  std::array<StateHistory, max_bikes> history{};
  std::array<int, max_bikes> lineup{};  // 5 for announced riders
  std::array<RiderInfo, max_bikes> bike_info{};
  bool arcade_forbidden = false;
  bool info_changed = false;  // set by the setup menus while connected

  NetClient() { last_state_tick.fill(-1); }
};

extern NetClient net_client;

// What the client asks of the game above it. Each may stay null.
struct NetHooks {
  // Completes the request of a server-started session with the local
  // rider's setup and aids and the learning flag from the configuration;
  // the client fills in track, race length, lineup and the rider's model,
  // number and graphics from the server.
  void (*prepare_session)(SessionRequest& request) = nullptr;
  // The server forbids arcade physics: switch it off in the settings and
  // re-apply them. True when it was on (the client then posts "Arcade
  // physics disabled").
  bool (*forbid_arcade)() = nullptr;
};
extern NetHooks net_hooks;

// Names the server to join (empty: none). Takes effect at the next
// net_tick when offline.
void net_connect(NetClient& client, std::string_view server_name);

// One network step at time `now` (seconds, a steady clock). Does nothing
// while server_name is empty and the client is offline.
void net_tick(NetClient& client, GameState& game, double now);

// Handles one datagram from the server (net_tick calls it for every one
// waiting). Any bytes are safe.
void net_handle_datagram(NetClient& client, GameState& game, std::span<const std::uint8_t> data);

// From the menus: leave politely (state 15 until the server confirms); in
// state 0 at once, posting "Disconnected\n".
void net_disconnect(NetClient& client);

// Leave at once: one disconnect packet when a socket is open ("Disconnecting\n"),
// then everything back to offline with server_name cleared.
void net_drop(NetClient& client);

// From the Multiplayer menu, in state 11: asks the server once to restart.
void net_request_restart(NetClient& client);

// Queues a chat line (at most 466 bytes kept) as a reliable text message.
// False when not connected.
bool net_chat(NetClient& client, std::string_view text);

// Frame pacing online: the factor for this frame's simulated advance that
// makes the local tick follow the server's estimated tick. With h =
// (server_tick_estimate - tick - 1) * step seconds: ahead (h < 0) slows
// to 0.5 + 0.5 * clamp(h + 1, 0, 1); behind before the gate drop hurries
// by up to 4x (1 + 3 * clamp(h, 0, 1)), after it by up to 1.125x
// (1 + 0.125 * clamp(8h, 0, 1)). 1 while offline or before any server
// tick.
double net_time_scale(const NetClient& client, const GameState& game);

// Whether the client is connected (socket open).
inline bool net_online(const NetClient& client) { return client.socket >= 0; }
