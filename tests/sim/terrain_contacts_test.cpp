// A bike's terrain contacts: the tyre and shape contacts it makes, what it
// records, rolling resistance, mishap and crash reports, and a bike coming
// to rest on its tyres.

#include "sim/terrain_contacts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>

#include "sim/assembly.h"
#include "sim/control_step.h"
#include "sim/world.h"
#include "sim_fixture.h"

namespace {

constexpr double pi = std::numbers::pi;

class FixtureData : public ::testing::Environment {
  void SetUp() override { use_fixture_data(TAVRIN_FIXTURES "/sim/contact"); }
};
[[maybe_unused]] const auto* fixture_data = ::testing::AddGlobalTestEnvironment(new FixtureData);

// A flat field of 33 x 33 samples 2 ft apart at height h, one surface.
Terrain flat_terrain(float h, SurfaceType surface = default_surface()) {
  Terrain t;
  set_height_field_geometry(t.field, 4, 2);
  t.field.heights.assign(static_cast<size_t>(t.field.size) * t.field.size, h);
  t.surfaces = {surface};
  t.tile_map.n = 16;
  t.tile_map.tile_size = 4;
  t.tile_map.tiles.assign(16 * 16, 0);
  return t;
}

Vec3 position_of(dBodyID body) {
  const dReal* p = dBodyGetPosition(body);
  return {p[0], p[1], p[2]};
}

Vec3 force_on(dBodyID body) {
  const dReal* f = dBodyGetForce(body);
  return {f[0], f[1], f[2]};
}

void set_rotation(dBodyID body, Vec3 axis, double angle) {
  dMatrix3 R;
  dRFromAxisAndAngle(R, axis.x, axis.y, axis.z, angle);
  dBodySetRotation(body, R);
}

class TerrainContacts : public SimTest {
 protected:
  // The bike moved to the middle of the field.
  Bike& centred_bike() {
    Bike& bike = make_bike();
    move_bike(bike, {30, 0, 30});
    return bike;
  }
  // Contacts made and thrown away again, as the start procedure does.
  int probe(Bike& bike, const Terrain& terrain) {
    int result = terrain_contacts(bike, terrain);
    dJointGroupEmpty(world_.contacts);
    return result;
  }
};

TEST(TyreSpring, StiffensWithTheCubeOfTheCompression) {
  struct Case {
    double depth, tube, kp, kd;
  } cases[] = {
      {0, 0.333333, 1000, 200},
      {0.1666665, 0.333333, 4000, 487.5},
      {0.333333, 0.333333, 25000, 2500},
      {2, 0.333333, 25000, 2500},  // sunk tyres stop stiffening
      {0.1, 0, 25000, 2500},       // no tube: fully compressed
  };
  for (const Case& c : cases) {
    ContactSpring s = tyre_spring(c.depth, c.tube);
    EXPECT_NEAR(s.kp, c.kp, 1e-9) << c.depth;
    EXPECT_NEAR(s.kd, c.kd, 1e-9) << c.depth;
  }
}

TEST_F(TerrainContacts, ArcadeGripFallsWithLean) {
  Bike& bike = make_bike();
  dBodyID frame = bike.bodies[body_frame];
  struct Case {
    double lean;  // about the forward axis, rad
    double arcade, normal;
  } cases[] = {
      {0, 1, 1}, {pi / 8, 0.8125, 1}, {pi / 4, 0.625, 1}, {-pi / 4, 0.625, 1}, {pi / 3, 0.625, 1},
  };
  for (const Case& c : cases) {
    set_rotation(frame, {0, 0, 1}, c.lean);
    bike.flags = flag_arcade;
    EXPECT_NEAR(tyre_grip(bike), c.arcade, 1e-9) << c.lean;
    bike.flags = 0;
    EXPECT_EQ(tyre_grip(bike), c.normal);
  }
}

TEST_F(TerrainContacts, RollAngleIsNegativeLeaningTowardPlusX) {
  Bike& bike = make_bike();
  dBodyID frame = bike.bodies[body_frame];
  // Turning about +z by -0.3 tips the frame's up axis toward +x.
  set_rotation(frame, {0, 0, 1}, -0.3);
  EXPECT_NEAR(frame_roll_angle(bike), -0.3, 1e-9);
  // Heading does not matter: face along +x and lean the same way.
  dMatrix3 yaw, lean, both;
  dRFromAxisAndAngle(yaw, 0, 1, 0, pi / 2);
  dRFromAxisAndAngle(lean, 0, 0, 1, 0.3);
  dMultiply0(both, yaw, lean, 3, 3, 3);
  dBodySetRotation(frame, both);
  EXPECT_NEAR(std::fabs(frame_roll_angle(bike)), 0.3, 1e-9);
  // Nose straight down: no horizontal forward direction.
  set_rotation(frame, {1, 0, 0}, pi / 2);
  EXPECT_EQ(frame_roll_angle(bike), 0);
}

TEST_F(TerrainContacts, RecordsTheWheelContactsAndLiftsClear) {
  Bike& bike = centred_bike();
  Terrain terrain = flat_terrain(0);
  // At the model positions the front tyre (centre 1.09 ft up, reach
  // 0.833333 + 0.333333) dips into ground at 0.
  EXPECT_NE(probe(bike, terrain) & terrain_touched, 0);
  const WheelContact& front = bike.front_contact;
  EXPECT_NEAR(front.depth, 0.833333 + 0.333333 - 1.09, 1e-5);
  EXPECT_NEAR(front.normal.y, 1, 1e-6);
  EXPECT_NEAR(front.point.z, 30 + 1.11, 1e-5);
  EXPECT_NEAR(length(front.point_velocity), 0, 1e-9);
  // The rear tyre reaches 1.083333 below a centre at 1.04.
  EXPECT_NEAR(bike.rear_contact.depth, 0.75 + 0.333333 - 1.04, 1e-5);
  EXPECT_EQ(bike.mishap, 0);

  // Lifted by a tenth of a foot nothing touches, and the depths say so.
  move_bike(bike, {0, 0.1, 0});
  EXPECT_EQ(probe(bike, terrain), 0);
  EXPECT_EQ(bike.front_contact.depth, 0);
  EXPECT_EQ(bike.rear_contact.depth, 0);
}

TEST_F(TerrainContacts, RollingResistanceFromLightToFullLoad) {
  Bike& bike = centred_bike();
  dBodyID rear = bike.bodies[body_rear_wheel];
  const double tube = 0.333333, reach = 0.75 + tube;
  struct Case {
    double depth, speed, force;
  } cases[] = {
      {0.001, 10, 5 + 10 * 0.001 / tube},  // light load: about 5 lb
      {tube, 10, 15},                      // full compression: 15 lb
      {tube, 0.5, 7.5},                    // below 1 ft/s it shrinks with the speed
      {tube, 0, 0},
  };
  for (const Case& c : cases) {
    // Only the rear tyre on the ground: a field just under it.
    Terrain terrain = flat_terrain(static_cast<float>(1.04 - reach + c.depth));
    dBodySetLinearVel(rear, 0, 0, -c.speed);
    dBodySetForce(rear, 0, 0, 0);
    probe(bike, terrain);
    ASSERT_NEAR(bike.rear_contact.depth, c.depth, 1e-5);
    Vec3 f = force_on(rear);
    EXPECT_NEAR(f.z, c.force, 1e-3) << c.depth << " " << c.speed;
    EXPECT_NEAR(f.x, 0, 1e-9);
    EXPECT_NEAR(f.y, 0, 1e-9);
  }
}

TEST_F(TerrainContacts, SurfaceUnderTheContactPointSetsTheRollingResistance) {
  // Two surfaces: the default, and sand dragging 40 lb at any load. The
  // sand tile lies under the rear tyre only (rear contact near z = 36 is in
  // tile row 9, the front one near z = 31.1 in row 7).
  SurfaceType sand = default_surface();
  sand.roll_resist[0] = {40, 40, 1};
  Terrain terrain = flat_terrain(0);
  terrain.surfaces.push_back(sand);
  for (int tx = 0; tx < 16; ++tx) terrain.tile_map.tiles[9 * 16 + tx] = 1;
  Bike& bike = centred_bike();
  dBodySetLinearVel(bike.bodies[body_front_wheel], 0, 0, -10);
  dBodySetLinearVel(bike.bodies[body_rear_wheel], 0, 0, -10);
  probe(bike, terrain);
  ASSERT_GT(bike.rear_contact.depth, 0);
  EXPECT_NEAR(force_on(bike.bodies[body_rear_wheel]).z, 40, 1e-9);
  double k = bike.front_contact.depth / 0.333333;
  EXPECT_NEAR(force_on(bike.bodies[body_front_wheel]).z, 5 + 10 * k, 1e-3);
}

TEST_F(TerrainContacts, BodyPartOnTheGroundIsAMishap) {
  Bike& bike = centred_bike();
  // Ground up to the frame's centre: the frame's spheres touch.
  Terrain terrain = flat_terrain(1.98f);
  EXPECT_NE(probe(bike, terrain) & terrain_touched, 0);
  EXPECT_EQ(bike.mishap, 1);
  // The shape copy holds the spheres' world centres.
  ASSERT_EQ(bike.shapes[body_frame].spheres.size(), 2u);
  // (Model positions are 32-bit floats.)
  EXPECT_NEAR(bike.shapes[body_frame].spheres[1].centre.y, 1.98 - 0.2, 1e-6);
  EXPECT_NEAR(bike.shapes[body_frame].spheres[1].centre.z, 30 + 3.6 + 0.8, 1e-6);
  // An accounted mishap stays accounted.
  bike.mishap = 2;
  probe(bike, terrain);
  EXPECT_EQ(bike.mishap, 2);
  // Tyres alone are no mishap.
  bike.mishap = 0;
  probe(bike, flat_terrain(0));
  EXPECT_EQ(bike.mishap, 0);
}

TEST_F(TerrainContacts, RiderLandingUpsideDownFastCrashes) {
  struct Case {
    const char* name;
    double turn;   // rider body about z, rad
    double speed;  // ft/s
    int crash_counter;
    float collision_timer;
    bool crash;
  } cases[] = {
      {"upside down at 6 ft/s", pi, 6, 0, 0, true},
      {"upside down at 4 ft/s", pi, 4, 0, 0, false},
      {"on his side (up axis level)", pi / 2, 6, 0, 0, false},
      {"upright at 6 ft/s", 0, 6, 0, 0, false},
      {"already crashed", pi, 6, 10, 0, false},
      {"negative collision timer", pi, 6, 0, -1, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bike& bike = centred_bike();
    dBodyID rider = bike.bodies[body_rider];
    set_rotation(rider, {0, 0, 1}, c.turn);
    dBodySetLinearVel(rider, c.speed, 0, 0);
    bike.crash_counter = c.crash_counter;
    bike.collision_timer = c.collision_timer;
    // Ground at the rider's centre (4.5 ft): his sphere touches.
    int result = probe(bike, flat_terrain(4.5f));
    EXPECT_NE(result & terrain_touched, 0);
    EXPECT_EQ((result & terrain_rider_crash) != 0, c.crash);
  }
}

TEST_F(TerrainContacts, BrokenBodyMakesNoContactAndNoNaN) {
  Bike& bike = centred_bike();
  double nan = std::nan("");
  for (int b = 0; b < bike_body_count; ++b) dBodySetPosition(bike.bodies[b], nan, nan, nan);
  EXPECT_EQ(probe(bike, flat_terrain(0)), 0);
  EXPECT_EQ(bike.front_contact.depth, 0);
  EXPECT_EQ(bike.rear_contact.depth, 0);
}

// The start procedure's lift: up in small steps until nothing touches.
void lift_clear(Bike& bike, const Terrain& terrain, PhysicsWorld& world) {
  for (int i = 0; i < 1000; ++i) {
    int touching = terrain_contacts(bike, terrain);
    dJointGroupEmpty(world.contacts);
    if (!touching) return;
    move_bike(bike, {0, 0.01, 0});
  }
}

TEST_F(TerrainContacts, BikeLoweredOntoFlatGroundComesToRestOnItsTyres) {
  Bike& bike = centred_bike();
  Terrain terrain = flat_terrain(0);
  lift_clear(bike, terrain, world_);
  double frame_start = position_of(bike.bodies[body_frame]).y;

  ControlContext context;
  context.terrain = &terrain;
  auto tick = [&] {
    terrain_contacts(bike, terrain);
    step_world(world_);
    ++context.tick;
    control_step(bike, context);
  };
  for (int i = 0; i < 3 * 128; ++i) tick();
  Vec3 settled = position_of(bike.bodies[body_frame]);
  for (int i = 0; i < 2 * 128; ++i) tick();
  Vec3 frame = position_of(bike.bodies[body_frame]);

  // Both tyres carry the bike, pressed into the ground (their sag), and
  // nothing else touches.
  EXPECT_GT(bike.front_contact.depth, 0.001);
  EXPECT_GT(bike.rear_contact.depth, 0.001);
  EXPECT_LT(bike.front_contact.depth, 0.333333);
  EXPECT_LT(bike.rear_contact.depth, 0.333333);
  EXPECT_EQ(bike.mishap, 0);
  double load = bike.front_contact.feedback.f1[1] + bike.rear_contact.feedback.f1[1];
  EXPECT_NEAR(load, bike.total_mass * 32, bike.total_mass * 32 * 0.01);
  EXPECT_GT(bike.front_contact.feedback.f1[1], 0);
  EXPECT_GT(bike.rear_contact.feedback.f1[1], 0);

  // The suspension sags without bottoming.
  double fork = dJointGetSliderPosition(bike.joints[joint_fork_slide]);
  double arm = dJointGetHingeAngle(bike.joints[joint_swingarm_pivot]);
  EXPECT_LT(fork, -0.05);
  EXPECT_GT(fork, -0.9);
  EXPECT_LT(arm, -0.05);
  EXPECT_GT(arm, -0.5);
  // The frame sank from where it first touched, and stays put upright.
  EXPECT_LT(frame.y, frame_start - 0.01);
  EXPECT_NEAR(frame.x, settled.x, 1e-3);
  EXPECT_NEAR(frame.y, settled.y, 1e-3);
  EXPECT_NEAR(frame.z, settled.z, 1e-3);
  EXPECT_NEAR(frame_roll_angle(bike), 0, 1e-3);
  for (int b = 0; b < bike_body_count; ++b) {
    const dReal* v = dBodyGetLinearVel(bike.bodies[b]);
    EXPECT_LT(std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]), 0.01) << "body " << b;
  }
}

}  // namespace
