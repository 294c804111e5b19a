#include "base/ripemd160.h"

#include <cstdio>

Ripemd160::Ripemd160() { ripemd160_init(&ctx); }

void Ripemd160::update(const void* data, std::size_t size) {
  ripemd160_update(&ctx, size, static_cast<const std::uint8_t*>(data));
}

Ripemd160Digest Ripemd160::finish() {
  Ripemd160Digest digest;
  ripemd160_digest(&ctx, digest.size(), digest.data());
  return digest;
}

Ripemd160Digest ripemd160(const void* data, std::size_t size) {
  Ripemd160 hash;
  hash.update(data, size);
  return hash.finish();
}

std::string digest_hex(const Ripemd160Digest& digest) {
  std::string text;
  char pair[3];
  for (std::uint8_t byte : digest) {
    std::snprintf(pair, sizeof pair, "%02x", byte);
    text += pair;
  }
  return text;
}
