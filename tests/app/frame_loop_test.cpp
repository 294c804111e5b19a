// Frame pacing and step feeding on a fake clock, the control table and
// slots, the camera modes and camera steps, and the video mode list.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>
#include <vector>

#include "app/cameras.h"
#include "app/controls.h"
#include "app/frame_pacing.h"
#include "app/video_modes.h"
#include "platform/event_queue.h"
#include "platform/input.h"

namespace {

constexpr double kStep = 1.0 / 128;

// A clock the test moves by hand; sleeping moves it by exactly the time
// asked for.
struct FakeClock {
  double time = 0;
  std::vector<double> sleeps;
  PacingClock clock() {
    return {[this] { return time; },
            [this](double s) {
              sleeps.push_back(s);
              time += s;
            }};
  }
};

struct PacingFixture : ::testing::Test {
  FakeClock fake;
  FramePacing pacing;
  GameState game;
};

TEST_F(PacingFixture, AFrameOfOneSecondAdvancesOnly16Steps) {
  fake.time = 1.0;
  PacedFrame frame = pace_frame(pacing, game, fake.clock());
  EXPECT_DOUBLE_EQ(frame.advance, 0.125);
  SimClock sim;
  sim.target_time += frame.advance;
  EXPECT_EQ(run_due_steps(sim, kStep, frame.now, [](double) {}), 16);
  EXPECT_EQ(game.frame_histogram[7], 1);
  EXPECT_DOUBLE_EQ(pacing.last_frame_clock, 1.0);
}

TEST_F(PacingFixture, LockFpsAdvancesExactlyOneThirtiethWhateverTheFrameTook) {
  pacing.lock_fps = 30;
  for (double took : {0.001, 0.02, 0.5}) {
    fake.time += took;
    PacedFrame frame = pace_frame(pacing, game, fake.clock());
    EXPECT_DOUBLE_EQ(frame.advance, 1.0 / 30) << took;
  }
  // Fast frames were slowed down to the locked rate, slow ones not.
  ASSERT_EQ(fake.sleeps.size(), 2u);
  EXPECT_NEAR(fake.sleeps[0], 1.0 / 30 - 0.001, 1e-6);
}

TEST_F(PacingFixture, WarpAdvances100StepsPerFrame) {
  pacing.warp = true;
  fake.time = 0.01;
  PacedFrame frame = pace_frame(pacing, game, fake.clock());
  SimClock sim;
  sim.target_time += frame.advance;
  EXPECT_EQ(run_due_steps(sim, kStep, frame.now, [](double) {}), 100);
}

TEST_F(PacingFixture, AFastFrameSleepsUntilAStepIsDueAndCountsOnce) {
  fake.time = 0.001;
  PacedFrame frame = pace_frame(pacing, game, fake.clock());
  EXPECT_GE(frame.advance, kStep);
  EXPECT_FALSE(fake.sleeps.empty());
  EXPECT_EQ(game.frame_histogram[0], 1);
  int counted = 0;
  for (int n : game.frame_histogram) counted += n;
  EXPECT_EQ(counted, 1);
  EXPECT_DOUBLE_EQ(game.min_frame, frame.advance);
}

// The whole road of a key tap inside one frame: queued with its time
// stamps, taken by the steps whose moments follow them, turned into the
// throttle slot.
TEST(StepFeeding, KeyTapInsideOneFrameHoldsForExactlyTheStepsBetweenItsStamps) {
  Settings settings;
  settings.throttle_key.key_code = 0x102D;
  ControlTable table = make_control_table(settings);
  EventQueue queue;
  // The frame covers 10 steps of real time, from 0 to 10 steps.
  push_event(queue, {0x102D, true, 2.5 * kStep});
  push_event(queue, {0x102D, false, 6.5 * kStep});

  FramePacing pacing;
  GameState game;
  FakeClock fake;
  fake.time = 10 * kStep;
  PacedFrame frame = pace_frame(pacing, game, fake.clock());
  SimClock sim;
  sim.target_time += frame.advance;
  std::vector<float> throttle;
  run_due_steps(sim, kStep, frame.now, [&](double deadline) {
    while (auto event = pop_event_before(queue, deadline)) control_key_event(table, *event);
    throttle.push_back(sum_control_slots(table)[slot_throttle]);
  });
  EXPECT_EQ(throttle, (std::vector<float>{0, 0, 1, 1, 1, 1, 0, 0, 0, 0}));
}

TEST(StepFeeding, TheLastStepTakesEveryQueuedEvent) {
  SimClock sim;
  sim.target_time = 3 * kStep;
  std::vector<double> deadlines;
  run_due_steps(sim, kStep, 5.0, [&](double deadline) { deadlines.push_back(deadline); });
  ASSERT_EQ(deadlines.size(), 3u);
  EXPECT_DOUBLE_EQ(deadlines[0], 5.0 - 2 * kStep);
  EXPECT_DOUBLE_EQ(deadlines[1], 5.0 - kStep);
  EXPECT_EQ(deadlines[2], std::numeric_limits<double>::infinity());
}

TEST(StepFeeding, SimulatedTimeCarriesOverBetweenFrames) {
  SimClock sim;
  int steps = 0;
  for (int frame = 0; frame < 3; ++frame) {
    sim.target_time += 0.01;  // 1.28 steps per frame
    steps += run_due_steps(sim, kStep, 0, [](double) {});
  }
  EXPECT_EQ(steps, 4);  // 3.84 steps due: the 4th overshoots and waits
}

struct ControlsFixture : ::testing::Test {
  KorbInput input;
  Settings settings;
  ControlTable table;
  void SetUp() override {
    settings.left_key.key_code = 1;
    settings.right_key.key_code = 2;
    settings.upshift_key.key_code = 3;
    settings.lean_forward_key.key_code = 4;
    settings.clutch_key.key_code = 5;
    settings.dab_key.key_code = 6;
    table = make_control_table(settings);
  }
  void key(int code, bool pressed) { control_key_event(table, {code, pressed, 0}); }
};

TEST_F(ControlsFixture, EntriesAddIntoSharedSlotsWithTheirSigns) {
  key(1, true);
  EXPECT_FLOAT_EQ(sum_control_slots(table)[slot_steer], 1);
  key(2, true);
  EXPECT_FLOAT_EQ(sum_control_slots(table)[slot_steer], 0);
  key(1, false);
  ControlSlots slots = sum_control_slots(table);
  EXPECT_FLOAT_EQ(slots[slot_steer], -1);
  key(3, true);
  key(4, true);
  slots = sum_control_slots(table);
  EXPECT_FLOAT_EQ(slots[slot_shift], 1);
  EXPECT_FLOAT_EQ(slots[slot_lean], -1);
}

TEST_F(ControlsFixture, SlotsBecomeRiderInput) {
  StickyDab sticky;
  ControlSlots slots{};
  slots[slot_steer] = 1;
  slots[slot_shift] = -1;
  slots[slot_clutch] = 0;  // lever released: clutch wants to be fully in
  RiderInput in = rider_input_from_slots(slots, {true, false}, 0.5f, sticky, kStep);
  EXPECT_FLOAT_EQ(in.steer, -1);  // reversed steering
  EXPECT_EQ(in.shift, -1);
  EXPECT_FLOAT_EQ(in.clutch, 0.5f + 4 * kStep);  // lets in at 4 per second
  slots[slot_clutch] = 0.875f;
  EXPECT_FLOAT_EQ(rider_input_from_slots(slots, {true, false}, 0.5f, sticky, kStep).clutch, 0);
}

TEST_F(ControlsFixture, StickyDabTogglesOnEachPress) {
  StickyDab sticky;
  ControlSlots slots{};
  std::vector<float> dab;
  for (float held : {1.0f, 1.0f, 0.0f, 1.0f, 0.0f, 0.4f}) {
    slots[slot_dab] = held;
    dab.push_back(rider_input_from_slots(slots, {false, true}, 1, sticky, kStep).dab);
  }
  EXPECT_EQ(dab, (std::vector<float>{1, 1, 1, 0, 0, 0}));
}

TEST(CameraModes, FixUpAndTabCycle) {
  // Tab from first person: chase, free, and back.
  int mode = camera_first_person;
  std::vector<int> seen;
  for (int i = 0; i < 3; ++i) seen.push_back(mode = next_camera_mode(mode, false));
  EXPECT_EQ(seen, (std::vector<int>{camera_chase, camera_free, camera_first_person}));
  EXPECT_EQ(next_camera_mode(camera_first_person, true), camera_editor);
  EXPECT_EQ(next_camera_mode(camera_editor, true), camera_chase);
  EXPECT_EQ(next_camera_mode(camera_title, false), camera_title);
  // Free falls back to first person when the viewed bike is local.
  EXPECT_EQ(fixed_camera_mode(camera_free, true, true, false), camera_first_person);
  EXPECT_EQ(fixed_camera_mode(camera_chase, true, true, false), camera_chase);
  EXPECT_EQ(fixed_camera_mode(camera_title, true, false, false), camera_first_person);
  EXPECT_EQ(fixed_camera_mode(camera_chase, true, false, true), camera_free);
  EXPECT_EQ(fixed_camera_mode(camera_chase, false, true, false), camera_title);
}

TEST(Cameras, ChaseCameraSteersAndKeepsItsDistance) {
  ChaseCamera chase;
  ControlSlots slots{};
  slots[slot_steer] = 1;
  slots[slot_throttle] = 1;
  for (int i = 0; i < 1024; ++i) chase_camera_step(chase, slots, kStep);
  EXPECT_NEAR(std::fabs(chase.yaw), 0, 1e-9);  // two full turns
  EXPECT_DOUBLE_EQ(chase.distance, 0.25);
}

TEST(Cameras, FreeCameraFliesAlongItsViewAndStaysAboveGround) {
  FreeCamera camera;
  ControlSlots slots{};
  slots[slot_throttle] = 1;
  auto ground = [](double, double) { return 10.0; };
  for (int i = 0; i < 128; ++i) free_camera_step(camera, slots, nullptr, false, kStep, ground);
  EXPECT_NEAR(camera.speed, 20, 1e-9);  // 80 up, 60 down per second
  EXPECT_GT(camera.position.z, 5);
  EXPECT_NEAR(camera.position.x, 0, 1e-12);
  EXPECT_GE(camera.position.y, 12);
  slots = {};
  for (int i = 0; i < 128; ++i) free_camera_step(camera, slots, nullptr, false, kStep, ground);
  EXPECT_EQ(camera.speed, 0);  // coasts to rest without crossing 0
}

TEST(Cameras, FreeCameraTurnsToFollowABike) {
  FreeCamera camera;
  ControlSlots slots{};
  slots[slot_dab] = 1;
  FollowTarget bike{{10, 0, 0}, {0, 0, 0}};  // due +x: bearing pi/2
  for (int i = 0; i < 1280; ++i) free_camera_step(camera, slots, &bike, false, kStep, nullptr);
  EXPECT_NEAR(camera.yaw, std::numbers::pi / 2, 1e-3);
  EXPECT_NEAR(camera.pitch, 0, 1e-6);
}

TEST(VideoModes, DesktopDepthModesFollowTheTwoFixedEntries) {
  ChoiceSetting video_mode{"Video Mode", {"Default Fullscreen", "Windowed"}, 1};
  std::vector<DisplayMode> modes = {{1280, 1024, 24}, {800, 600, 24}, {800, 600, 16}};
  auto sizes = build_video_modes(modes, video_mode);
  EXPECT_EQ(video_mode.choices,
            (std::vector<std::string>{"Default Fullscreen", "Windowed", "1280x1024", "800x600"}));
  ASSERT_EQ(sizes.size(), 4u);
  EXPECT_EQ(sizes[3].width, 800);
  EXPECT_EQ(video_mode.current, 1);
  EXPECT_EQ(build_video_modes({}, video_mode).size(), 2u);
}

}  // namespace
