#include "net/net_client.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <limits>

#include "data/listings.h"
#include "demo/demo.h"
#include "net/wire.h"
#include "platform/log.h"
#include "platform/messages.h"
#include "race/laps.h"
#include "race/session.h"
#include "race/standings.h"
#include "sim/bike_model.h"
#include "track/track.h"

NetClient net_client;
NetHooks net_hooks;

namespace {

constexpr double send_now = -std::numeric_limits<double>::infinity();
// Our identifier in the hello and client info: "TVRN".
constexpr std::int32_t client_identifier = 0x4e525654;
constexpr double resend_interval = 1.0;                 // handshake packets, seconds
constexpr double reliable_resend = 0.5;                 // head of the reliable queue, seconds
constexpr int state_interval = 4;                       // ticks between state packets (32 Hz)
constexpr int warmup_delay = state_history_length - 1;  // ticks remote riders trail in warm-up
// Race settings beyond these are not a race anyone can ride; a server
// sending them is clamped rather than trusted with the lap arithmetic.
constexpr int max_race_laps = 1000;
constexpr int max_race_ticks = 24 * 3600 * 128;

void post(const char* format, ...) __attribute__((format(printf, 1, 2)));
void post(const char* format, ...) {
  char text[512];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  post_message(text);
}

// Sends one packet; a failure posts its error name (nothing for a
// would-block). True when sent.
bool send_packet(const NetClient& c, const PacketWriter& packet) {
  if (net_send(c.socket, packet.bytes.data(), packet.bytes.size(), c.server_address) >= 0)
    return true;
  if (const char* error = net_last_error()) post("sendto error (%.100s)", error);
  return false;
}

// A client packet of `type` opened with our slot and token.
PacketWriter addressed(const NetClient& c, int type) {
  PacketWriter packet(type);
  packet.i32(c.slot).i32(c.token);
  return packet;
}

// Everything but the program's settings back to offline.
void reset_offline(NetClient& c) {
  net_close(c.socket);
  NetClient fresh;
  fresh.password = std::move(c.password);
  fresh.rider = std::move(c.rider);
  c = std::move(fresh);
}

void start_disconnect(NetClient& c, const char* text) {
  post_message(text);
  c.state = net_disconnecting;
  c.last_send = send_now;
}

// Queues a reliable message: `message` is its kind byte and body.
bool queue_reliable(NetClient& c, PacketWriter&& message) {
  if (c.out_queue.size() >= net_out_queue_limit) {
    korb_log("network: reliable message of kind %d dropped, queue full\n", message.bytes[0]);
    return false;
  }
  c.out_queue.push_back({send_now, c.out_seq++, std::move(message.bytes)});
  return true;
}

bool slot_ok(int slot) { return slot >= 0 && slot < max_bikes; }

const HeightField& field() { return game_track.terrain.field; }

// A received or own state joins the slot's history, and the demo's copy
// the online recorder reads.
void remember_state(NetClient& c, int slot, int tick, const BikeState& state) {
  push_state(c.history[static_cast<size_t>(slot)], tick, state);
  push_state(game_demo.history[static_cast<size_t>(slot)], tick, state);
}

bool track_installed(const std::string& name) {
  auto has = [&](const std::vector<TrackListing>& list) {
    return std::any_of(list.begin(), list.end(),
                       [&](const TrackListing& t) { return t.name == name; });
  };
  return has(track_list) || has(list_tracks());
}

void send_client_info(NetClient& c) {
  const auto proof = password_proof(c.password, c.token);
  const std::uint8_t reserved[20] = {};
  PacketWriter packet = addressed(c, packet_client_info);
  packet.raw(proof).i32(client_identifier).i32(static_cast<std::int32_t>(c.nonce)).raw(reserved);
  packet.text(format_rider_info(c.rider, rider_info_packet_limit));
  send_packet(c, packet);
}

void send_hello(NetClient& c) {
  PacketWriter packet(packet_hello);
  packet.u8(c.password.empty() ? 0 : 1).u8(0).u8(0).u8(0);
  packet.i32(client_identifier).i32(net_client_version);
  send_packet(c, packet);
}

// Starts the session the server described: our slot local, every
// announced rider driven by states and parked until its states come.
void start_server_session(NetClient& c, GameState& game, const RiderInfo& own) {
  std::array<int, max_bikes> lineup = c.lineup;
  lineup[static_cast<size_t>(c.slot)] = 1;
  SessionRequest request;
  if (net_hooks.prepare_session) net_hooks.prepare_session(request);
  request.lineup = &lineup;
  request.track = c.track_name;
  request.play_demo = false;
  request.race_ticks = c.race_ticks;
  request.laps = c.race_laps;
  request.robot_skill = 0;
  if (!own.model.empty()) request.rider.model = own.model;
  if (!own.number.empty()) request.rider.number = own.number;
  request.rider.textures = own.textures;
  if (!game.world || !start_session(game, request)) {
    char text[200];
    std::snprintf(text, sizeof text, "Can't load track '%.150s'\n", c.track_name.c_str());
    start_disconnect(c, text);
    return;
  }
  game.drop_tick = c.gate_drop_tick;
  if (Bike* bike = game.bikes[static_cast<size_t>(c.slot)]) {
    place_on_grid(*bike, slot_ok(c.race_slot) ? c.race_slot : c.slot);
    game.start_position = bike->start_positions[body_frame];
  }
  for (int s = 0; s < max_bikes; ++s) {
    if (s == c.slot || c.lineup[static_cast<size_t>(s)] != 5) continue;
    const RiderInfo& info = c.bike_info[static_cast<size_t>(s)];
    Bike*& bike = game.bikes[static_cast<size_t>(s)];
    destroy_bike(bike);
    bike = create_bike(*game.world, bike_model_alias(info.model), s, info.number, info.textures);
    game.bike_kind[static_cast<size_t>(s)] = bike_states;
    place_bike(*bike, 25.0 * s + 25, 25, 0);
  }
  update_standings(game);
  if (game_track.hash != c.track_digest) {
    char text[200];
    std::snprintf(text, sizeof text,
                  "Client track modified - does not match server's track (%.100s)\n",
                  c.track_name.c_str());
    start_disconnect(c, text);
  }
}

// Records of a states packet; false when the packet is too short for
// the count it announces.
bool apply_state_records(NetClient& c, GameState& game, PacketReader& in) {
  const std::int32_t count = in.i32();
  if (!in.ok() || count < 0 ||
      static_cast<std::size_t>(count) > in.remaining() / net_state_record) {
    post_message("State packet too small");
    return false;
  }
  for (std::int32_t i = 0; i < count; ++i) {
    const std::int32_t head = in.i32();
    const std::int32_t tick = in.i32();
    const auto bytes = in.bytes(bike_state_size);
    const int s = head & 63;
    if (!slot_ok(s) || s == c.slot) continue;
    Bike* bike = game.bikes[static_cast<size_t>(s)];
    int& last = c.last_state_tick[static_cast<size_t>(s)];
    if (!bike || game.bike_kind[static_cast<size_t>(s)] != bike_states || tick <= last) continue;
    BikeState state;
    std::copy(bytes.begin(), bytes.end(), state.begin());
    if (slot_ok(c.race_slot)) {
      StateContext context;
      context.version = 5;
      context.ticks = last < 0 ? 0 : tick - last;
      context.game_tick = game.tick;
      context.extent = field().extent;
      context.min_height = field().min_height;
      apply_state(*bike, state, context);
    }
    c.ping[static_cast<size_t>(s)] = static_cast<int>(static_cast<std::uint32_t>(head) >> 6);
    last = tick;
    remember_state(c, s, tick, state);
  }
  return true;
}

// Time (10) and states (11) packets.
void handle_time(NetClient& c, GameState& game, int type, PacketReader& in) {
  const std::int32_t session = in.i32();
  const std::int32_t tick = in.i32();
  const std::int32_t echo = in.i32();
  if (!in.ok() || session != c.session) return;
  if (type == packet_states && !apply_state_records(c, game, in)) return;
  if (echo != 0 && slot_ok(c.slot)) c.ping[static_cast<size_t>(c.slot)] = game.tick - echo;
  if (c.server_tick == 0 && tick > 0) game.tick = tick;
  if (tick > c.server_tick) c.server_tick = c.server_tick_estimate = tick;
  if (c.state == net_session_started) {
    post("%s", race_description(game).c_str());
    c.state = net_racing;
  }
}

// Server crossings (reliable kind 21): riders' gate passes and ticks.
void apply_crossings(NetClient& c, GameState& game, PacketReader& in) {
  const std::int32_t session = in.i32();
  const std::int32_t count = in.i32();
  if (!in.ok() || session != c.session || count < 0 ||
      static_cast<std::size_t>(count) > in.remaining() / 12)
    return;
  for (std::int32_t i = 0; i < count; ++i) {
    const std::int32_t s = in.i32();
    const std::int32_t gate = in.i32();
    const std::int32_t tick = in.i32();
    if (!slot_ok(s) || s == c.slot || !game.bikes[static_cast<size_t>(s)]) continue;
    if (gate < 0 || gate >= net_gate_limit) continue;
    LineRecorder& progress = game.progress[static_cast<size_t>(s)];
    if (static_cast<int>(progress.crossing_ticks.size()) <= gate)
      progress.crossing_ticks.resize(static_cast<size_t>(gate) + 1, -1);
    progress.crossing_ticks[static_cast<size_t>(gate)] = tick;
    progress.next_gate = gate + 1;
  }
  update_standings(game);
}

void handle_reliable(NetClient& c, GameState& game, std::span<const std::uint8_t> message) {
  PacketReader in(message);
  switch (message[0]) {
    case reliable_text:
      post_message(in.rest().c_str());
      break;
    case reliable_gate:
      apply_crossings(c, game, in);
      break;
    case reliable_option:
      if (in.rest() == "no_arcade") {
        c.arcade_forbidden = true;
        if (net_hooks.forbid_arcade && net_hooks.forbid_arcade())
          post_message("Arcade physics disabled");
      }
      break;
    default:
      break;
  }
}

void receive_reliable(NetClient& c, GameState& game, PacketReader& in) {
  const std::int32_t seq = in.i32();
  const auto rest = in.bytes(in.remaining());
  if (!in.ok() || rest.empty()) return;
  if (!hold_reliable(c.in_pending, c.in_expected, seq, rest)) return;
  PacketWriter ack = addressed(c, packet_ack);
  ack.i32(seq);
  send_packet(c, ack);
  deliver_reliable(
      c.in_expected, c.in_pending, seq, rest,
      [&](std::span<const std::uint8_t> bytes) { handle_reliable(c, game, bytes); },
      [&] { return c.socket >= 0; });
}

void clear_for_track(NetClient& c) {
  c.lineup.fill(0);
  for (RiderInfo& info : c.bike_info) info = {};
  c.race_slot = net_no_slot;
  c.bike_ack = net_no_slot;
  c.server_tick = c.server_tick_estimate = 0;
  c.reported_gates = 0;
  c.last_state_tick.fill(-1);
  for (StateHistory& history : c.history) clear_state_history(history);
  for (StateHistory& history : game_demo.history) clear_state_history(history);
}

void handle_track(NetClient& c, PacketReader& in) {
  const std::int32_t session = in.i32();
  const std::int32_t race_ticks = in.i32();
  const std::int32_t laps = in.i32();
  const std::int32_t drop = in.i32();
  const auto digest = in.bytes(20);
  std::string name = in.rest();
  if (!in.ok()) return;
  if (!slot_ok(c.slot) || (c.state != net_identified && c.state != net_restarting)) return;
  if (c.session != 0 && session != c.session) return;
  c.session = session;
  c.race_ticks = std::clamp(race_ticks, 0, max_race_ticks);
  c.race_laps = std::clamp(laps, 0, max_race_laps);
  c.gate_drop_tick = std::clamp(drop, 0, max_race_ticks);
  std::copy(digest.begin(), digest.end(), c.track_digest.begin());
  c.track_name = name.substr(0, name.find('\0'));
  if (!track_installed(c.track_name)) {
    char text[200];
    std::snprintf(text, sizeof text, "Can't find track '%.150s'\n", c.track_name.c_str());
    start_disconnect(c, text);
    return;
  }
  c.state = net_track_known;
  c.last_send = send_now;
  clear_for_track(c);
}

}  // namespace

