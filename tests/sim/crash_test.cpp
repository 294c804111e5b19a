// Bikes against statues and each other, the collision timer, and the crash
// cycle: released, lying still, reeled back and re-attached.

#include <gtest/gtest.h>

#include <cmath>

#include "riding_scene.h"
#include "sim/crash.h"
#include "sim/steering.h"
#include "sim_fixture.h"

namespace {

constexpr int ticks_per_second = 128;

// Frame and rider shapes only (tests/fixtures/sim/contact).
class ContactShapes : public ::testing::Environment {
  void SetUp() override { use_fixture_data(TAVRIN_FIXTURES "/sim/contact"); }
};
[[maybe_unused]] const auto* shapes = ::testing::AddGlobalTestEnvironment(new ContactShapes);

Vec3 position_of(dBodyID body) {
  const dReal* p = dBodyGetPosition(body);
  return {p[0], p[1], p[2]};
}

bool finite_bike(const Bike& bike) {
  for (dBodyID b : bike.bodies) {
    const dReal* p = dBodyGetPosition(b);
    const dReal* v = dBodyGetLinearVel(b);
    for (int k = 0; k < 3; ++k)
      if (!std::isfinite(p[k]) || !std::isfinite(v[k])) return false;
  }
  return true;
}

void set_bike_velocity(Bike& bike, Vec3 v) {
  for (dBodyID b : bike.bodies) dBodySetLinearVel(b, v.x, v.y, v.z);
}

TEST(Crash, RiderIntoAStatueCrashesLiesStillAndIsBackOn512TicksAfterStopping) {
  RidingScene scene{flat_terrain(8, 4)};
  Bike& bike = scene.add_bike("crf250(2009)", 512, 900);
  // A post at the rider's height straight ahead.
  CollisionShape post{"post", {{{0, 4.5, 0}, 1.5, 1, 25000, 2500}}, 6};
  scene.add_statue(&post, 512, 860);
  scene.run(ticks_per_second / 2);
  set_bike_velocity(bike, {0, 0, -40});
  int crashed_at = -1;
  for (int t = 0; t < 3 * ticks_per_second && crashed_at < 0; ++t) {
    scene.step();
    if (bike.crash_counter > 0) crashed_at = scene.tick;
  }
  ASSERT_GE(crashed_at, 0) << "the rider hit the post";
  EXPECT_EQ(dJointGetBody(bike.joints[joint_rider_mount], 0), nullptr) << "rider released";
  EXPECT_GE(scene.statues[0].last_hit_tick, 0);

  // Wait for him to lie still: the counter starts to fall.
  int still_at = -1;
  for (int t = 0; t < 20 * ticks_per_second && still_at < 0; ++t) {
    scene.step();
    ASSERT_TRUE(finite_bike(bike));
    if (bike.crash_counter < 512) still_at = scene.tick - 1;
  }
  ASSERT_GE(still_at, 0) << "the rider came to rest";
  int back_at = -1;
  for (int t = 0; t < 6 * ticks_per_second && back_at < 0; ++t) {
    scene.step();
    if (bike.crash_counter == 0) back_at = scene.tick;
  }
  // 512 counted ticks; reeling him in may pause the count while it moves
  // him at 2 ft/s or more.
  EXPECT_GE(back_at - still_at, 512);
  EXPECT_LT(back_at - still_at, 768);
  EXPECT_EQ(dJointGetBody(bike.joints[joint_rider_mount], 0), bike.bodies[body_rider]);
  Vec3 rider = position_of(bike.bodies[body_rider]);
  Vec3 frame = position_of(bike.bodies[body_frame]);
  EXPECT_LT(length(rider - frame), 4) << "back on his seat";
  // Loose feet stayed finite and above ground while he was off.
  for (const auto& foot : bike.loose_feet) EXPECT_GE(foot.position.y, 0.2);
}

int contact_joints(dBodyID body) {
  int n = 0;
  for (int i = 0; i < dBodyGetNumJoints(body); ++i)
    if (dJointGetType(dBodyGetJoint(body, i)) == dJointTypeContact) ++n;
  return n;
}

// A statue listed in several scenery buckets under the bike is met once:
// the same contacts as a statue in a single bucket.
TEST(Crash, StatueInSeveralSceneryBucketsIsMetOnce) {
  int contacts[2];
  // The field's centre (512, 512) is where four buckets meet; (560, 560)
  // lies inside one.
  const double places[2] = {512, 560};
  for (int k = 0; k < 2; ++k) {
    SCOPED_TRACE(places[k]);
    RidingScene scene;
    Bike& bike = scene.add_bike("crf250(2009)", places[k], places[k]);
    Vec3 rider = position_of(bike.bodies[body_rider]);
    CollisionShape post{"post", {{{0, rider.y, 0}, 1, 1, 25000, 2500}}, rider.y + 1};
    scene.add_statue(&post, rider.x + 0.5, rider.z);
    environment_contacts(bike, scene.terrain, scene.statues, scene.grid, 1);
    contacts[k] = contact_joints(bike.bodies[body_rider]);
    EXPECT_EQ(scene.statues[0].last_hit_tick, 1);
  }
  EXPECT_GT(contacts[0], 0);
  EXPECT_EQ(contacts[0], contacts[1]);
}

TEST(Crash, RiderOnHisBackCrashesOnlyAboveFiveFeetPerSecond) {
  struct Case {
    double speed;
    bool crashes;
  };
  for (Case c : {Case{4, false}, Case{6, true}}) {
    SCOPED_TRACE(c.speed);
    RidingScene scene;
    Bike& bike = scene.add_bike("crf250(2009)", 256, 256);
    turn_bike(bike, {0, 0, 1}, 3.14159265);  // on his back
    Vec3 rider = position_of(bike.bodies[body_rider]);
    move_bike(bike, Vec3{256, 0.9, 256} - rider);  // his shape dips into the ground
    set_bike_velocity(bike, {0, 0, -c.speed});
    environment_contacts(bike, scene.terrain, scene.statues, scene.grid, 0);
    EXPECT_EQ(bike.crash_counter > 0, c.crashes);
  }
}

TEST(Crash, BikeRolledOntoItsSideCrashes) {
  RidingScene scene;
  Bike& bike = scene.add_bike("crf250(2009)", 256, 256);
  turn_bike(bike, {0, 0, 1}, 2.4);  // over on its side, rider toward the ground
  move_bike(bike, Vec3{256, 0, 256} - position_of(bike.bodies[body_frame]) + Vec3{0, 3, 0});
  set_bike_velocity(bike, {0, -8, -10});
  for (int t = 0; t < 2 * ticks_per_second && bike.crash_counter == 0; ++t) scene.step();
  EXPECT_GT(bike.crash_counter, 0);
  scene.run(ticks_per_second);
  EXPECT_TRUE(finite_bike(bike));
}

TEST(Crash, LandingThatStopsTheRiderDeadCrashesHim) {
  RidingScene scene;
  Bike& bike = scene.add_bike("crf250(2009)", 256, 256);
  scene.run(8);
  ControlContext c = scene.context();
  // 45 ft/s four ticks ago, stopped now: about 1440 ft/s^2.
  bike.rider_velocity_ring[c.tick & 3] = {0, -45, 0};
  EXPECT_TRUE(crash_tests(bike, c.tick));
  EXPECT_EQ(bike.crash_counter, 512);
}

class BikeContacts : public ::testing::Test {
 protected:
  RidingScene scene;
  Bike* a = nullptr;
  Bike* b = nullptr;
  // Shapes put on single parts by a test: one sphere each.
  CollisionShape shape_a, shape_b;

