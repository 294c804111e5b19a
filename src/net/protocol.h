#pragma once
// The race protocol shared by the client (net_client.h) and tavrin-server:
// packet types, versions and sizes, the rider information text and the
// password proof. Packet layouts are described where they are built and
// read (net_client.cpp, server/race_server.h).

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "sim/bike.h"

constexpr int net_default_port = 19800;
constexpr int net_client_version = 10;  // sent in the hello
constexpr int net_server_version = 4;   // sent in the welcome
// Longest datagram either side reads; longer ones are cut to this.
constexpr std::size_t net_max_datagram = 1023;
constexpr std::size_t net_state_record = 47;  // one rider in a states packet
constexpr std::size_t net_state_header = 17;  // states packet before its records
// Most records one states packet carries within net_max_datagram.
constexpr int net_states_per_packet =
    static_cast<int>((net_max_datagram - net_state_header) / net_state_record);
constexpr std::size_t net_reliable_body = 484;  // most bytes of a reliable message body
// Room for the rider information text: in a reliable message and in the
// client info packet.
constexpr std::size_t rider_info_reliable_limit = 465;
constexpr std::size_t rider_info_packet_limit = 982;
constexpr int net_no_slot = 40;  // slot, race slot and bike_ack sentinel

// Packet types (first byte). Client to server:
enum ClientPacket : int {
  packet_hello = 0,
  packet_client_info = 3,
  packet_track_ack = 5,
  packet_bike_ack = 7,
  packet_ready = 9,
  packet_state = 11,
  packet_restart_request = 13,
  packet_restart_ack = 14,
  packet_disconnect = 15,
  packet_reliable = 17,
  packet_ack = 18,
};
// Server to client (11, 13 to 18 share numbers with the client's).
enum ServerPacket : int {
  packet_server_full = 1,
  packet_welcome = 2,
  packet_track = 4,
  packet_bike = 6,
  packet_start = 8,
  packet_time = 10,
  packet_states = 11,
  packet_server_value = 13,
  packet_restart = 14,
  packet_disconnected = 15,
  packet_text = 16,
};
// Kinds of reliable messages.
enum ReliableKind : int {
  reliable_client_info = 3,  // client: the rider information text
  reliable_text = 19,        // server: a text shown to the user
  reliable_gate = 21,        // client: one crossing; server: crossings of riders
  reliable_option = 24,      // server: an option text ("no_arcade")
};

// What one rider races with, as carried by the rider information text:
// "%s|%s|%s|%s|%s\n%s\n%s" = model|body|bike|wheel|head, number, name.
// Graphic names are empty for the model's default variant.
struct RiderInfo {
  std::string model;
  BikeTextureChoice textures;  // rider_body, bike, wheels, helmet
  std::string number;          // at most 3 characters when read
  std::string name;
};

// The text for `info`; when it would be longer than `limit` bytes the
// short form "model\nnumber\nname" is used, cut to `limit` if even that is
// too long.
std::string format_rider_info(const RiderInfo& info, std::size_t limit);

// Reads a rider information text: before the first newline the model and
// up to four graphic names split by '|', the number (at most 3
// characters) after it, the name after the second (up to the next
// newline). Missing parts are empty.
RiderInfo parse_rider_info(std::string_view text);

// The password proof of the client info packet: RIPEMD-160 over the
// password's bytes and the 4 token bytes (little-endian), digest bytes 3,
// 2, 1, 0 in that order. Four zero bytes without a password.
std::array<std::uint8_t, 4> password_proof(std::string_view password, std::int32_t token);