void net_handle_datagram(NetClient& c, GameState& game, std::span<const std::uint8_t> data) {
  if (data.empty() || c.socket < 0) return;
  if (data.size() > net_max_datagram) data = data.first(net_max_datagram);
  PacketReader in(data);
  const bool bikes_phase = c.state == net_track_known || c.state == net_receiving_bikes;
  const bool racing_phase = c.state == net_session_started || c.state == net_racing;
  switch (data[0]) {
    case packet_server_full:
      post_message("Server is full\n");
      break;
    case packet_welcome: {
      const std::int32_t slot = in.i32();
      const std::int32_t token = in.i32();
      const std::int32_t version = in.i32();
      if (!in.ok() || c.state != net_contacting || !slot_ok(slot)) break;
      c.slot = slot;
      c.token = token;
      if (version != net_server_version) {
        start_disconnect(c, "Server version does not match client version\n");
        break;
      }
      c.state = net_identified;
      c.last_send = send_now;
      break;
    }
    case packet_track:
      handle_track(c, in);
      break;
    case packet_bike: {
      const std::int32_t session = in.i32();
      const std::int32_t rider = in.i32();
      const std::string text = in.rest();
      if (!in.ok() || !slot_ok(c.slot) || !bikes_phase || session != c.session) break;
      if (!slot_ok(rider) || (c.bike_ack != net_no_slot && c.bike_ack >= rider)) break;
      c.bike_info[static_cast<size_t>(rider)] = parse_rider_info(text);
      c.lineup[static_cast<size_t>(rider)] = 5;
      c.bike_ack = rider;
      c.state = net_receiving_bikes;
      c.last_send = send_now;
      break;
    }
    case packet_start: {
      const std::int32_t session = in.i32();
      const std::int32_t race_slot = in.i32();
      const std::string text = in.rest();
      if (!in.ok() || !slot_ok(c.slot) || !bikes_phase || session != c.session) break;
      c.race_slot = slot_ok(race_slot) ? race_slot : net_no_slot;
      c.state = net_session_started;
      c.last_send = send_now;
      start_server_session(c, game, parse_rider_info(text));
      break;
    }
    case packet_time:
    case packet_states:
      if (slot_ok(c.slot) && racing_phase) handle_time(c, game, data[0], in);
      break;
    case packet_server_value: {
      const std::int32_t value = in.i32();
      if (in.ok() && racing_phase) c.server_value = value;
      break;
    }
    case packet_restart: {
      const std::int32_t session = in.i32();
      if (in.ok() && racing_phase && session > c.session) {
        c.session = session;
        c.state = net_restarting;
        c.last_send = send_now;
      }
      break;
    }
    case packet_disconnected:
      post_message("Disconnected\n");
      reset_offline(c);
      break;
    case packet_text:
      start_disconnect(c, in.rest().c_str());
      break;
    case packet_reliable:
      receive_reliable(c, game, in);
      break;
    case packet_ack: {
      const std::int32_t seq = in.i32();
      if (in.ok() && !c.out_queue.empty() && c.out_queue.front().seq == seq)
        c.out_queue.pop_front();
      break;
    }
    default:
      break;
  }
}

