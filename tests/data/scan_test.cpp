// stream_scanf: agreement with glibc sscanf where the rules agree, and the
// game's own rules where they differ.

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "data/stream.h"
#include "read_all.h"
#include "temp_tree.h"

// The cases deliberately pass runtime formats.
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
#pragma GCC diagnostic ignored "-Wformat-security"

namespace {

// A stream over `text`, kept in a temporary file.
class TextStream {
 public:
  explicit TextStream(const std::string& text)
      : stream_(stream_open(tree_.write("in", text).c_str(), "rb")) {}
  Stream* get() { return stream_.get(); }
  std::string rest() { return read_all(stream_.get()); }

 private:
  TempTree tree_;
  StreamPtr stream_;
};

struct IntCase {
  const char* input;
  const char* format;  // up to three int conversions
};

// Inputs where glibc and the game's scanner agree.
const IntCase kIntAgreement[] = {
    {"42", "%d"},
    {"  -17 8", "%d %d"},
    {"+5", "%d"},
    {"12345", "%3d%d"},
    {"0x1f", "%i"},
    {"017", "%i"},
    {"-0X10", "%i"},
    {"0", "%i"},
    {"777", "%o"},
    {"ff FF 1a", "%x %X %x"},
    {"5 x", "%d %d"},
    {"x", "%d"},
    {"", "%d"},
    {"   ", "%d"},
    {"abc 7", "abc %d"},
    {"a:1,2", "a:%d,%d"},
    {"1 2 3", "%d %*d %d"},
    {"7%", "%d%%"},
    {"12 34", "%d%n %d"},
    {"4294967295", "%d"},
    {"-2147483648", "%d"},
    {"99", "%1d%1d"},
    {"-", "%d"},
    {"- 5", "%d"},
    {"\t\n\v\f\r9", "%d"},
    {"12", "%d %d"},
    {"0x", "%x"},
    {"8", "%o"},
    {"19", "%o"},
};

TEST(ScanAgreement, IntegersMatchGlibc) {
  for (const IntCase& c : kIntAgreement) {
    SCOPED_TRACE(std::string(c.input) + " / " + c.format);
    int ours[3] = {-99, -99, -99};
    int theirs[3] = {-99, -99, -99};
    TextStream in(c.input);
    const int got = stream_scanf(in.get(), c.format, &ours[0], &ours[1], &ours[2]);
    const int want = std::sscanf(c.input, c.format, &theirs[0], &theirs[1], &theirs[2]);
    EXPECT_EQ(got, want);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(ours[i], theirs[i]) << i;
  }
}

struct FloatCase {
  const char* input;
  const char* format;  // one float, double or long double conversion
};

const FloatCase kFloatAgreement[] = {
    {"1.5e3", "%f"},      {"-.25", "%f"},    {"3.14159", "%lf"},  {"100", "%f"},
    {"1e-5", "%lf"},      {"+7.", "%f"},     {"0.1", "%lf"},      {"2.5E+2", "%lf"},
    {"123456789", "%lf"}, {"1e300", "%lf"},  {"1e-300", "%lf"},   {"6.02e23", "%Lf"},
    {"12.5xyz", "%lf"},   {".", "%f"},       {"-", "%lf"},        {"", "%f"},
    {"1e400", "%lf"},     {"1e5000", "%Lf"}, {"4.9e-324", "%lf"}, {"0.000001", "%f"},
};

template <typename T>
void expect_close(T ours, T theirs) {
  if (std::isinf(theirs)) {
    EXPECT_EQ(ours, theirs);
  } else {
    // The scheme of powers of ten may differ from correct rounding in the
    // last place.
    EXPECT_NEAR(static_cast<double>(ours), static_cast<double>(theirs),
                std::fabs(static_cast<double>(theirs)) * 1e-15 + 1e-320);
  }
}

TEST(ScanAgreement, DecimalsMatchGlibc) {
  for (const FloatCase& c : kFloatAgreement) {
    SCOPED_TRACE(std::string(c.input) + " / " + c.format);
    const std::string format = c.format;
    TextStream in(c.input);
    if (format == "%f") {
      float ours = -99, theirs = -99;
      EXPECT_EQ(stream_scanf(in.get(), c.format, &ours), std::sscanf(c.input, c.format, &theirs));
      EXPECT_EQ(ours, theirs);
    } else if (format == "%lf") {
      double ours = -99, theirs = -99;
      EXPECT_EQ(stream_scanf(in.get(), c.format, &ours), std::sscanf(c.input, c.format, &theirs));
      expect_close(ours, theirs);
    } else {
      long double ours = -99, theirs = -99;
      EXPECT_EQ(stream_scanf(in.get(), c.format, &ours), std::sscanf(c.input, c.format, &theirs));
      expect_close(ours, theirs);
    }
  }
}

struct TextCase {
  const char* input;
  const char* format;  // up to two character conversions into 32-byte buffers
};

const TextCase kTextAgreement[] = {
    {"hello world", "%s %s"},
    {"  lead", "%s"},
    {"abcdef", "%3s%s"},
    {"xyz", "%c%c"},
    {" q", "%c"},
    {"abcde", "%4c"},
    {"aa]bb", "%[]a]%s"},
    {"word rest", "%[^ ]"},
    {"a-b", "%[a-]%s"},
    {"hello123", "%[a-z]%s"},
    {"", "%s"},
    {"k=v", "%[^=]=%s"},
    {"abcdef", "%*3c%s"},
    {"ab\ncd", "%s%s"},
    {"\xe9t\xe9", "%[\xe0-\xff]"},
};

TEST(ScanAgreement, TextMatchesGlibc) {
  for (const TextCase& c : kTextAgreement) {
    SCOPED_TRACE(std::string(c.input) + " / " + c.format);
    char ours[2][32] = {}, theirs[2][32] = {};
    TextStream in(c.input);
    EXPECT_EQ(stream_scanf(in.get(), c.format, ours[0], ours[1]),
              std::sscanf(c.input, c.format, theirs[0], theirs[1]));
    EXPECT_EQ(std::string(ours[0], 32), std::string(theirs[0], 32));
    EXPECT_EQ(std::string(ours[1], 32), std::string(theirs[1], 32));
  }
}

// Where the game's rules differ from glibc, or fix what is left.
struct OwnCase {
  const char* label;
  const char* input;
  const char* format;  // up to two int conversions
  int result;
  int first;
  int second;
  const char* rest;  // unread input afterwards
};

const OwnCase kOwnRules[] = {
    {"trailing space skips the newline", "ct03 12\nrest", "ct03 %d ", 1, 12, -99, "rest"},
    {"literal mismatch before storing", "ct04 12", "ct03 %d ", -1, -99, -99, "4 12"},
    {"literal mismatch after storing", "5,6;", "%d;%d", -1, 5, -99, ",6;"},
    {"literal at the end after storing", "5", "%d,", -1, 5, -99, ""},
    {"hex takes no 0x prefix", "0x1f", "%x", 1, 0, -99, "x1f"},
    {"hex with capital prefix", "0X1f", "%x", 1, 0, -99, "X1f"},
    {"width counts the sign", "-12", "%2d", 1, -1, -99, "2"},
    {"width one on a sign alone", "-5", "%1d", 0, -99, -99, "5"},
    {"width on a prefix", "0x1f", "%2i%d", 2, 0, 1, "f"},
    {"octal prefix stops at 8", "078", "%i%d", 2, 7, 8, ""},
    {"32-bit wrap", "4294967297", "%d", 1, 1, -99, ""},
    {"%% without skipping", "5 %", "%d%%", -1, 5, -99, " %"},
    {"unknown conversion ends the call", "1 2", "%d %y %d", 1, 1, -99, "2"},
    {"format ends after modifiers", "1 2", "%d %5", 1, 1, -99, "2"},
    {"end of input after storing", "1 ", "%d %d", 1, 1, -99, ""},
    {"digits beyond the base stay", "12a", "%o", 1, 10, -99, "a"},
};

TEST(ScanOwnRules, Integers) {
  for (const OwnCase& c : kOwnRules) {
    SCOPED_TRACE(c.label);
    int values[2] = {-99, -99};
    TextStream in(c.input);
    EXPECT_EQ(stream_scanf(in.get(), c.format, &values[0], &values[1]), c.result);
    EXPECT_EQ(values[0], c.first);
    EXPECT_EQ(values[1], c.second);
    EXPECT_EQ(in.rest(), c.rest);
  }
}

TEST(ScanOwnRules, SuppressedStringAndCount) {
  TextStream in("  word next");
  int consumed = -1;
  EXPECT_EQ(stream_scanf(in.get(), "%*s%n", &consumed), 0);
  EXPECT_EQ(consumed, 6);
  EXPECT_EQ(in.rest(), " next");
}

TEST(ScanOwnRules, WidthAndSizeModifiers) {
  TextStream in("12345 70000 -3 9 1.25 2.5 0.5");
  int a = 0;
  short s = 0;
  signed char hh = 0;
  long l = 0;
  float f = 0;
  double d = 0;
  long double ld = 0;
  EXPECT_EQ(stream_scanf(in.get(), "%3d", &a), 1);
  EXPECT_EQ(a, 123);
  EXPECT_EQ(in.rest().substr(0, 2), "45");
  TextStream more("70000 -3 9 1.25 2.5 0.5 x");
  EXPECT_EQ(stream_scanf(more.get(), "%hd %hhd %ld %f %lf %Lf", &s, &hh, &l, &f, &d, &ld), 6);
  EXPECT_EQ(s, static_cast<short>(70000));
  EXPECT_EQ(hh, -3);
  EXPECT_EQ(l, 9);
  EXPECT_EQ(f, 1.25f);
  EXPECT_EQ(d, 2.5);
  EXPECT_EQ(ld, 0.5L);
  TextStream neg("-1");
  long long ll = 0;
  EXPECT_EQ(stream_scanf(neg.get(), "%lld", &ll), 1);
  EXPECT_EQ(ll, -1);
}

TEST(ScanOwnRules, DecimalScheme) {
  struct {
    const char* input;
    long double value;
    const char* rest;
  } cases[] = {
      {"1.5e3", 1500.0L, ""},
      {"-.25", -0.25L, ""},
      {"1e", 1.0L, ""},  // the 'e' is taken, no exponent digits
      {"2.5e+x", 2.5L, "x"},
      {"1e4932", 1e4932L, ""},
      {"1e-4950", 0.0L, ""},
      {"1e99999999999", INFINITY, ""},
      {"123456789012345678901234567890", 123456789012345678901234567890.0L, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.input);
    TextStream in(c.input);
    long double value = -99;
    EXPECT_EQ(stream_scanf(in.get(), "%Lf", &value), 1);
    // Products of several rounded powers may miss the nearest value by
    // an ulp or two.
    if (std::isinf(c.value) || c.value == 0) {
      EXPECT_EQ(value, c.value);
    } else {
      EXPECT_NEAR(static_cast<double>(value / c.value), 1.0, 1e-17);
    }
    EXPECT_EQ(in.rest(), c.rest);
  }
  TextStream big("1e100");
  float f = 0;
  EXPECT_EQ(stream_scanf(big.get(), "%f", &f), 1);
  EXPECT_TRUE(std::isinf(f));
  TextStream words("inf nan 0x1p3");
  EXPECT_EQ(stream_scanf(words.get(), "%f", &f), 0);
  TextStream width("1.2345");
  EXPECT_EQ(stream_scanf(width.get(), "%4f", &f), 1);
  EXPECT_EQ(f, 1.23f);
}

TEST(ScanOwnRules, SetsAndCharacters) {
  char a[16] = "zzzzzzzzzzzzzzz", b[16] = "zzzzzzzzzzzzzzz";
  // An empty set match stores an empty string and counts.
  TextStream empty("=v");
  EXPECT_EQ(stream_scanf(empty.get(), "%[^=]=%s", a, b), 2);
  EXPECT_STREQ(a, "");
  EXPECT_STREQ(b, "v");
  // %c stores without terminating and does not skip white space.
  TextStream chars(" ab");
  std::memset(a, 'z', sizeof a);
  EXPECT_EQ(stream_scanf(chars.get(), "%2c", a), 1);
  EXPECT_EQ(std::string(a, 3), " az");
  // A set that is never closed ends the call.
  TextStream open_set("abc");
  const char* unclosed = "%[abc";
  EXPECT_EQ(stream_scanf(open_set.get(), unclosed, a), 0);
  // Width limits %s and %[.
  TextStream wide("abcdef");
  EXPECT_EQ(stream_scanf(wide.get(), "%2[a-f]%3s", a, b), 2);
  EXPECT_STREQ(a, "ab");
  EXPECT_STREQ(b, "cde");
  EXPECT_EQ(wide.rest(), "f");
}

TEST(ScanOwnRules, EndOfInput) {
  int value = -99;
  TextStream empty("");
  EXPECT_EQ(stream_scanf(empty.get(), "%d", &value), -1);
  char text[8];
  TextStream blank(" \n");
  EXPECT_EQ(stream_scanf(blank.get(), "%s", text), -1);
  TextStream suppressed("5");
  EXPECT_EQ(stream_scanf(suppressed.get(), "%*d %d", &value), -1);
  TextStream nothing("abc");
  EXPECT_EQ(stream_scanf(nothing.get(), "abc"), 0);
}

}  // namespace
