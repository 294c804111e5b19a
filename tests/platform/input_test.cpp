// The event queue, the device registry and binding capture, with fake
// devices whose axes the test sets directly.

#include <gtest/gtest.h>

#include <array>

#include "platform/binding.h"
#include "platform/event_queue.h"
#include "platform/input.h"

namespace {

TEST(EventQueue, KeepsTimeOrderAndDropsThe257thEvent) {
  EventQueue queue;
  for (int i = 0; i < kEventQueueSize; ++i) {
    ASSERT_TRUE(push_event(queue, {i, true, 1.0 + i * 0.001}));
  }
  EXPECT_FALSE(push_event(queue, {999, true, 0.5}));
  EXPECT_EQ(queue.count, kEventQueueSize);
  for (int i = 0; i < kEventQueueSize; ++i) {
    auto event = pop_event(queue);
    ASSERT_TRUE(event);
    EXPECT_EQ(event->code, i);
  }
  EXPECT_FALSE(pop_event(queue));
}

TEST(EventQueue, LateStampsGoBeforeLaterOnesAndEqualStampsKeepArrivalOrder) {
  EventQueue queue;
  // Wrap the ring first so insertion crosses its end.
  for (int i = 0; i < 250; ++i) push_event(queue, {0, true, 0});
  for (int i = 0; i < 250; ++i) pop_event(queue);
  push_event(queue, {1, true, 2.0});
  push_event(queue, {2, true, 3.0});
  push_event(queue, {3, true, 1.0});
  push_event(queue, {4, true, 2.0});
  push_event(queue, {5, true, 2.5});
  std::array<int, 5> order{};
  for (int& code : order) code = pop_event(queue)->code;
  EXPECT_EQ(order, (std::array<int, 5>{3, 1, 4, 5, 2}));
}

TEST(EventQueue, TakesOnlyEventsStampedAtOrBeforeTheDeadline) {
  EventQueue queue;
  push_event(queue, {1, true, 1.0});
  push_event(queue, {2, false, 2.0});
  EXPECT_FALSE(pop_event_before(queue, 0.999));
  EXPECT_EQ(pop_event_before(queue, 1.0)->code, 1);
  EXPECT_FALSE(pop_event_before(queue, 1.5));
  EXPECT_EQ(pop_event(queue)->code, 2);
}

// A fake stick: axis values set by the test, open and close counted.
struct FakeStick {
  std::array<int, 4> axes{};
  int opens = 0;
  int closes = 0;
  bool freed = false;
};

const KorbDeviceOps kFakeOps{
    [](KorbDevice& d) {
      ++static_cast<FakeStick*>(d.data)->opens;
      return true;
    },
    [](KorbDevice& d) { ++static_cast<FakeStick*>(d.data)->closes; },
    [](KorbDevice& d, int axis) { return static_cast<FakeStick*>(d.data)->axes[axis]; },
    nullptr,
    [](KorbDevice& d) { static_cast<FakeStick*>(d.data)->freed = true; },
};

TEST(Devices, NamesLoseSpacesAndDotsAndTakeNumbersWhenTaken) {
  KorbInput input;
  FakeStick a, b, c;
  KorbDevice& first = add_device(input, "Joystick 1", 2, 4, kFakeOps, &a);
  KorbDevice& second = add_device(input, "Joystick 1", 2, 4, kFakeOps, &b);
  KorbDevice& third = add_device(input, "Joy.stick 1", 2, 4, kFakeOps, &c);
  EXPECT_EQ(first.name, "Joystick1");
  EXPECT_EQ(second.name, "Joystick1#2");
  EXPECT_EQ(third.name, "Joystick1#3");
  EXPECT_NE(first.base, second.base);
  EXPECT_EQ(second.axis_names[1], "Joystick1#2 axis 1");
  EXPECT_EQ(find_key(input, "Joystick1#2 button 3"), second.base + 3);
  EXPECT_EQ(find_key(input, "Joystick1#2.key[3]"), second.base + 3);
  EXPECT_TRUE(second.watched);
  EXPECT_FALSE(first.watched);
  EXPECT_FALSE(find_key(input, "Joystick1 button 4"));  // only 4 buttons
  EXPECT_STREQ(key_name(input, second.base + 3), "Joystick1#2 button 3");
}

TEST(Devices, AxisHandlesOpenTheDeviceOnceAndReadIt) {
  KorbInput input;
  FakeStick stick;
  KorbDevice& device = add_device(input, "Pad", 3, 0, kFakeOps, &stick);
  stick.axes[2] = -1234;
  KorbAxis* a = open_axis(input, "Pad axis 2");
  KorbAxis* b = open_axis(input, "Pad.axis[2]");
  ASSERT_TRUE(a && b);
  EXPECT_EQ(stick.opens, 1);
  EXPECT_EQ(read_axis(a), -1234);
  EXPECT_EQ(open_axis(input, "Pad axis 3"), nullptr);
  EXPECT_EQ(open_axis(input, "Pod axis 0"), nullptr);
  close_axis(a);
  EXPECT_EQ(stick.closes, 0);
  close_axis(b);
  EXPECT_EQ(stick.closes, 1);
  EXPECT_EQ(device.open_count, 0);
}

TEST(Devices, AnUnpluggedStickReadsZeroAndComesBackUnderItsName) {
  KorbInput input;
  FakeStick stick, again;
  KorbDevice& device = add_device(input, "Joystick 1", 2, 2, kFakeOps, &stick);
  int base = device.base;
  KorbAxis* axis = open_axis(input, "Joystick1 axis 0");
  stick.axes[0] = 20000;
  EXPECT_EQ(read_axis(axis), 20000);
  detach_device(input, device);
  EXPECT_TRUE(stick.freed);
  EXPECT_EQ(read_axis(axis), 0);
  EXPECT_TRUE(axis_names(input).empty());
  again.axes[0] = 300;
  KorbDevice& back = add_device(input, "Joystick 1", 2, 2, kFakeOps, &again);
  EXPECT_EQ(&back, &device);
  EXPECT_EQ(back.base, base);
  EXPECT_EQ(again.opens, 1);  // the kept handle reopened it
  EXPECT_EQ(read_axis(axis), 300);
  close_axis(axis);
}

struct CaptureFixture : ::testing::Test {
  KorbInput input;
  FakeStick stick;
  KeyBinding binding{"Throttle"};
  BindingCapture capture;
  static constexpr int kEsc = 0x1001;