void net_connect(NetClient& client, std::string_view server_name) {
  client.server_name = server_name;
}

namespace {

// Opens the connection; false (server_name cleared) when that fails.
bool open_connection(NetClient& c, double now) {
  if (!net_resolve(c.server_address, c.server_name.c_str(), net_default_port)) {
    post_message("Can't resolve address\n");
    c.server_name.clear();
    return false;
  }
  c.socket = net_open();
  if (c.socket < 0) {
    post_message("Can't create socket\n");
    c.server_name.clear();
    return false;
  }
  double whole;
  const auto micro = static_cast<std::uint32_t>(static_cast<int>(std::modf(now, &whole) * 1000000));
  c.nonce = micro * 1103515245u + 12345u;
  c.state = net_contacting;
  c.last_send = now;
  send_hello(c);
  post_message("Contacting server\n");
  return true;
}

// The racing state's duties for this tick.
void racing_step(NetClient& c, GameState& game) {
  Bike* bike = slot_ok(c.slot) ? game.bikes[static_cast<size_t>(c.slot)] : nullptr;
  if (bike && slot_ok(c.race_slot)) {
    const LineRecorder& progress = game.progress[static_cast<size_t>(c.slot)];
    if (progress.next_gate != c.reported_gates && progress.next_gate > 0) {
      const int gate = progress.next_gate - 1;
      PacketWriter message(reliable_gate);
      message.i32(c.session).i32(gate).i32(crossing_tick(progress, gate));
      queue_reliable(c, std::move(message));
      c.reported_gates = progress.next_gate;
    }
  }
  if (bike && game.tick % state_interval == 0) {
    BikeState state;
    encode_state(*bike, field().extent, field().min_height, state);
    PacketWriter packet = addressed(c, packet_state);
    packet.i32(c.session).i32(c.server_tick).i32(game.tick).raw(state);
    send_packet(c, packet);
  }
  if (c.info_changed && game.menu != 2 && game.menu != 7) {
    PacketWriter message(reliable_client_info);
    message.text(format_rider_info(c.rider, rider_info_reliable_limit));
    queue_reliable(c, std::move(message));
    c.info_changed = false;
  }
}

// The warm-up rider sees the others about a second late, blended from
// their histories, as a demo shows them.
void place_warmup_riders(NetClient& c, GameState& game) {
  for (int s = 0; s < max_bikes; ++s) {
    Bike* bike = game.bikes[static_cast<size_t>(s)];
    if (s == c.slot || !bike || game.bike_kind[static_cast<size_t>(s)] != bike_states) continue;
    if (c.last_state_tick[static_cast<size_t>(s)] < 0) continue;
    BikeState state;
    state_at(c.history[static_cast<size_t>(s)], bike, game.tick - warmup_delay, field().extent,
             field().min_height, state);
    StateContext context;
    context.ticks = 1;
    context.game_tick = game.tick;
    context.extent = field().extent;
    context.min_height = field().min_height;
    apply_state(*bike, state, context);
  }
}

}  // namespace

