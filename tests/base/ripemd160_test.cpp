#include "base/ripemd160.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct Vector {
  std::string message;
  const char* digest;
};

// The published test vectors of the RIPEMD-160 authors.
const Vector kVectors[] = {
    {"", "9c1185a5c5e9fc54612808977ee8f548b2258d31"},
    {"a", "0bdc9d2d256b3ee9daae347be6f4dc835a467ffe"},
    {"abc", "8eb208f7e05d987a9b044a8e98c6b087f15a0bfc"},
    {"message digest", "5d0689ef49d2fae572b881b123a85ffa21595f36"},
    {"abcdefghijklmnopqrstuvwxyz", "f71c27109c692c1b56bbdceb5b9d2865b3708dbc"},
    {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
     "12a053384a9c0c88e405a06c27dcf49ada62eb2b"},
    {std::string(1000000, 'a'), "52783243c1697bdbe16d37f97f68f08325dc1528"},
};

TEST(Ripemd160, MatchesPublishedVectors) {
  for (const Vector& v : kVectors) {
    EXPECT_EQ(digest_hex(ripemd160(v.message.data(), v.message.size())), v.digest)
        << "message of " << v.message.size() << " bytes";
  }
}

TEST(Ripemd160, IncrementalEqualsOneShot) {
  std::string text = "The quick brown fox jumps over the lazy dog, again and again.";
  Ripemd160 hash;
  for (char c : text) hash.update(&c, 1);
  EXPECT_EQ(hash.finish(), ripemd160(text.data(), text.size()));
}

}  // namespace
