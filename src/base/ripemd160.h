#pragma once
// RIPEMD-160, the published hash: used for the game-data check, the track
// hash, the server password proof and the height digest.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include <nettle/ripemd160.h>

using Ripemd160Digest = std::array<std::uint8_t, 20>;

// Incremental hashing: feed any number of byte runs, then finish once.
struct Ripemd160 {
  ripemd160_ctx ctx;
  Ripemd160();
  void update(const void* data, std::size_t size);
  Ripemd160Digest finish();
};

Ripemd160Digest ripemd160(const void* data, std::size_t size);

// Forty lower-case hexadecimal digits, first digest byte first.
std::string digest_hex(const Ripemd160Digest& digest);
