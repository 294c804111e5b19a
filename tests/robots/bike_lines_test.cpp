#include "robots/bike_lines.h"

#include <cmath>
#include <cstdlib>
#include <filesystem>

#include <gtest/gtest.h>

#include "data/data_dirs.h"
#include "data/point_data_dirs.h"
#include "robots/line_fixtures.h"
#include "sim/bike.h"
#include "sim/world.h"
#include "track/timing_gates.h"

namespace {

using namespace line_fixtures;

// A bike in a world of its own; the data directories point at an empty
// temporary folder so nothing reads the real home.
class BikeLinesTest : public testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/tavrin-bike-lines-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    root_ = pattern;
    point_data_dirs(root_, root_);
    create_world(world_);
    bike_ = create_bike(world_, "crf250(2009)", 0, "1");
  }
  void TearDown() override {
    destroy_bike(bike_);
    destroy_world(world_);
    reset_data_dirs_for_tests();
    std::filesystem::remove_all(root_);
  }

  std::string root_;
  PhysicsWorld world_;
  Bike* bike_ = nullptr;
};

TEST_F(BikeLinesTest, ReadsTheFrameTheFrontWheelAndTheContacts) {
  dBodySetPosition(bike_->bodies[body_frame], 10, 3, -4);
  dBodySetLinearVel(bike_->bodies[body_frame], 0, 6, 8);
  dBodySetPosition(bike_->bodies[body_front_wheel], 11, 1, -7);
  // Lean the frame by 0.3 rad about its forward axis.
  dMatrix3 rotation;
  dRFromAxisAndAngle(rotation, 0, 0, 1, 0.3);
  dBodySetRotation(bike_->bodies[body_frame], rotation);
  bike_->front_contact.depth = 0;
  bike_->rear_contact.depth = 0.01f;

  RecordedBike seen = recorded_bike(*bike_);
  EXPECT_EQ(seen.frame_position.x, 10);
  EXPECT_EQ(seen.frame_position.z, -4);
  EXPECT_EQ(seen.front_wheel_position.z, -7);
  EXPECT_TRUE(seen.wheel_on_ground);
  EXPECT_NEAR(std::fabs(seen.lean), 0.3, 1e-9);
  EXPECT_EQ(sample_line_point(seen).speed, 10);

  bike_->rear_contact.depth = 0;
  EXPECT_EQ(sample_line_point(recorded_bike(*bike_)).speed, -10) << "in the air";
}

TEST_F(BikeLinesTest, TakesOverTheBikesMishapOnce) {
  LineStore store = store_with_segments(1, 1);
  LineRecorder recorder;
  reset_line_recorder(recorder);
  RecordedRace race;
  race.tick = 1;  // before the gate drop: no stall
  race.drop_tick = 1000;
  bike_->mishap = 1;
  record_bike_lines(store, recorder, *bike_, false, {}, 0, race);
  EXPECT_EQ(recorder.mishap, 2);
  EXPECT_EQ(bike_->mishap, 0);
}

}  // namespace