  void SetUp() override {
    a = &scene.add_bike("crf250(2009)", 100, 100);
    b = &scene.add_bike("crf250(2009)", 103, 100);  // side by side, 3 ft apart
    set_bike_velocity(*a, {0, 0, -20});
    set_bike_velocity(*b, {0, 0, -20});
  }
  // Gives `part` of `bike` a sphere of radius r at the world point p.
  void sphere_at(Bike& bike, int part, CollisionShape& shape, Vec3 p, double r) {
    dVector3 local;
    dBodyGetPosRelPoint(bike.bodies[part], p.x, p.y, p.z, local);
    shape.spheres = {{{local[0], local[1], local[2]}, r, 1, 2500, 250}};
    shape.bounding_radius = length(Vec3{local[0], local[1], local[2]}) + r;
    bike.shapes[part] = {&shape, shape.spheres};
  }
};

TEST_F(BikeContacts, SwingarmsTouchingChangeNoTimer) {
  Vec3 mid = (position_of(a->bodies[body_swingarm]) + position_of(b->bodies[body_swingarm])) / 2.0;
  sphere_at(*a, body_swingarm, shape_a, mid, 0.3);
  sphere_at(*b, body_swingarm, shape_b, mid + Vec3{0.2, 0, 0}, 0.3);
  EXPECT_TRUE(bike_contacts(*a, *b, false, 7));
  EXPECT_EQ(a->collision_timer, 0);
  EXPECT_EQ(b->collision_timer, 0);
  EXPECT_EQ(a->last_collision_tick, 7);
  EXPECT_EQ(b->last_collision_tick, 7);
}

// Bikes far apart are passed over as a whole; a part whose shape reaches
// far from its bike must still meet the other bike, and a near miss must
// still miss.
TEST_F(BikeContacts, PartReachingFarOutMeetsABikeFifteenFeetAway) {
  move_bike(*b, {12, 0, 0});  // frames 15 ft apart
  for (double gap : {0.5, 0.7}) {
    SCOPED_TRACE(gap);
    Vec3 p = position_of(a->bodies[body_frame]) + Vec3{7.5, 0, 0};
    sphere_at(*a, body_rider, shape_a, p, 0.3);
    sphere_at(*b, body_frame, shape_b, p + Vec3{gap, 0, 0}, 0.3);
    a->last_collision_tick = b->last_collision_tick = -1;
    EXPECT_EQ(bike_contacts(*a, *b, false, 9), gap < 0.6);
    EXPECT_EQ(b->last_collision_tick, gap < 0.6 ? 9 : -1);
  }
}

TEST_F(BikeContacts, RammingBikeLosesItsAidsForAWhile) {
  // B's frame reaches into the tread of A's front tyre.
  const WheelContact& w = a->front_contact;
  Vec3 tread =
      position_of(a->bodies[body_front_wheel]) + Vec3{0, 0, -double(w.core_radius) - w.tube_radius};
  sphere_at(*b, body_frame, shape_b, tread, 0.3);
  EXPECT_TRUE(bike_contacts(*a, *b, false, 3));
  EXPECT_EQ(a->collision_timer, 256);
  EXPECT_EQ(b->collision_timer, 0);
  // Reversed steering help while above 192, limited below it, gone by 0.
  ControlContext c = scene.context();
  for (int t = 0; t < 64; ++t) {
    c.tick = ++scene.tick;
    control_step(*a, c);
    dJointGroupEmpty(scene.world.contacts);
  }
  EXPECT_EQ(a->collision_timer, 192);
}

// The rammer's stability torque: reversed in full from a timer of 256,
// limited to +-200 x (192 - timer) / 192 below 192, whole at 0.
TEST_F(BikeContacts, CollisionTimerReversesThenLimitsTheStabilityTorque) {
  struct Case {
    float timer;
    double roll_rate;
    double torque;  // (roll damping x roll rate, limited) x 1.5
  };
  const Case cases[] = {
      {0, 1, 60 * 1.5},   {256, 1, -60 * 1.5}, {224, 1, -0.5 * 60 * 1.5},
      {96, 5, 100 * 1.5}, {0, 5, 400},  // the max steering force
  };
  Bike& bike = *a;
  bike.stability.slow_damping_speed = 0;  // no slow-speed boost in the figures
  for (const Case& c : cases) {
    SCOPED_TRACE(c.timer);
    dBodySetAngularVel(bike.bodies[body_frame], 0, 0, c.roll_rate);
    dBodySetAngularVel(bike.bodies[body_front_wheel], 10, 0, c.roll_rate);
    for (int i = 0; i < bike_body_count; ++i)
      if (i != body_front_wheel) dBodySetAngularVel(bike.bodies[i], 0, 0, c.roll_rate);
    bike.front_contact.depth = 0.1f;  // on the ground, wheel turning
    bike.landing_factor = 1;
    bike.collision_timer = c.timer;
    EXPECT_NEAR(steering_step(bike), c.torque, 1e-6);
  }
}

TEST_F(BikeContacts, ThirdBikeInTheSameTickPushesWithLimitedForces) {
  Vec3 mid = (position_of(a->bodies[body_frame]) + position_of(b->bodies[body_frame])) / 2.0;
  sphere_at(*a, body_frame, shape_a, mid, 1.6);
  sphere_at(*b, body_frame, shape_b, mid + Vec3{0.2, 0, 0}, 1.6);
  b->last_collision_tick = 5;  // B already met another bike this tick
  EXPECT_TRUE(bike_contacts(*a, *b, false, 5));
  const dReal* fa = dBodyGetForce(a->bodies[body_frame]);
  const dReal* fb = dBodyGetForce(b->bodies[body_frame]);
  EXPECT_LE(std::fabs(fa[0]), 1000 + 1e-9);
  EXPECT_NEAR(fa[0], -fb[0], 1e-9);
  EXPECT_LT(fa[0], 0) << "A pushed away from B";
}

TEST(Crash, BikesSpawnedInsideEachOtherPushApartWithoutNaN) {
  RidingScene scene;
  Bike& a = scene.add_bike("crf250(2009)", 256, 256);
  Bike& b = scene.add_bike("crf250(2009)", 256.5, 256.3);
  set_bike_velocity(a, {3, 0, -30});
  set_bike_velocity(b, {-3, 0, -30});
  scene.run(2 * ticks_per_second);
  EXPECT_TRUE(finite_bike(a));
  EXPECT_TRUE(finite_bike(b));
  Vec3 d = position_of(a.bodies[body_rider]) - position_of(b.bodies[body_rider]);
  EXPECT_GT(length(d), 1.5) << "the riders were pushed apart";
}

}  // namespace

