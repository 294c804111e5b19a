#include "race_server.h"

#include <algorithm>
#include <cstdarg>

#include "net/wire.h"
#include "track/track.h"

namespace {

constexpr double tick_seconds = 1.0 / 128;
constexpr int relay_interval = 4;        // ticks between state packets (32 Hz)
constexpr double reliable_resend = 0.5;  // seconds
constexpr int results_pause = 10 * 128;  // ticks between race over and the next session
constexpr int quiet_ticks = 128;         // a racer this long without a state has gone quiet
// Without timing gates nothing finishes a race of laps; it then runs this
// long after the drop.
constexpr int gateless_race = 10 * 60 * 128;

void say(const RaceServer& s, const char* format, ...) __attribute__((format(printf, 2, 3)));
void say(const RaceServer& s, const char* format, ...) {
  if (!s.log) return;
  va_list args;
  va_start(args, format);
  std::vfprintf(s.log, format, args);
  va_end(args);
  std::fflush(s.log);
}

void send(const RaceServer& s, const NetAddress& to, const PacketWriter& packet) {
  net_send(s.socket, packet.bytes.data(), packet.bytes.size(), to);
}

PacketWriter text_packet(std::string_view text) {
  PacketWriter packet(packet_text);
  packet.text(text);
  return packet;
}

int slot_of(const RaceServer& s, const ServerClient& c) {
  return static_cast<int>(&c - s.clients.data());
}

std::string rider_name(const ServerClient& c) {
  const RiderInfo info = parse_rider_info(c.rider_text);
  return info.name.empty() ? info.number : info.name;
}

void queue(ServerClient& c, PacketWriter&& message) {
  // A client that lets this many messages pile up is not reading them;
  // the newest is dropped rather than the memory grown.
  if (c.out.size() >= server_queue_limit) return;
  c.out.push_back({-1e300, c.out_seq++, std::move(message.bytes)});
}

void queue_text_to_all(RaceServer& s, std::string_view text) {
  for (ServerClient& c : s.clients) {
    if (!c.used || !c.identified) continue;
    PacketWriter message(reliable_text);
    message.text(text);
    queue(c, std::move(message));
  }
}

void free_slot(RaceServer& s, ServerClient& c, const char* why) {
  say(s, "slot %d freed (%s)\n", slot_of(s, c), why);
  c = ServerClient{};
}

// Answers an unknown sender, within the strangers' rate.
bool stranger_allowed(RaceServer& s, double now) {
  if (now - s.stranger_window >= 1) {
    s.stranger_window = now;
    s.stranger_count = 0;
  }
  return ++s.stranger_count <= server_stranger_limit;
}

void new_session(RaceServer& s, bool announce) {
  ++s.session;
  s.tick = 1;
  std::uniform_int_distribution<int> drop(13 * 128, 15 * 128 - 1);
  s.drop_tick = drop(s.random);
  s.final_lap = s.race_ticks > 0 ? 0 : s.laps;
  s.flag_tick = s.over_tick = -1;
  for (ServerClient& c : s.clients) {
    c.race_slot = net_no_slot;
    c.relayed = false;
    c.has_state = false;
    c.crossings.clear();
    c.gates = 0;
    c.finished = false;
    c.restart_vote = false;
    if (!c.next_rider_text.empty()) c.rider_text = std::move(c.next_rider_text);
    c.next_rider_text.clear();
    if (announce && c.used && c.session != 0) {
      PacketWriter restart(packet_restart);
      restart.i32(s.session);
      send(s, c.address, restart);
    }
  }
  say(s, "session %d: %s, gate drops at tick %d\n", s.session, s.track_name.c_str(), s.drop_tick);
}

PacketWriter track_packet(const RaceServer& s) {
  PacketWriter packet(packet_track);
  packet.i32(s.session).i32(s.race_ticks).i32(s.laps).i32(s.drop_tick).raw(s.digest);
  packet.text(s.track_name);
  return packet;
}

// The next rider after `after` (-1: from the start) announced to `c`, or
// the start packet when there is none. `session` is the client's.
void send_next_bike(RaceServer& s, ServerClient& c, int after, std::int32_t session) {
  const int me = slot_of(s, c);
  for (int r = std::max(after + 1, 0); r < max_bikes && session == s.session; ++r) {
    const ServerClient& other = s.clients[static_cast<size_t>(r)];
    if (r == me || !other.used || !other.identified) continue;
    PacketWriter bike(packet_bike);
    bike.i32(session).i32(r).text(other.rider_text);
    send(s, c.address, bike);
    return;
  }
  if (session == s.session && c.session != s.session) {
    c.session = s.session;
    c.race_slot = net_no_slot;
    if (s.tick < s.drop_tick) {
      std::array<bool, max_bikes> taken{};
      for (const ServerClient& o : s.clients)
        if (o.used && o.session == s.session && o.race_slot < max_bikes)
          taken[static_cast<size_t>(o.race_slot)] = true;
      const auto free = std::find(taken.begin(), taken.end(), false);
      if (free != taken.end()) c.race_slot = static_cast<int>(free - taken.begin());
    }
    say(s, "slot %d starts session %d %s\n", me, s.session,
        c.race_slot < max_bikes ? "racing" : "in warm-up");
  }
  PacketWriter start(packet_start);
  start.i32(session).i32(session == s.session ? c.race_slot : net_no_slot).text(c.rider_text);
  send(s, c.address, start);
}

void send_restart(RaceServer& s, ServerClient& c, double now) {
  if (now - c.last_restart_sent < 0.25) return;
  c.last_restart_sent = now;
  PacketWriter restart(packet_restart);
  restart.i32(s.session);
  send(s, c.address, restart);
}

// Bounds the rider text and strips what would break its lines.
std::string clean_rider_text(std::string text) {
  if (text.size() > rider_info_packet_limit) text.resize(rider_info_packet_limit);
  std::replace(text.begin(), text.end(), '\0', ' ');
  return text;
}

void record_crossing(RaceServer& s, ServerClient& c, PacketReader& in) {
  const std::int32_t session = in.i32();
  const std::int32_t gate = in.i32();
  const std::int32_t tick = in.i32();
  if (!in.ok() || session != s.session || c.race_slot >= max_bikes) return;
  if (gate < 0 || gate >= server_gate_limit || gate < c.gates - 1) return;
  if (static_cast<int>(c.crossings.size()) <= gate)
    c.crossings.resize(static_cast<size_t>(gate) + 1, -1);
  c.crossings[static_cast<size_t>(gate)] = tick;
  c.gates = gate + 1;
  const int me = slot_of(s, c);
  for (ServerClient& other : s.clients) {
    if (&other == &c || !other.used || other.session != s.session) continue;
    PacketWriter message(reliable_gate);
    message.i32(s.session).i32(1).i32(me).i32(gate).i32(tick);
    queue(other, std::move(message));
  }
}

void handle_reliable(RaceServer& s, ServerClient& c, std::span<const std::uint8_t> message) {
  PacketReader in(message);
  switch (message[0]) {
    case reliable_client_info:
      c.next_rider_text = clean_rider_text(in.rest());
      break;
    case reliable_text: {
      std::string text = in.rest();
      text = text.substr(0, std::min<std::size_t>(text.find('\0'), 466));
      const std::string line = rider_name(c) + ": " + text;
      say(s, "chat %s\n", line.c_str());
      queue_text_to_all(s, line);
      break;
    }
    case reliable_gate:
      record_crossing(s, c, in);
      break;
    default:
      break;
  }
}

void receive_reliable(RaceServer& s, ServerClient& c, PacketReader& in) {
  const std::int32_t seq = in.i32();
  const auto rest = in.bytes(in.remaining());
  if (!in.ok() || rest.empty()) return;
  if (!hold_reliable(c.in_pending, c.in_expected, seq, rest)) return;
  PacketWriter ack(packet_ack);
  ack.i32(seq);
  send(s, c.address, ack);
  deliver_reliable(
      c.in_expected, c.in_pending, seq, rest,
      [&](std::span<const std::uint8_t> bytes) { handle_reliable(s, c, bytes); },
      [&] { return c.used; });
}

void handle_hello(RaceServer& s, PacketReader& in, const NetAddress& from, double now) {
  in.bytes(4);
  in.i32();  // client identifier: any
  const std::int32_t version = in.i32();
  if (!in.ok()) return;
  for (ServerClient& c : s.clients) {
    if (!c.used || !(c.address == from)) continue;
    // A repeated hello: the welcome went astray.
    c.last_heard = now;
    PacketWriter welcome(packet_welcome);
    welcome.i32(slot_of(s, c)).i32(c.token).i32(net_server_version);
    send(s, from, welcome);
    return;
  }
  if (!stranger_allowed(s, now)) return;
  if (version != net_client_version) {
    send(s, from, text_packet("Client version does not match server version"));
    return;
  }
  const int limit = std::clamp(s.options.max_riders, 1, max_bikes);
  for (int slot = 0; slot < limit; ++slot) {
    ServerClient& c = s.clients[static_cast<size_t>(slot)];
    if (c.used) continue;
    c = ServerClient{};
    c.used = true;
    c.address = from;
    c.token = static_cast<std::int32_t>(s.random());
    c.joined = c.last_heard = c.window = now;
    PacketWriter welcome(packet_welcome);
    welcome.i32(slot).i32(c.token).i32(net_server_version);
    send(s, from, welcome);
    say(s, "slot %d: hello from %u.%u.%u.%u:%u\n", slot, from.ip[0], from.ip[1], from.ip[2],
        from.ip[3], static_cast<unsigned>((from.port & 0xff) << 8 | from.port >> 8));
    return;
  }
  send(s, from, PacketWriter(packet_server_full));
}

void handle_client_info(RaceServer& s, ServerClient& c, PacketReader& in) {
  const auto proof = in.bytes(4);
  in.i32();      // client identifier
  in.i32();      // nonce
  in.bytes(20);  // reserved
  std::string text = in.rest();
  if (!in.ok()) return;
  if (!s.options.password.empty()) {
    const auto expected = password_proof(s.options.password, c.token);
    if (!std::equal(expected.begin(), expected.end(), proof.begin())) {
      send(s, c.address, text_packet("Wrong password"));
      free_slot(s, c, "wrong password");
      return;
    }
  }
  if (!c.identified) {
    c.identified = true;
    c.rider_text = clean_rider_text(std::move(text));
    say(s, "slot %d: rider %s\n", slot_of(s, c), rider_name(c).c_str());
    if (s.options.no_arcade) {
      PacketWriter option(reliable_option);
      option.text("no_arcade");
      queue(c, std::move(option));
    }
  }
  send(s, c.address, track_packet(s));
}

void handle_state(RaceServer& s, ServerClient& c, PacketReader& in, double now) {
  const std::int32_t session = in.i32();
  const std::int32_t seen = in.i32();
  const std::int32_t local = in.i32();
  const auto state = in.bytes(bike_state_size);
  if (!in.ok()) return;
  if (session != s.session) {
    send_restart(s, c, now);
    return;
  }
  if (c.session != s.session) return;
  c.relayed = true;
  if (!c.has_state || local > c.state_tick) {
    std::copy(state.begin(), state.end(), c.state.begin());
    c.state_tick = local;
    c.has_state = true;
    c.last_state = now;
  }
  c.echo = local;
  if (seen > 0 && seen <= s.tick) c.ping = std::min(s.tick - seen, (1 << 25) - 1);
}

void handle_restart_request(RaceServer& s, ServerClient& c) {
  c.restart_vote = true;
  int riders = 0, votes = 0;
  for (const ServerClient& o : s.clients) {
    if (!o.used || !o.identified) continue;
    ++riders;
    votes += o.restart_vote;
  }
  say(s, "slot %d asks for a restart (%d of %d)\n", slot_of(s, c), votes, riders);
  if (2 * votes > riders) {
    queue_text_to_all(s, "Restarting race");
    new_session(s, true);
  }
}

// A packet from a known slot: type-specific handling after the checks.
void handle_client_packet(RaceServer& s, ServerClient& c, int type, PacketReader& in, double now) {
  const bool identified_only = type != packet_client_info && type != packet_disconnect &&
                               type != packet_ack && type != packet_reliable;
  if (identified_only && !c.identified) return;
  switch (type) {
    case packet_client_info:
      handle_client_info(s, c, in);
      break;
    case packet_track_ack:
    case packet_bike_ack: {
      const std::int32_t session = in.i32();
      const std::int32_t after = type == packet_bike_ack ? in.i32() : -1;
      if (!in.ok()) return;
      if (session != s.session) {
        // An older session's handshake: finish it, so the client reaches
        // the state in which it takes the restart.
        PacketWriter start(packet_start);
        start.i32(session).i32(net_no_slot).text(c.rider_text);
        send(s, c.address, start);
        return;
      }
      send_next_bike(s, c, std::clamp(after, -1, max_bikes), session);
      break;
    }
    case packet_ready: {
      const std::int32_t session = in.i32();
      if (!in.ok()) return;
      if (session != s.session || c.session != s.session) {
        send_restart(s, c, now);
        return;
      }
      c.relayed = true;
      PacketWriter time(packet_time);
      time.i32(s.session).i32(s.tick).i32(0);
      send(s, c.address, time);
      break;
    }
    case packet_state:
      handle_state(s, c, in, now);
      break;
    case packet_restart_request:
      in.i32();
      if (in.ok() && c.session == s.session) handle_restart_request(s, c);
      break;
    case packet_restart_ack:
      in.i32();
      if (in.ok()) send(s, c.address, track_packet(s));
      break;
    case packet_disconnect:
      say(s, "slot %d (%s) left\n", slot_of(s, c), rider_name(c).c_str());
      free_slot(s, c, "disconnected");
      break;
    case packet_reliable:
      receive_reliable(s, c, in);
      break;
    case packet_ack: {
      const std::int32_t seq = in.i32();
      if (in.ok() && !c.out.empty() && c.out.front().seq == seq) c.out.pop_front();
      break;
    }
    default:
      break;
  }
}

// States of everyone but `to`, in packets of at most 21 records.
void relay_states(RaceServer& s, ServerClient& to) {
  std::vector<const ServerClient*> riders;
  for (const ServerClient& o : s.clients)
    if (&o != &to && o.used && o.has_state && o.session == s.session) riders.push_back(&o);
  std::size_t next = 0;
  do {
    const std::size_t count =
        std::min<std::size_t>(riders.size() - next, static_cast<size_t>(net_states_per_packet));
    PacketWriter packet(packet_states);
    packet.i32(s.session).i32(s.tick).i32(to.echo).i32(static_cast<std::int32_t>(count));
    for (std::size_t i = 0; i < count; ++i) {
      const ServerClient& o = *riders[next + i];
      packet.i32(slot_of(s, o) | o.ping << 6).i32(o.state_tick).raw(o.state);
    }
    send(s, to.address, packet);
    next += count;
  } while (next < riders.size());
}

int laps_for(const RaceServer& s, int gates) {
  if (!s.has_gates || gates < s.first_lap_gates || s.lap_gates <= 0) return 0;
  return (gates - s.first_lap_gates) / s.lap_gates + 1;
}

// Tick of the crossing that ended the rider's latest lap, or -1.
std::int32_t latest_lap_end(const RaceServer& s, const ServerClient& c) {
  const int laps = laps_for(s, c.gates);
  if (laps == 0) return -1;
  const int gate = s.first_lap_gates - 1 + s.lap_gates * (laps - 1);
  return gate < static_cast<int>(c.crossings.size()) ? c.crossings[static_cast<size_t>(gate)] : -1;
}

void race_control(RaceServer& s) {
  if (s.over_tick >= 0) {
    if (s.tick - s.over_tick >= results_pause) new_session(s, true);
    return;
  }
  if (s.tick <= s.drop_tick) return;
  std::vector<ServerClient*> racers;
  for (ServerClient& c : s.clients)
    if (c.used && c.session == s.session && c.race_slot < max_bikes) racers.push_back(&c);
  const ServerClient* leader = nullptr;
  for (const ServerClient* c : racers)
    if (!leader || c->gates > leader->gates) leader = c;
  if (leader && s.race_ticks > 0 && s.final_lap == 0 && s.tick >= s.race_ticks)
    s.final_lap = laps_for(s, leader->gates) + s.laps + 1;
  if (leader && s.flag_tick < 0 && s.final_lap > 0 && laps_for(s, leader->gates) >= s.final_lap) {
    s.flag_tick = latest_lap_end(s, *leader);
    say(s, "the leader, slot %d, takes the flag\n", slot_of(s, *leader));
  }
  bool over = true;
  for (ServerClient* c : racers) {
    if (s.flag_tick >= 0 && latest_lap_end(s, *c) >= s.flag_tick) c->finished = true;
    const bool quiet = s.tick - s.drop_tick > quiet_ticks &&
                       (!c->has_state || c->last_state + quiet_ticks * tick_seconds < s.clock);
    if (!c->finished && !quiet) over = false;
  }
  if (!s.has_gates && s.tick < std::max(s.race_ticks, s.drop_tick + gateless_race)) over = false;
  if (over) {
    s.over_tick = s.tick;
    say(s, "race over at tick %d\n", s.tick);
  }
}

void one_tick(RaceServer& s, double now) {
  bool anyone = false;
  for (ServerClient& c : s.clients) {
    if (!c.used) continue;
    const double limit = c.identified ? server_timeout : server_join_timeout;
    if (now - c.last_heard > limit) {
      send(s, c.address, PacketWriter(packet_disconnected));
      free_slot(s, c, "timed out");
      continue;
    }
    anyone = true;
    if (!c.out.empty() && c.out.front().resend_time < now) {
      NetOutMessage& head = c.out.front();
      PacketWriter packet(packet_reliable);
      packet.i32(head.seq).raw(head.bytes);
      send(s, c.address, packet);
      head.resend_time = now + reliable_resend;
    }
    if (c.relayed && c.session == s.session && s.tick % relay_interval == 0) relay_states(s, c);
  }
  // Nobody here: the clock waits at the start of a fresh session.
  if (!anyone) {
    if (s.tick > 1) new_session(s, false);
    return;
  }
  race_control(s);
  ++s.tick;
}

}  // namespace

