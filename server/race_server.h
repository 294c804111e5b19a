#pragma once
// tavrin-server's core: one race server on one UDP port, one track, fixed
// ticks of 1/128 s. Kept apart from the program's main so the tests can
// drive a server and clients on one thread with one clock.
//
// Every datagram is hostile: it is read only after its length is checked,
// every packet after the hello must carry a slot and the token the server
// gave that slot and come from that slot's address, queues are bounded,
// and each sender is rate limited.
//
// Datagrams the server answers (integers 32-bit little-endian; byte 0 is
// the type; "slot, token" = bytes 1-4 and 5-8):
//   0  hello (13 bytes, version 10 at 9-12): the sender's slot is made or
//      found again; answer 2 welcome (slot, token, version 4), or 1 when
//      every slot is taken, or 16 for another client version.
//   3  client info (slot, token, proof 9-12, 41 + rider text): with a
//      password the proof must match (else 16 "Wrong password" and the
//      slot is freed); the rider text is kept; answer 4 track (session,
//      race ticks, laps, drop tick, track digest, name). A server started
//      with no_arcade then queues the reliable option "no_arcade".
//   5  track acknowledgment (slot, token, session): answer the first 6 bike
//      (session, rider slot, rider text) of the other riders in slot
//      order, or 8 start (session, race slot, own rider text) when none.
//   7  bike acknowledgment (slot, token, session, bike_ack): the next bike
//      after bike_ack, or the start. A race slot is given by the first
//      start of a session sent before the gate drops; later joiners warm
//      up (race slot 40) until the next session.
//   9  ready (slot, token, session): the rider joins the state relay;
//      answer 10 time (session, server tick, echo 0).
//  11  state (60 bytes: slot, token, session, server tick seen, local
//      tick, 39-byte bike state): kept for the relay. Every 4 ticks each
//      relayed rider gets 11 states packets (session, server tick, echo of
//      its own latest local tick, count, then records: slot | ping << 6,
//      state tick, state) holding everyone else, at most 21 records each.
//  13  restart request (slot, token, 1): the race restarts when more than
//      half of the riders asked.
//  14  restart acknowledgment (slot, token, session): answer 4 track.
//  15  disconnect (slot, token): the slot is freed; answer 15 to the
//      sender in any case, so a client whose slot is gone can stop.
//  17  reliable message (slot, token, seq, kind, body): answer 18 (slot,
//      token, seq); handled in sequence order. Kinds: 3 rider text
//      (taken at the next session), 19 chat (sent to everyone as reliable
//      text), 21 crossing (session, gate pass, tick; relayed to every other
//      rider as reliable 21 with one record: slot, gate pass, tick).
//  18  acknowledgment (slot, token, seq): the reliable message is done.
// A handshake or state packet of an older session is answered with 14
// restart (the current session) or, before the start, with a start packet
// of the client's session so the client reaches the state that takes the
// restart. A packet with a slot and token the server does not know is
// answered with 15, so the client stops.
//
// Race timing: a session starts at tick 1 with the gate drop 13 to 15 s
// later. Riders report their gate crossings; the leader takes the flag at
// the end of the final lap (laps, or for timed races the lap after the
// time runs out plus `laps`), the others at their next lap end. When
// every racer has taken the flag or gone quiet for a second, or every
// racer has left, the race is over; 10 s later a new session starts
// (packet 14 to everyone). With nobody connected the clock waits at the
// start of a fresh session.

#include <array>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <random>
#include <span>
#include <string>
#include <vector>

#include "base/ripemd160.h"
#include "demo/bike_state.h"
#include "net/net_client.h"
#include "net/protocol.h"
#include "net/udp.h"

// Command-line choices (see server/main.cpp for the options).
struct ServerOptions {
  int port = net_default_port;
  std::string track;
  int laps = 5;
  int minutes = 0;
  std::string password;
  int max_riders = max_bikes;  // 1..40
  bool no_arcade = false;
};

// Limits that hold a hostile or broken client.
constexpr int server_rate_limit = 600;           // datagrams per client per second
constexpr int server_stranger_limit = 40;        // answers to unknown senders per second
constexpr std::size_t server_queue_limit = 256;  // reliable messages per client
constexpr double server_timeout = 10;            // seconds of silence before a slot is freed
constexpr double server_join_timeout = 5;        // seconds to send the client info
constexpr int server_gate_limit = 100000;        // highest gate pass number accepted

// One connected client. Cleared when its slot is freed.
struct ServerClient {
  bool used = false;
  NetAddress address;
  std::int32_t token = 0;
  bool identified = false;      // client info accepted
  std::string rider_text;       // rider information text as the client sent it
  std::string next_rider_text;  // a change, taken at the next session
  double joined = 0;            // seconds
  double last_heard = 0;        // seconds
  // Session handshake and relay.
  std::int32_t session = 0;  // session of the last start sent; 0 none
  int race_slot = net_no_slot;
  bool relayed = false;  // ready received for the current session
  bool has_state = false;
  BikeState state{};
  std::int32_t state_tick = 0;  // the client's tick of `state`
  std::int32_t echo = 0;        // latest local tick it sent
  int ping = 0;                 // ticks
  double last_state = 0;        // seconds, time of the latest state
  double last_restart_sent = -1e9;
  // Reliable messages both ways.
  std::deque<NetOutMessage> out;
  std::int32_t out_seq = 0;
  std::int32_t in_expected = 0;
  std::vector<NetInMessage> in_pending;
  // Race progress in the current session.
  std::vector<std::int32_t> crossings;  // per gate pass, -1 not crossed
  int gates = 0;                        // next gate pass
  bool finished = false;
  bool restart_vote = false;
  // Rate limit: datagrams in the current one-second window.
  double window = 0;
  int window_count = 0;
};

// The server. Lifetime: from start_server to stop_server.
struct RaceServer {
  ServerOptions options;
  std::FILE* log = stdout;  // null: silent
  int socket = -1;
  // The track, loaded once at start.
  std::string track_name;
  Ripemd160Digest digest{};
  int first_lap_gates = 0, lap_gates = 0;
  bool has_gates = false;
  std::array<ServerClient, max_bikes> clients{};
  std::mt19937 random;
  // Time: `clock` is the time of the next tick, seconds.
  double clock = 0;
  bool clock_started = false;
  // The session.
  std::int32_t session = 1;
  std::int32_t tick = 1;
  std::int32_t drop_tick = 0;
  int race_ticks = 0;  // timed part, ticks
  int laps = 0;
  int final_lap = 0;            // 0 while a timed race has not set it
  std::int32_t flag_tick = -1;  // tick the leader took the flag
  std::int32_t over_tick = -1;  // tick the race was found over
  // Answers to unknown senders in the current one-second window.
  double stranger_window = 0;
  int stranger_count = 0;
};

// Loads the track (its digest and timing gates), opens and binds the
// socket and starts the first session. False with a message on the log
// when the track or the port cannot be had. The data directories must be
// usable (check_game_data).
bool start_server(RaceServer& server, const ServerOptions& options, double now);

// Reads every waiting datagram and runs every tick due by `now`.
void server_step(RaceServer& server, double now);

// Handles one datagram from `from` at time `now`. Any bytes are safe.
void server_datagram(RaceServer& server, std::span<const std::uint8_t> data, const NetAddress& from,
                     double now);

// Tells every client the server is going (15) and closes the socket.
void stop_server(RaceServer& server);

// The port the server listens on (the chosen one when started with 0).
int server_port(const RaceServer& server);

// Seconds until the next tick is due (for the main loop's wait).
double server_next_tick_in(const RaceServer& server, double now);
