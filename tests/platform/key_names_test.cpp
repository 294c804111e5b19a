// Key names and codes: the fixed and special names, loose matching, "0x%x"
// and the device button and axis name patterns.

#include <gtest/gtest.h>

#include <string>

#include "platform/input.h"
#include "platform/key_names.h"

namespace {

struct NameCase {
  const char* name;
  int code;  // -1: not found
};

class KeyNameLookup : public ::testing::TestWithParam<NameCase> {
 protected:
  KorbInput input;
};

TEST_P(KeyNameLookup, FindsTheCode) {
  const NameCase& c = GetParam();
  auto code = find_key(input, c.name);
  if (c.code < 0) {
    EXPECT_FALSE(code) << c.name;
  } else {
    ASSERT_TRUE(code) << c.name;
    EXPECT_EQ(*code, c.code) << c.name;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Names, KeyNameLookup,
    ::testing::Values(NameCase{"right ctrl", 0x111D}, NameCase{"Right_Ctrl", 0x111D},
                      NameCase{"RIGHT CTRL", 0x111D}, NameCase{"Right\tCtrl", 0x111D},
                      NameCase{"0x1d", 0x101D}, NameCase{"0x1FF", 0x11FF}, NameCase{"0x200", -1},
                      NameCase{"0x", -1}, NameCase{"0x1dz", -1}, NameCase{"x", 0x102D},
                      NameCase{"n", 0x1031}, NameCase{"m", 0x1032}, NameCase{".", 0x1034},
                      NameCase{"\\", 0x102B}, NameCase{"pause", 0x1045},
                      NameCase{"keypad enter", 0x111C}, NameCase{" ", 0x1039},
                      NameCase{"Close", 0xDEAD}, NameCase{"mouse left", 0x2000},
                      NameCase{"cursor-left", -1}, NameCase{"", -1}, NameCase{"Right  Ctrl", -1},
                      NameCase{"no such key", -1}, NameCase{"Nobody.key[0]", -1}));

TEST(KeyNames, EveryFixedNameResolvesAndNamesBack) {
  KorbInput input;
  for (const auto& fixed : fixed_key_names()) {
    auto code = find_key(input, fixed.name);
    ASSERT_TRUE(code) << fixed.name;
    EXPECT_EQ(*code, kKeyCodeBase + fixed.scan) << fixed.name;
    const char* back = key_name(input, *code);
    ASSERT_NE(back, nullptr);
    // The single space is a second name of Space.
    if (std::string(fixed.name) != " ") {
      EXPECT_STREQ(back, fixed.name);
    }
  }
  EXPECT_EQ(fixed_key_names().size(), 98u);
}

TEST(KeyNames, EverySpecialNameResolvesAndNamesBack) {
  KorbInput input;
  for (const auto& special : special_key_names()) {
    EXPECT_EQ(find_key(input, special.name), special.code);
    EXPECT_STREQ(key_name(input, special.code), special.name);
  }
}

TEST(KeyNames, SystemNamesComeBeforeFixedNames) {
  KorbInput input;
  input.system_key_names[0x1C] = "Return";
  input.system_key_names[0x10] = "A";  // a layout where Q is printed A
  EXPECT_EQ(find_key(input, "return"), 0x101C);
  EXPECT_EQ(find_key(input, "Enter"), 0x101C);
  EXPECT_EQ(find_key(input, "A"), 0x1010);
  EXPECT_STREQ(key_name(input, 0x101C), "Return");
}

TEST(KeyNames, ScanCodesWithoutAnyNameShowAsHex) {
  KorbInput input;
  EXPECT_STREQ(key_name(input, 0x1000 + 0x59), "0x59");
  EXPECT_EQ(find_key(input, key_name(input, 0x1000 + 0x59)), 0x1059);
  EXPECT_EQ(key_name(input, 0x41), nullptr);     // a typed character
  EXPECT_EQ(key_name(input, 0x30000), nullptr);  // no such device
}

TEST(KeyNames, AliasesAreResolvedFirstAndRegisteredOnce) {
  KorbInput input;
  add_cursor_aliases(input);
  EXPECT_EQ(find_key(input, "cursor-left"), 0x2000);
  EXPECT_EQ(find_key(input, "cursor-right"), 0x2002);
  EXPECT_FALSE(add_alias(input, "cursor-left", "Mouse Right"));
  EXPECT_EQ(find_key(input, "cursor-left"), 0x2000);
}

struct DeviceNameCase {
  const char* name;
  bool button;  // else axis
  const char* device;
  int index;  // -1: refused
};

class DeviceNameParse : public ::testing::TestWithParam<DeviceNameCase> {};

TEST_P(DeviceNameParse, SplitsDeviceAndIndex) {
  const DeviceNameCase& c = GetParam();
  auto ref = c.button ? parse_device_button(c.name) : parse_device_axis(c.name);
  if (c.index < 0) {
    EXPECT_FALSE(ref) << c.name;
    return;
  }
  ASSERT_TRUE(ref) << c.name;
  EXPECT_EQ(ref->device, c.device);
  EXPECT_EQ(ref->index, c.index);
}

INSTANTIATE_TEST_SUITE_P(
    Patterns, DeviceNameParse,
    ::testing::Values(DeviceNameCase{"Joystick1.key[3]", true, "Joystick1", 3},
                      DeviceNameCase{"Joystick1 button 3", true, "Joystick1", 3},
                      DeviceNameCase{"Joystick1#2 button 0", true, "Joystick1#2", 0},
                      DeviceNameCase{"Joystick1.axis[1]", false, "Joystick1", 1},
                      DeviceNameCase{"Joystick1 axis 1", false, "Joystick1", 1},
                      DeviceNameCase{"Mouse.axis[0]", false, "Mouse", 0},
                      DeviceNameCase{"Joystick1.key[-1]", true, "", -1},
                      DeviceNameCase{"Joystick1.key[3", true, "", -1},
                      DeviceNameCase{"Joystick1.key[3]x", true, "", -1},
                      DeviceNameCase{"Joystick1 axis 1", true, "", -1},
                      DeviceNameCase{"Joystick1.key[1]", false, "", -1},
                      DeviceNameCase{"axis 2", false, "", -1}));

TEST(DeviceNames, OverlongNamesAreRefusedNotTruncatedIntoAnother) {
  std::string long_name(64, 'J');
  EXPECT_FALSE(parse_device_button(long_name + ".key[0]"));
  EXPECT_FALSE(parse_device_axis(std::string(5000, 'J') + " axis 0"));
  EXPECT_TRUE(parse_device_button(std::string(63, 'J') + ".key[0]"));
}

TEST(DeviceNames, ShownAsButtonAndAxisText) {
  EXPECT_EQ(device_button_name("Joystick1", 7), "Joystick1 button 7");
  EXPECT_EQ(device_axis_name("Joystick1#2", 0), "Joystick1#2 axis 0");
}

}  // namespace
