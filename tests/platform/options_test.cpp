#include <gtest/gtest.h>

#include "platform/options.h"

namespace {

struct FlagCase {
  const char* text;
  const char* name;
  bool default_value;
  bool expected;
};

const FlagCase flag_cases[] = {
    {"", "threaded", false, false},
    {"[threaded:yes]", "threaded", false, true},
    {"[threaded:on]", "threaded", false, true},
    {"[threaded:no]", "threaded", true, false},
    {"[threaded:off]", "threaded", true, false},
    {"[threaded:maybe]", "threaded", false, false},
    {"[threaded:yesss]", "threaded", true, true},  // not "yes]": default
    {"[threaded:yes", "threaded", false, false},   // cut off before "]"
    {"junk [dsnd:no] more", "dsnd", true, false},  // anywhere in the text
    {"[dsnd:yes][dsnd:no]", "dsnd", false, true},  // first occurrence wins
    {"[xdsnd:no]", "dsnd", true, true},            // other names don't match
    {"[dinputsticksonly:no]", "dinput", true, true},
};

TEST(OptionFlagTest, ReadsYesOnNoOffAndDefaultsOtherwise) {
  for (const FlagCase& c : flag_cases)
    EXPECT_EQ(option_flag_in(c.text, c.name, c.default_value), c.expected)
        << c.text << " " << c.name;
}

struct IntCase {
  const char* text;
  const char* name;
  int default_value;
  int expected;
};

const IntCase int_cases[] = {
    {"", "sound-rate", 22050, 22050},
    {"[sound-rate:44100]", "sound-rate", 22050, 44100},
    {"[sound-rate:-5]", "sound-rate", 22050, -5},
    {"[sound-rate:+7]", "sound-rate", 22050, 7},
    {"[sound-rate:12ab]", "sound-rate", 22050, 12},
    {"[sound-rate:abc]", "sound-rate", 22050, 22050},
    {"[sound-rate:-]", "sound-rate", 22050, 22050},
    {"[sound-rate:]", "sound-rate", 22050, 22050},
    {"[sound-rate:", "sound-rate", 22050, 22050},
    {"[sound-rate:99999999999999999999]", "sound-rate", 1, 2147483647},
    {"[sound-rate:-99999999999999999999]", "sound-rate", 1, -2147483647 - 1},
    {"[sound-channels:8][sound-rate:11025]", "sound-rate", 0, 11025},
};

TEST(OptionIntTest, ReadsSignedDecimalAndDefaultsWithoutDigits) {
  for (const IntCase& c : int_cases)
    EXPECT_EQ(option_int_in(c.text, c.name, c.default_value), c.expected)
        << c.text << " " << c.name;
}

TEST(OptionNameTest, NameIsCutToSixtyCharacters) {
  std::string long_name(70, 'n');
  std::string text = "[" + std::string(60, 'n') + ":yes]";
  EXPECT_TRUE(option_flag_in(text, long_name.c_str(), false));
}

}  // namespace
