#include "base/random.h"

#include <gtest/gtest.h>

namespace {

TEST(Random, IsTheStandardMersenneTwister) {
  // The 10000th output of a default-seeded MT19937 is fixed by the C++
  // standard; seeding with 5489 must reproduce it.
  seed_random(5489);
  std::uint32_t last = 0;
  for (int i = 0; i < 10000; ++i) last = random_u32();
  EXPECT_EQ(last, 4123659995u);
}

TEST(Random, DerivedRangesStayInBounds) {
  seed_random(1);
  for (int i = 0; i < 100000; ++i) {
    double u = random_unit();
    double t = random_unit_top();
    double c = random_centered();
    double a = random_angle(2.0);
    ASSERT_TRUE(u >= 0 && u < 1);
    ASSERT_TRUE(t >= 0 && t < 1);
    ASSERT_TRUE(c >= -0.5 && c < 0.5);
    ASSERT_TRUE(a >= 0 && a < 2.0);
  }
}

TEST(Random, ReseedingReplaysTheSequence) {
  seed_random(1234);
  std::uint32_t first = random_u32();
  random_u32();
  seed_random(1234);
  EXPECT_EQ(random_u32(), first);
}

}  // namespace