bool start_server(RaceServer& s, const ServerOptions& options, double now) {
  s.options = options;
  s.race_ticks = std::max(options.minutes, 0) * 60 * 128;
  s.laps = std::max(options.laps, 0);
  std::random_device seed;
  s.random.seed(seed());
  Track track;
  if (!load_track(track, options.track, "@" + options.track)) {
    say(s, "can't load track '%s'\n", options.track.c_str());
    return false;
  }
  s.track_name = track.name;
  s.digest = track.hash;
  s.has_gates = timing_active(track.gates);
  s.first_lap_gates = static_cast<int>(track.gates.first_lap.size());
  s.lap_gates = static_cast<int>(track.gates.normal_lap.size());
  unload_track(track);
  s.socket = net_open();
  if (s.socket < 0 || !net_bind(s.socket, options.port)) {
    say(s, "can't open UDP port %d (%s)\n", options.port,
        net_last_error() ? net_last_error() : "unknown");
    net_close(s.socket);
    s.socket = -1;
    return false;
  }
  s.clock = now;
  s.session = 0;
  new_session(s, false);
  say(s, "listening on port %d, track %s (%s)\n", server_port(s), s.track_name.c_str(),
      digest_hex(s.digest).c_str());
  return true;
}

void server_datagram(RaceServer& s, std::span<const std::uint8_t> data, const NetAddress& from,
                     double now) {
  if (data.empty()) return;
  if (data.size() > net_max_datagram) data = data.first(net_max_datagram);
  PacketReader in(data);
  const int type = data[0];
  if (type == packet_hello) {
    handle_hello(s, in, from, now);
    return;
  }
  const std::int32_t slot = in.i32();
  const std::int32_t token = in.i32();
  if (!in.ok()) return;
  ServerClient* c = slot >= 0 && slot < max_bikes ? &s.clients[static_cast<size_t>(slot)] : nullptr;
  if (!c || !c->used || c->token != token || !(c->address == from)) {
    // Not ours: tell the sender to stop, within the strangers' rate.
    if (type != packet_ack && stranger_allowed(s, now))
      send(s, from, PacketWriter(packet_disconnected));
    return;
  }
  if (now - c->window >= 1) {
    c->window = now;
    c->window_count = 0;
  }
  if (++c->window_count > server_rate_limit) return;
  c->last_heard = now;
  handle_client_packet(s, *c, type, in, now);
  if (type == packet_disconnect) send(s, from, PacketWriter(packet_disconnected));
}

void server_step(RaceServer& s, double now) {
  std::uint8_t buffer[net_max_datagram];
  NetAddress from;
  for (int n; (n = net_receive_direct(s.socket, buffer, sizeof buffer, from)) >= 0;)
    server_datagram(s, {buffer, static_cast<size_t>(n)}, from, now);
  // Fixed ticks from the time remainder; after a long stall (a stopped
  // process) the clock jumps instead of racing through the backlog.
  if (now - s.clock > 1) s.clock = now;
  while (s.clock <= now) {
    one_tick(s, s.clock);
    s.clock += tick_seconds;
  }
}

void stop_server(RaceServer& s) {
  for (ServerClient& c : s.clients)
    if (c.used) send(s, c.address, PacketWriter(packet_disconnected));
  net_close(s.socket);
  s.socket = -1;
  say(s, "server stopped\n");
}

int server_port(const RaceServer& s) { return net_local_port(s.socket); }

double server_next_tick_in(const RaceServer& s, double now) { return std::max(s.clock - now, 0.0); }
