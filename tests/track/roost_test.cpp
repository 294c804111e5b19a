// The roost particle slots and the emitter.

#include <cmath>
#include <numbers>

#include <gtest/gtest.h>

#include "base/random.h"
#include "track/roost.h"

namespace {

RoostType dirt(float count) {
  RoostType t;
  t.kind = kRoostDirt;
  t.count = count;
  return t;
}

// A rear wheel of radius 1 at (0, 1, 0) spinning fast backwards while the
// bike stands: slip at the contact, opposite to the body's motion.
RoostWheel spinning_wheel() {
  RoostWheel w;
  w.centre = {0, 1, 0};
  w.point = {0, 0, 0};
  w.normal = {0, 1, 0};
  w.depth = 0.05;
  w.axle = {1, 0, 0};
  w.angular_velocity = {-30, 0, 0};
  w.body_velocity = {0, 0, -1};
  w.point_velocity = w.body_velocity + cross(w.angular_velocity, w.point - w.centre);
  return w;
}

class RoostTest : public ::testing::Test {
 protected:
  void SetUp() override {
    reset_roost_particles(pool);
    seed_random(1234);
  }
  RoostParticlePool pool;
};

TEST_F(RoostTest, PoolFillsAndRefusesTheNext) {
  RoostType t = dirt(1);
  for (int k = 0; k < kRoostParticles; ++k) ASSERT_GE(spawn_roost(pool, {}, {}, 0.1, t), 0);
  EXPECT_EQ(pool.active_count, kRoostParticles);
  EXPECT_EQ(spawn_roost(pool, {1, 2, 3}, {}, 0.1, t), -1);
  EXPECT_EQ(pool.active_count, kRoostParticles);
  // Retiring the head frees exactly that slot for the next spawn.
  int head = pool.active_head;
  retire_roost(pool, head, -1);
  EXPECT_EQ(spawn_roost(pool, {1, 2, 3}, {}, 0.1, t), head);
  reset_roost_particles(pool);
  EXPECT_EQ(pool.active_count, 0);
  EXPECT_EQ(pool.active_head, -1);
  EXPECT_FALSE(pool.slots[5].active);
}

TEST_F(RoostTest, AmountByteIsScaledAndClamped) {
  struct Case {
    double amount;
    int byte;
  } cases[] = {{0.1, 102}, {0.25, 255}, {5, 255}, {-1, 0}, {0, 0}, {NAN, 0}};
  for (const Case& c : cases) {
    int slot = spawn_roost(pool, {}, {}, c.amount, dirt(1));
    EXPECT_EQ(pool.slots[slot].amount, c.byte) << c.amount;
  }
}

TEST_F(RoostTest, BudgetFromDensity) {
  EXPECT_EQ(roost_budget(0), 0);
  EXPECT_EQ(roost_budget(300), 3);
  EXPECT_EQ(roost_budget(5000), 10) << "density is limited to 1000";
  int total = 0;
  for (int k = 0; k < 2000; ++k) total += roost_budget(250);
  EXPECT_NEAR(total / 2000.0, 2.5, 0.1);
}

TEST_F(RoostTest, NothingWithoutContactBudgetOrSlip) {
  SurfaceType s = default_surface();
  s.roost[0] = dirt(5);
  RoostWheel w = spinning_wheel();
  EXPECT_EQ(emit_roost(pool, w, s, 0, 2 * std::numbers::pi, 0), 0) << "no budget";
  RoostWheel air = w;
  air.depth = 0;
  EXPECT_EQ(emit_roost(pool, air, s, 5, 2 * std::numbers::pi, 0), 0) << "no contact";
  RoostWheel rolling = w;
  rolling.point_velocity = {0, 0, -1};
  EXPECT_EQ(emit_roost(pool, rolling, s, 5, 2 * std::numbers::pi, 0), 0) << "slip below 4 ft/s";
  EXPECT_EQ(pool.active_count, 0);
}

TEST_F(RoostTest, DirtLeavesTheTyreBehindTheContact) {
  SurfaceType s = default_surface();
  s.roost[0] = dirt(4);
  s.roost[0].randomize = 0;
  RoostWheel w = spinning_wheel();
  EXPECT_EQ(emit_roost(pool, w, s, 3, std::numbers::pi / 8, 7), 3) << "at most the budget";
  for (int k = pool.active_head; k >= 0; k = pool.slots[k].next) {
    const RoostParticle& p = pool.slots[k];
    // Turned backwards (+z for a bike facing -z) and up from the contact,
    // within the front-wheel limit of pi/8.
    Vec3 arm = p.position - w.centre;
    double angle = std::atan2(arm.z, -arm.y);
    EXPECT_GE(angle, -1e-9);
    EXPECT_LE(angle, std::numbers::pi / 8 + 0.3);
    EXPECT_GT(length(p.velocity), 20) << "thrown with the tyre's surface speed";
    EXPECT_EQ(p.amount, 51) << "min(depth, 0.1) * dig, scaled by 1020";
  }
}

TEST_F(RoostTest, SplashGoesToBothSidesAndNeedsGroundSpeed) {
  SurfaceType s = default_surface();
  s.roost[0].kind = kRoostSplash;
  s.roost[0].count = 4;
  s.roost[0].randomize = 0;
  RoostWheel w = spinning_wheel();
  w.point_velocity = {};  // splash ignores slip
  w.body_velocity = {0, 0, -10};
  ASSERT_EQ(emit_roost(pool, w, s, 4, 2 * std::numbers::pi, 0), 4);
  int left = 0, right = 0;
  for (int k = pool.active_head; k >= 0; k = pool.slots[k].next) {
    const RoostParticle& p = pool.slots[k];
    EXPECT_GE(p.velocity.y, 0);
    (p.velocity.x > 0 ? right : left)++;
  }
  EXPECT_EQ(left, 2);
  EXPECT_EQ(right, 2);
  // Moving straight into the ground there is no direction to splash to.
  reset_roost_particles(pool);
  w.body_velocity = {0, -3, 0};
  EXPECT_EQ(emit_roost(pool, w, s, 4, 2 * std::numbers::pi, 0), 0);
}

TEST_F(RoostTest, SameSeedSameParticles) {
  SurfaceType s = default_surface();
  s.roost[0] = dirt(2.5f);
  RoostParticlePool other;
  reset_roost_particles(other);
  RoostWheel w = spinning_wheel();
  seed_random(99);
  emit_roost(pool, w, s, 10, 2 * std::numbers::pi, 3);
  seed_random(99);
  emit_roost(other, w, s, 10, 2 * std::numbers::pi, 3);
  ASSERT_EQ(pool.active_count, other.active_count);
  for (int k = pool.active_head; k >= 0; k = pool.slots[k].next) {
    EXPECT_EQ(pool.slots[k].position.x, other.slots[k].position.x);
    EXPECT_EQ(pool.slots[k].velocity.z, other.slots[k].velocity.z);
  }
}

TEST_F(RoostTest, ListStopsAtTheFirstUnusedType) {
  SurfaceType s = default_surface();
  s.roost[0] = dirt(1);
  s.roost[2] = dirt(1);  // after an unused one: never reached
  EXPECT_EQ(emit_roost(pool, spinning_wheel(), s, 5, 2 * std::numbers::pi, 0), 1);
}

}  // namespace