  void SetUp() override {
    add_device(input, "Joystick 1", 3, 2, kFakeOps, &stick);
    binding.key_name = "x";
    open_binding(input, binding);
  }
};

TEST_F(CaptureFixture, AxisPushedNegativeBindsWithTheNegativeRange) {
  stick.axes[0] = 30000;  // not centred: left out
  start_binding_capture(input, capture, binding);
  EXPECT_EQ(capture.candidates.size(), 2u);
  stick.axes[1] = -16000;  // not yet past half
  capture_check_axes(capture);
  EXPECT_EQ(capture.binding, &binding);
  stick.axes[1] = -20000;
  stick.axes[2] = 19000;
  capture_check_axes(capture);
  EXPECT_EQ(capture.binding, nullptr);
  EXPECT_EQ(binding.key_name, nullptr);
  EXPECT_EQ(binding.key_code, kNoKey);
  EXPECT_STREQ(binding.axis_name, "Joystick1 axis 1");
  EXPECT_FLOAT_EQ(binding.range_low, -0.0625f);
  EXPECT_FLOAT_EQ(binding.range_high, -0.9375f);
  // Pushing further negative raises the control.
  EXPECT_GT(axis_binding_value(-30000, binding.range_low, binding.range_high),
            axis_binding_value(-20000, binding.range_low, binding.range_high));
  EXPECT_EQ(input.devices[0]->open_count, 1);  // only the bound handle stays
  close_binding(binding);
  EXPECT_EQ(input.devices[0]->open_count, 0);
}

TEST_F(CaptureFixture, KeyPressBindsAndEscCancels) {
  start_binding_capture(input, capture, binding);
  EXPECT_TRUE(capture_event(input, capture, {0x102E, false, 0}, kEsc));  // release: taken
  EXPECT_TRUE(capture_event(input, capture, {'c', true, 0}, kEsc));      // character: ignored
  EXPECT_EQ(capture.binding, &binding);
  EXPECT_TRUE(capture_event(input, capture, {0x102E, true, 0}, kEsc));
  EXPECT_EQ(capture.binding, nullptr);
  EXPECT_STREQ(binding.key_name, "C");
  EXPECT_EQ(binding.key_code, 0x102E);
  EXPECT_EQ(input.devices[0]->open_count, 0);
  EXPECT_FALSE(capture_event(input, capture, {0x1030, true, 0}, kEsc));

  start_binding_capture(input, capture, binding);
  EXPECT_TRUE(capture_event(input, capture, {kEsc, true, 0}, kEsc));
  EXPECT_EQ(capture.binding, nullptr);
  EXPECT_EQ(binding.key_code, 0x102E);
}

TEST(AxisBindingValue, ScalesAndClampsAndSurvivesEqualEnds) {
  EXPECT_FLOAT_EQ(axis_binding_value(16384, 0.0f, 1.0f), 0.5f);
  EXPECT_FLOAT_EQ(axis_binding_value(-32768, 0.0f, 1.0f), 0.0f);
  EXPECT_FLOAT_EQ(axis_binding_value(32767, 0.1f, 0.9f), 1.0f);
  EXPECT_FLOAT_EQ(axis_binding_value(20000, 0.5f, 0.5f), 1.0f);
  EXPECT_FLOAT_EQ(axis_binding_value(10000, 0.5f, 0.5f), 0.0f);
}

TEST(Bindings, UnknownNamesLeaveTheControlUnbound) {
  KorbInput input;
  KeyBinding key{"Throttle"};
  key.key_name = "no such key";
  open_binding(input, key);
  EXPECT_EQ(key.key_code, kNoKey);
  KeyBinding axis{"Steer"};
  axis.axis_name = "Gone axis 0";
  open_binding(input, axis);
  EXPECT_EQ(axis.axis, nullptr);
}

}  // namespace