namespace {

// A bike stopped on its foot, leaning, turned about the vertical toward a
// guide point behind it at pi/2 rad/s; the other way for a point on the
// other side.
TEST(FootDown, StoppedBikeOnItsFootTurnsTowardTheGuidePoint) {
  for (double side : {-1.0, 1.0}) {
    SCOPED_TRACE(side);
    RidingScene scene;
    Bike& bike = scene.add_bike("crf250(2009)", 256, 256);
    scene.run(64);
    Vec3 centre = position_of(bike.bodies[body_frame]);
    turn_bike(bike, {0, 0, 1}, 0.6);
    move_bike(bike, centre - position_of(bike.bodies[body_frame]) + Vec3{0, 0.3, 0});
    int asked = 0;
    ControlContext c = scene.context();
    c.may_turn_when_stopped = [&](Bike&) { return ++asked, true; };
    c.guide_point = [&](const Bike&) { return centre + Vec3{10 * side, 0, 30}; };
    double yaw = 0;
    for (int t = 0; t < 16; ++t) {
      for (Bike* b : scene.bikes)
        environment_contacts(*b, scene.terrain, scene.statues, scene.grid, scene.tick);
      step_world(scene.world);
      c.tick = ++scene.tick;
      control_step(bike, c);
      yaw = dBodyGetAngularVel(bike.bodies[body_frame])[1];
    }
    EXPECT_GT(asked, 0);
    // Lateral >= 0 (the point to the bike's right, +x) turns at -pi/2.
    EXPECT_NEAR(yaw, side > 0 ? -1.5707963 : 1.5707963, 0.1);
  }
}

}  // namespace