void net_tick(NetClient& c, GameState& game, double now) {
  if (c.socket < 0) {
    if (c.server_name.empty() || !open_connection(c, now)) return;
  }
  if (c.server_tick > 0) ++c.server_tick_estimate;

  Bike* own = slot_ok(c.slot) ? game.bikes[static_cast<size_t>(c.slot)] : nullptr;
  if (own && slot_ok(c.race_slot)) {
    const StateHistory& mine = c.history[static_cast<size_t>(c.slot)];
    if (mine.entries[static_cast<size_t>(mine.newest)].tick != game.tick) {
      BikeState state;
      encode_state(*own, field().extent, field().min_height, state);
      remember_state(c, c.slot, game.tick, state);
    }
  }

  std::uint8_t buffer[net_max_datagram];
  NetAddress from;
  for (int n; c.socket >= 0 && (n = net_receive(c.socket, buffer, sizeof buffer, from)) >= 0;) {
    if (!(from == c.server_address)) continue;
    net_handle_datagram(c, game, {buffer, static_cast<size_t>(n)});
  }
  if (c.socket < 0) return;
  if (c.state == net_racing && !slot_ok(c.race_slot)) place_warmup_riders(c, game);

  if (!c.out_queue.empty() && c.out_queue.front().resend_time < now) {
    NetOutMessage& head = c.out_queue.front();
    PacketWriter packet = addressed(c, packet_reliable);
    packet.i32(head.seq).raw(head.bytes);
    send_packet(c, packet);
    head.resend_time = now + reliable_resend;
  }

  if (c.state != net_racing) {
    if (now - c.last_send < resend_interval) return;
    c.last_send = now;
  }
  switch (c.state) {
    case net_contacting:
      send_hello(c);
      post_message("Contacting server\n");
      break;
    case net_identified:
      send_client_info(c);
      post_message("Sending client info\n");
      break;
    case net_track_known:
    case net_session_started:
    case net_restarting: {
      const int type = c.state == net_track_known  ? packet_track_ack
                       : c.state == net_restarting ? packet_restart_ack
                                                   : packet_ready;
      PacketWriter packet = addressed(c, type);
      packet.i32(c.session);
      send_packet(c, packet);
      if (c.state == net_track_known) post_message("Sending track acknowledgment\n");
      if (c.state == net_restarting) post_message("Sending restart\n");
      break;
    }
    case net_receiving_bikes: {
      PacketWriter packet = addressed(c, packet_bike_ack);
      packet.i32(c.session).i32(c.bike_ack);
      send_packet(c, packet);
      post("Sending bike acknowledgment %d\n", c.bike_ack);
      break;
    }
    case net_disconnecting:
      send_packet(c, addressed(c, packet_disconnect));
      post_message("Disconnecting\n");
      break;
    case net_racing:
      racing_step(c, game);
      break;
    default:
      break;
  }
}

