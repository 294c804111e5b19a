// The bike's bodies, masses, inertias, joints and the operations that place
// a whole bike.

#include "sim/assembly.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>

#include "platform/messages.h"
#include "sim/drivetrain.h"
#include "sim_fixture.h"

namespace {

constexpr double pi = std::numbers::pi;

class FixtureData : public ::testing::Environment {
  void SetUp() override { use_fixture_data(TAVRIN_FIXTURES "/sim/shapes"); }
};
[[maybe_unused]] const auto* fixture_data = ::testing::AddGlobalTestEnvironment(new FixtureData);

dMass mass_of(dBodyID body) {
  dMass m;
  dBodyGetMass(body, &m);
  return m;
}

Vec3 position_of(dBodyID body) {
  const dReal* p = dBodyGetPosition(body);
  return {p[0], p[1], p[2]};
}

// Diagonal inertia turned about x by angle a: R diag R^T.
struct Inertia {
  double xx, yy, zz, yz;
};
Inertia turned_about_x(double ixx, double iyy, double izz, double a) {
  double c = std::cos(a), s = std::sin(a);
  return {ixx, c * c * iyy + s * s * izz, s * s * iyy + c * c * izz, c * s * (iyy - izz)};
}

void expect_inertia(const dMass& m, Inertia want) {
  // ODE keeps I as 3 rows of 4.
  EXPECT_NEAR(m.I[0], want.xx, 1e-9);
  EXPECT_NEAR(m.I[5], want.yy, 1e-9);
  EXPECT_NEAR(m.I[10], want.zz, 1e-9);
  EXPECT_NEAR(m.I[6], want.yz, 1e-9);
  EXPECT_NEAR(m.I[9], want.yz, 1e-9);
  EXPECT_NEAR(m.I[1], 0, 1e-9);
  EXPECT_NEAR(m.I[2], 0, 1e-9);
}

class AssemblyTest : public SimTest {};

TEST_F(AssemblyTest, WorldGravityAndOneContactGroupEmptiedEachStep) {
  Bike& bike = make_bike();
  dVector3 g;
  dWorldGetGravity(world_.world, g);
  EXPECT_EQ(g[0], 0);
  EXPECT_EQ(g[1], -32);
  EXPECT_EQ(g[2], 0);
  dBodyID frame = bike.bodies[body_frame];
  int own = dBodyGetNumJoints(frame);  // steering head, swingarm pivot, rider mount
  EXPECT_EQ(own, 3);
  dContact contact{};
  contact.geom.normal[1] = 1;
  set_soft_contact(contact.surface, 2500, 250);
  dJointAttach(dJointCreateContact(world_.world, world_.contacts, &contact), frame, nullptr);
  EXPECT_EQ(dBodyGetNumJoints(frame), own + 1);
  step_world(world_);
  EXPECT_EQ(dBodyGetNumJoints(frame), own);
}

TEST(SoftContact, SpringAndDamperBecomeErpAndCfmForTheStep) {
  double h = 1.0 / 128;
  EXPECT_DOUBLE_EQ(soft_erp(2500, 250), h * 2500 / (h * 2500 + 250));
  EXPECT_DOUBLE_EQ(soft_cfm(2500, 250), 1 / (h * 2500 + 250));
  dSurfaceParameters surface{};
  surface.mode = dContactApprox1;
  set_soft_contact(surface, 25000, 2500);
  EXPECT_EQ(surface.mode, dContactApprox1 | dContactSoftERP | dContactSoftCFM);
  EXPECT_DOUBLE_EQ(surface.soft_erp, soft_erp(25000, 2500));
}

TEST_F(AssemblyTest, BodyMassesFollowTheModel) {
  for (const char* name : {"crf250(2009)", "cr125", "rs50yz"}) {
    SCOPED_TRACE(name);
    Bike& bike = make_bike(name);
    const BikeModel& m = bike.model;
    const auto& b = bike.bodies;
    double rider = m.rider_mass / 3.0f;
    EXPECT_NEAR(mass_of(b[body_frame]).mass, m.frame_mass + (1 - 1.0f / 3) * m.rider_mass, 1e-6);
    EXPECT_NEAR(mass_of(b[body_rider]).mass, rider, 1e-6);
    EXPECT_NEAR(mass_of(b[body_front_wheel]).mass, 0.15625 + 0.40625, 1e-9);
    EXPECT_NEAR(mass_of(b[body_rear_wheel]).mass, 0.3125 + 0.46875, 1e-9);
    EXPECT_NEAR(mass_of(b[body_fork_upper]).mass, m.fork_mass, 1e-9);
    EXPECT_NEAR(mass_of(b[body_fork_lower]).mass, m.fork_mass, 1e-9);
    // Each of the swingarm's two boxes carries the whole swingarm mass.
    EXPECT_NEAR(mass_of(b[body_swingarm]).mass, 2 * m.swingarm_mass, 1e-9);
    EXPECT_NEAR(
        bike.total_mass,
        m.frame_mass + m.rider_mass + 0.5625 + 0.78125 + 2 * m.fork_mass + 2 * m.swingarm_mass,
        1e-5);
  }
}

TEST_F(AssemblyTest, InertiasOfFrameWheelsForkAndSwingarm) {
  Bike& bike = make_bike();
  const BikeModel& m = bike.model;

  double fm = m.frame_mass + (2.0 / 3) * m.rider_mass;
  Vec3 s = to_vec3(m.frame_size);
  expect_inertia(mass_of(bike.bodies[body_frame]),
                 {fm / 12 * (s.y * s.y + s.z * s.z), fm / 12 * (s.x * s.x + s.z * s.z),
                  fm / 12 * (s.x * s.x + s.y * s.y), 0});

  // Hub sphere plus 16 rim spheres evenly round the axle (x).
  auto wheel = [](double hub_m, double hub_r, double rim_m, double rim_r, double tyre_r) {
    double hub = 0.4 * hub_m * hub_r * hub_r;
    double own = 0.4 * rim_m * tyre_r * tyre_r;
    return Inertia{hub + own + rim_m * rim_r * rim_r, hub + own + rim_m * rim_r * rim_r / 2,
                   hub + own + rim_m * rim_r * rim_r / 2, 0};
  };
  expect_inertia(mass_of(bike.bodies[body_front_wheel]),
                 wheel(m.front_hub_mass, m.front_hub_radius, m.front_rim_mass, m.front_rim_radius,
                       m.front_tyre_radius));
  expect_inertia(mass_of(bike.bodies[body_rear_wheel]),
                 wheel(m.rear_hub_mass, m.rear_hub_radius, m.rear_rim_mass, m.rear_rim_radius,
                       m.rear_tyre_radius));

  // Two legs along y at x = +-w/2, turned onto the steering axis.
  double leg_m = m.fork_mass / 2.0, a = m.fork_width / 8.0, len = m.fork_length * 2.0 / 3;
  double w2 = m.fork_width / 2.0;
  double perp = leg_m * (3 * a * a + len * len) / 12;
  double along = leg_m * a * a / 2;
  double rake =
      std::atan((m.steer_pos.z - m.fork_lower_pos.z) / (m.steer_pos.y - m.fork_lower_pos.y));
  Inertia fork =
      turned_about_x(2 * perp, 2 * (along + leg_m * w2 * w2), 2 * (perp + leg_m * w2 * w2), rake);
  expect_inertia(mass_of(bike.bodies[body_fork_upper]), fork);
  expect_inertia(mass_of(bike.bodies[body_fork_lower]), fork);

  // Two boxes along z at x = +-frame_size.x/2, turned down to the axle.
  Vec3f arm = m.rear_wheel_pos - m.swingarm_pivot;
  double bm = m.swingarm_mass, side = m.frame_size.x / 4.0, l = length(arm);
  double off = m.frame_size.x / 2.0;
  Inertia swingarm = turned_about_x(
      2 * bm / 12 * (side * side + l * l), 2 * (bm / 12 * (side * side + l * l) + bm * off * off),
      2 * (bm / 12 * (2 * side * side) + bm * off * off), -std::atan(arm.y / arm.z));
  expect_inertia(mass_of(bike.bodies[body_swingarm]), swingarm);

  expect_inertia(mass_of(bike.bodies[body_rider]),
                 {0.4 * m.rider_mass / 3, 0.4 * m.rider_mass / 3, 0.4 * m.rider_mass / 3, 0});
}

TEST_F(AssemblyTest, HalfTheRiderOnTheRiderBody) {
  Bike& bike = make_bike();
  set_rider_mass_distribution(bike, 0.5f);
  EXPECT_NEAR(mass_of(bike.bodies[body_rider]).mass, 4.6875 / 2, 1e-6);
  EXPECT_NEAR(mass_of(bike.bodies[body_frame]).mass, 4.24 + 4.6875 / 2, 1e-6);
  set_rider_mass_distribution(bike, 0.9f);  // clamped to 0.5
  EXPECT_NEAR(mass_of(bike.bodies[body_rider]).mass, 4.6875 / 2, 1e-6);
  EXPECT_NEAR(bike_mass(bike), bike.total_mass, 1e-6);
}

TEST_F(AssemblyTest, JointKindsAnchorsAndStops) {
  Bike& bike = make_bike();
  const auto& j = bike.joints;
  EXPECT_EQ(dJointGetType(j[joint_front_axle]), dJointTypeHinge);
  EXPECT_EQ(dJointGetType(j[joint_rear_axle]), dJointTypeHinge);
  EXPECT_EQ(dJointGetType(j[joint_steering_head]), dJointTypeHinge);
  EXPECT_EQ(dJointGetType(j[joint_fork_slide]), dJointTypeSlider);
  EXPECT_EQ(dJointGetType(j[joint_swingarm_pivot]), dJointTypeHinge);
  EXPECT_EQ(dJointGetType(j[joint_rider_mount]), dJointTypeHinge2);

  EXPECT_EQ(dJointGetBody(j[joint_front_axle], 0), bike.bodies[body_fork_lower]);
  EXPECT_EQ(dJointGetBody(j[joint_front_axle], 1), bike.bodies[body_front_wheel]);
  EXPECT_EQ(dJointGetBody(j[joint_steering_head], 0), bike.bodies[body_fork_upper]);
  EXPECT_EQ(dJointGetBody(j[joint_steering_head], 1), bike.bodies[body_frame]);
  EXPECT_EQ(dJointGetBody(j[joint_rider_mount], 0), bike.bodies[body_rider]);

  EXPECT_DOUBLE_EQ(dJointGetHingeParam(j[joint_steering_head], dParamLoStop), -pi / 4);
  EXPECT_DOUBLE_EQ(dJointGetHingeParam(j[joint_steering_head], dParamHiStop), pi / 4);
  EXPECT_DOUBLE_EQ(dJointGetSliderParam(j[joint_fork_slide], dParamLoStop), -1);
  EXPECT_DOUBLE_EQ(dJointGetSliderParam(j[joint_fork_slide], dParamHiStop), 0);
  EXPECT_NEAR(dJointGetHingeParam(j[joint_swingarm_pivot], dParamLoStop), -0.55, 1e-7);
  EXPECT_DOUBLE_EQ(dJointGetHingeParam(j[joint_swingarm_pivot], dParamHiStop), 0);
  EXPECT_DOUBLE_EQ(dJointGetHinge2Param(j[joint_rider_mount], dParamLoStop), 0);
  EXPECT_DOUBLE_EQ(dJointGetHinge2Param(j[joint_rider_mount], dParamHiStop), 0);
  EXPECT_DOUBLE_EQ(dJointGetHinge2Param(j[joint_rider_mount], dParamSuspensionERP), 0);
  EXPECT_NEAR(dJointGetHinge2Param(j[joint_rider_mount], dParamSuspensionCFM), 1.0 / 20, 1e-7);

  dVector3 v;
  dJointGetHinge2Anchor(j[joint_rider_mount], v);
  EXPECT_NEAR(v[0], 0, 1e-6);
  EXPECT_NEAR(v[1], 4.5, 1e-5);
  EXPECT_NEAR(v[2], -50, 1e-5);
  dJointGetHingeAxis(j[joint_steering_head], v);
  EXPECT_NEAR(v[2] / v[1], 0.57 / 1.13, 1e-6);
  dJointGetHingeAnchor(j[joint_swingarm_pivot], v);
  EXPECT_NEAR(v[1], 1.58, 1e-6);
  EXPECT_NEAR(v[2], 4.17, 1e-6);
  for (int i = 0; i < bike_joint_count; ++i)
    EXPECT_EQ(dJointGetFeedback(j[i]), &bike.joint_feedback[i]);
}

// Twisting the steering and pushing the fork and swingarm in hard, each
// against the frame: every joint stops at its limit.
TEST_F(AssemblyTest, JointsStopAtTheirLimits) {
  Bike& bike = make_bike();
  dWorldSetGravity(world_.world, 0, 0, 0);
  dBodyID frame = bike.bodies[body_frame];
  for (int tick = 0; tick < 256; ++tick) {
    dBodyAddRelTorque(bike.bodies[body_fork_upper], 0, 200, 0);
    dBodyAddRelTorque(frame, 0, -200, 0);
    dBodyAddRelForce(bike.bodies[body_fork_lower], 0, 400, 200);
    dBodyAddRelForce(frame, 0, -400, -200);
    dBodyAddRelForce(bike.bodies[body_rear_wheel], 0, 400, 0);
    dBodyAddRelForce(frame, 0, -400, 0);
    step_world(world_);
  }
  EXPECT_NEAR(std::fabs(dJointGetHingeAngle(bike.joints[joint_steering_head])), pi / 4, 0.03);
  EXPECT_NEAR(dJointGetSliderPosition(bike.joints[joint_fork_slide]), -1, 0.03);
  EXPECT_NEAR(dJointGetHingeAngle(bike.joints[joint_swingarm_pivot]), -0.55, 0.03);
}

TEST_F(AssemblyTest, NewBikeStandsAtModelPositionsWithDefaults) {
  Bike& bike = make_bike();
  EXPECT_NEAR(position_of(bike.bodies[body_front_wheel]).y, 1.09, 1e-6);
  EXPECT_NEAR(position_of(bike.bodies[body_rear_wheel]).y, 1.04, 1e-6);
  EXPECT_NEAR(position_of(bike.bodies[body_rider]).z, 4.12, 1e-6);
  EXPECT_EQ(bike.flags,
            flag_direct_steer_airborne | flag_stop_wheelies_front | flag_front_antilock);
  EXPECT_FLOAT_EQ(bike.final_ratio, 51.0f / 13);
  EXPECT_FLOAT_EQ(bike.engine_inertia, 0.00488281f);
  EXPECT_FLOAT_EQ(bike.suspension.fork_spring, (510.696f + 698.848f) / 2);
  EXPECT_FLOAT_EQ(bike.suspension.shock_rebound, 600);
  EXPECT_FLOAT_EQ(bike.stability.auto_clutch_rpm, 5000);
  EXPECT_FLOAT_EQ(bike.landing_factor, 1);
  EXPECT_FLOAT_EQ(bike.front_contact.core_radius, 0.833333f);
  EXPECT_FLOAT_EQ(bike.rear_contact.core_radius, 0.75f);
  EXPECT_EQ(bike.rear_contact.body, bike.bodies[body_rear_wheel]);
  EXPECT_EQ(bike.start_positions[body_frame].z, position_of(bike.bodies[body_frame]).z);
}

TEST_F(AssemblyTest, NumberPlateKeepsSevenCharacters) {
  Bike* bike = create_bike(world_, "cr125", 3, "1234567890");
  EXPECT_STREQ(bike->number_text, "1234567");
  EXPECT_EQ(bike->slot, 3);
  destroy_bike(bike);
}

TEST_F(AssemblyTest, UnknownModelFallsBackAndSaysSo) {
  Bike& bike = make_bike("rs50zz");
  EXPECT_EQ(bike.model.name, "kx250f(2009)");
  const MessageList& list = message_list();
  ASSERT_GT(list.visible, 0);
  EXPECT_STREQ(visible_message(list.visible - 1),
               "bike info for 'rs50zz' not found using 'kx250f(2009)' instead");
}

TEST_F(AssemblyTest, ResetPutsEverythingBack) {
  Bike& bike = make_bike();
  for (int tick = 0; tick < 64; ++tick) {
    dBodyAddTorque(bike.bodies[body_frame], 30, 10, 0);
    step_world(world_);
  }
  bike.gear = 3;
  bike.engine_speed = 800;
  bike.throttle = 1;
  bike.crash_counter = 512;
  dJointAttach(bike.joints[joint_rider_mount], nullptr, nullptr);
  reset_bike(bike);
  for (int i = 0; i < bike_body_count; ++i) {
    Vec3 p = position_of(bike.bodies[i]);
    EXPECT_NEAR(p.x, bike.start_positions[i].x, 1e-12);
    EXPECT_NEAR(p.y, bike.start_positions[i].y, 1e-12);
    const dReal* v = dBodyGetLinearVel(bike.bodies[i]);
    EXPECT_EQ(v[1], 0);
  }
  EXPECT_NEAR(position_of(bike.bodies[body_frame]).y, 1.98, 1e-6);
  EXPECT_EQ(bike.gear, 0);
  EXPECT_EQ(bike.engine_speed, 0);
  EXPECT_EQ(bike.throttle, 0);
  EXPECT_EQ(bike.crash_counter, 0);
  EXPECT_EQ(dJointGetBody(bike.joints[joint_rider_mount], 0), bike.bodies[body_rider]);
  // The re-attached rider mount holds the rider at his seat while falling.
  for (int tick = 0; tick < 64; ++tick) step_world(world_);
  Vec3 seat = position_of(bike.bodies[body_rider]) - position_of(bike.bodies[body_frame]);
  EXPECT_NEAR(seat.y, 4.5 - 1.98, 0.05);
  EXPECT_NEAR(seat.z, 4.12 - 3.6, 0.05);
}

TEST_F(AssemblyTest, MoveAndTurnTheWholeBike) {
  Bike& bike = make_bike();
  turn_bike(bike, {0, 1, 0}, pi / 2);
  move_bike(bike, {100, 5, 200});
  // A quarter turn about y takes the model's +z to +x.
  Vec3 frame = position_of(bike.bodies[body_frame]);
  EXPECT_NEAR(frame.x, 100 + 3.6, 1e-6);
  EXPECT_NEAR(frame.y, 5 + 1.98, 1e-6);
  EXPECT_NEAR(frame.z, 200, 1e-6);
  const dReal* r = dBodyGetRotation(bike.bodies[body_rear_wheel]);
  EXPECT_NEAR(r[2], 1, 1e-12);  // body z axis along world x
  // Joints still agree with the placed bodies: nothing flies apart.
  for (int tick = 0; tick < 32; ++tick) step_world(world_);
  Vec3 d = position_of(bike.bodies[body_rear_wheel]) - position_of(bike.bodies[body_frame]);
  EXPECT_NEAR(d.x, 6 - 3.6, 0.05);
  EXPECT_NEAR(d.z, 0, 0.01);
}

TEST_F(AssemblyTest, HeldVelocitiesComeBackAfterTheStep) {
  Bike& bike = make_bike();
  for (dBodyID body : bike.bodies) dBodySetLinearVel(body, 3, 0, -7);
  hold_velocities(bike);
  step_world(world_);  // gravity changes y
  restore_velocities(bike);
  for (dBodyID body : bike.bodies) {
    const dReal* v = dBodyGetLinearVel(body);
    EXPECT_EQ(v[0], 3);
    EXPECT_EQ(v[1], 0);
    EXPECT_EQ(v[2], -7);
  }
}

TEST_F(AssemblyTest, DisabledBikeDoesNotMove) {
  Bike& bike = make_bike();
  disable_bike(bike);
  for (int tick = 0; tick < 16; ++tick) step_world(world_);
  EXPECT_NEAR(position_of(bike.bodies[body_frame]).y, 1.98, 1e-6);
  enable_bike(bike);
  for (int tick = 0; tick < 16; ++tick) step_world(world_);
  EXPECT_LT(position_of(bike.bodies[body_frame]).y, 1.9);
}

// Shapes come from the fixture folder: a good rider, a truncated frame, a
// negative count for the front wheel and words for the upper fork.
TEST_F(AssemblyTest, ShapeCopiesAndBrokenShapeFiles) {
  Bike& a = make_bike();
  Bike& b = make_bike("cr125");
  const BikeShape& rider = a.shapes[body_rider];
  ASSERT_NE(rider.shape, nullptr);
  ASSERT_EQ(rider.spheres.size(), 2u);
  EXPECT_DOUBLE_EQ(rider.shape->spheres[1].radius, 0.75);
  EXPECT_DOUBLE_EQ(rider.shape->bounding_radius, 1.25);
  // One shared list entry, one sphere array per bike.
  EXPECT_EQ(b.shapes[body_rider].shape, rider.shape);
  EXPECT_NE(b.shapes[body_rider].spheres.data(), rider.spheres.data());
  for (int body : {body_frame, body_front_wheel, body_fork_upper, body_swingarm})
    EXPECT_TRUE(a.shapes[body].spheres.empty()) << body;
}

}  // namespace