void net_disconnect(NetClient& c) {
  if (c.state != net_contacting) {
    c.state = net_disconnecting;
    return;
  }
  reset_offline(c);
  post_message("Disconnected\n");
}

void net_drop(NetClient& c) {
  if (c.socket >= 0) {
    if (send_packet(c, addressed(c, packet_disconnect))) post_message("Disconnecting\n");
  }
  reset_offline(c);
}

void net_request_restart(NetClient& c) {
  if (c.socket < 0 || c.state != net_racing) return;
  PacketWriter packet = addressed(c, packet_restart_request);
  packet.i32(1);
  if (send_packet(c, packet)) post_message("Requesting restart\n");
}

bool net_chat(NetClient& c, std::string_view text) {
  if (c.socket < 0) return false;
  PacketWriter message(reliable_text);
  message.text(text.substr(0, 466));
  return queue_reliable(c, std::move(message));
}

double net_time_scale(const NetClient& c, const GameState& game) {
  if (c.socket < 0 || c.server_tick_estimate < 1) return 1;
  const double h = (c.server_tick_estimate - game.tick - 1) * game.step;
  if (h < 0) return 0.5 + 0.5 * std::clamp(h + 1, 0.0, 1.0);
  if (game.tick < game.drop_tick) return 1 + 3 * std::clamp(h, 0.0, 1.0);
  return 1 + 0.125 * std::clamp(8 * h, 0.0, 1.0);
}
