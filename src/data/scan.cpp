// stream_scanf: the game's own formatted reader (contract in stream.h).

#include <cfloat>
#include <cmath>
#include <cstdarg>
#include <cstdint>
#include <limits>

#include "data/stream.h"

namespace {

constexpr int kDefaultWidth = 1000000;
// Exponent digits beyond this value change nothing (the result is already
// infinite or zero); the cap keeps the accumulation inside an int.
constexpr int kExponentCap = 100000000;

// 10^(2^k) for k = 0..12, each the correctly rounded long double.
constexpr long double kPowersOfTen[] = {1e1L,   1e2L,   1e4L,   1e8L,    1e16L,   1e32L,  1e64L,
                                        1e128L, 1e256L, 1e512L, 1e1024L, 1e2048L, 1e4096L};

enum class Size { Default, Char, Short, Long, LongLong, LongDouble };

bool is_space(int c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

int digit_value(int c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'z') return c - 'a' + 10;
  if (c >= 'A' && c <= 'Z') return c - 'A' + 10;
  return 99;
}

// The input side: the stream plus the count of characters consumed since
// the call began (for %n).
struct Input {
  Stream* stream;
  int consumed = 0;
  int peek() { return stream_peekc(stream); }
  void take() {
    if (stream_getc(stream) >= 0) ++consumed;
  }
  void skip_space() {
    while (is_space(peek())) take();
  }
};

// What a conversion found.
enum class Field { Matched, Failed, EndOfInput };

// mantissa x 10^exponent by powers of ten 10^(2^k), in extended precision.
long double scale(long double mantissa, int exponent) {
  int n = exponent < 0 ? -exponent : exponent;
  long double p = 1;
  while (n > 4095 && !std::isinf(p)) {
    p *= kPowersOfTen[12];
    n -= 4096;
  }
  for (int k = 11; k >= 0; --k) {
    if (n & (1 << k)) p *= kPowersOfTen[k];
  }
  return exponent >= 0 ? mantissa * p : mantissa * (1 / p);
}

template <typename T>
T narrow(long double value) {
  // Out-of-range values become infinities rather than undefined casts.
  constexpr long double kMax = static_cast<long double>(std::numeric_limits<T>::max());
  if (value > kMax) return std::numeric_limits<T>::infinity();
  if (value < -kMax) return -std::numeric_limits<T>::infinity();
  return static_cast<T>(value);
}

Field scan_integer(Input& in, int base, int width, std::int32_t* out) {
  in.skip_space();
  if (in.peek() < 0) return Field::EndOfInput;
  int n = 0;
  bool negative = false;
  bool digits = false;
  if (in.peek() == '-' || in.peek() == '+') {
    negative = in.peek() == '-';
    in.take();
    ++n;
  }
  if (base == 0) {
    base = 10;
    if (n < width && in.peek() == '0') {
      in.take();
      ++n;
      digits = true;
      base = 8;
      if (n < width && (in.peek() == 'x' || in.peek() == 'X')) {
        in.take();
        ++n;
        base = 16;
      }
    }
  }
  std::uint32_t value = 0;
  while (n < width && digit_value(in.peek()) < base) {
    value = value * static_cast<std::uint32_t>(base) +
            static_cast<std::uint32_t>(digit_value(in.peek()));
    in.take();
    ++n;
    digits = true;
  }
  if (!digits) return Field::Failed;
  *out = static_cast<std::int32_t>(negative ? 0u - value : value);
  return Field::Matched;
}

bool is_decimal(int c) { return c >= '0' && c <= '9'; }

Field scan_decimal(Input& in, int width, long double* out) {
  in.skip_space();
  if (in.peek() < 0) return Field::EndOfInput;
  int n = 0;
  bool negative = false;
  bool digits = false;
  long double mantissa = 0;
  int exponent = 0;
  if (in.peek() == '-' || in.peek() == '+') {
    negative = in.peek() == '-';
    in.take();
    ++n;
  }
  while (n < width && is_decimal(in.peek())) {
    mantissa = mantissa * 10 + (in.peek() - '0');
    in.take();
    ++n;
    digits = true;
  }
  if (n < width && in.peek() == '.') {
    in.take();
    ++n;
    while (n < width && is_decimal(in.peek())) {
      mantissa = mantissa * 10 + (in.peek() - '0');
      --exponent;
      in.take();
      ++n;
      digits = true;
    }
  }
  if (!digits) return Field::Failed;
  if (n < width && (in.peek() == 'e' || in.peek() == 'E')) {
    in.take();
    ++n;
    bool exponent_negative = false;
    if (n < width && (in.peek() == '-' || in.peek() == '+')) {
      exponent_negative = in.peek() == '-';
      in.take();
      ++n;
    }
    int e = 0;
    while (n < width && is_decimal(in.peek())) {
      if (e < kExponentCap) e = e * 10 + (in.peek() - '0');
      in.take();
      ++n;
    }
    exponent += exponent_negative ? -e : e;
  }
  const long double value = scale(mantissa, exponent);
  *out = negative ? -value : value;
  return Field::Matched;
}

// Parses "[...]" starting after the '['; returns the character after the
// closing ']', or null when the set is not closed.
const char* parse_set(const char* p, bool in_set[256]) {
  bool invert = false;
  if (*p == '^') {
    invert = true;
    ++p;
  }
  for (int c = 0; c < 256; ++c) in_set[c] = false;
  if (*p == ']') {
    in_set[static_cast<unsigned char>(']')] = true;
    ++p;
  }
  while (*p && *p != ']') {
    const auto from = static_cast<unsigned char>(p[0]);
    if (p[1] == '-' && p[2] && p[2] != ']') {
      const auto to = static_cast<unsigned char>(p[2]);
      for (int c = from; c <= to; ++c) in_set[c] = true;
      p += 3;
    } else {
      in_set[from] = true;
      ++p;
    }
  }
  if (*p != ']') return nullptr;
  if (invert) {
    for (int c = 0; c < 256; ++c) in_set[c] = !in_set[c];
  }
  return p + 1;
}

template <typename T>
void store_integer(va_list& args, Size size, T value) {
  switch (size) {
    case Size::Char:
      *va_arg(args, signed char*) = static_cast<signed char>(value);
      break;
    case Size::Short:
      *va_arg(args, short*) = static_cast<short>(value);
      break;
    case Size::Long:
      *va_arg(args, long*) = value;
      break;
    case Size::LongLong:
    case Size::LongDouble:
      *va_arg(args, long long*) = value;
      break;
    case Size::Default:
      *va_arg(args, int*) = static_cast<int>(value);
      break;
  }
}

int scan(Stream* stream, const char* format, va_list& args) {
  Input in{stream};
  int stored = 0;
  // Input ending before a field: -1 unless something was stored.
  auto end_of_input = [&] { return stored == 0 ? -1 : stored; };
  for (const char* p = format; *p;) {
    if (is_space(static_cast<unsigned char>(*p))) {
      in.skip_space();
      ++p;
      continue;
    }
    if (*p != '%' || p[1] == '%') {
      if (*p == '%') ++p;
      if (in.peek() != static_cast<unsigned char>(*p)) return -1;
      in.take();
      ++p;
      continue;
    }
    ++p;
    bool suppress = false;
    int width = 0;
    Size size = Size::Default;
    for (;; ++p) {
      if (*p == '*') {
        suppress = true;
      } else if (*p >= '0' && *p <= '9') {
        if (width < kDefaultWidth) width = width * 10 + (*p - '0');
      } else if (*p == 'h') {
        size = size == Size::Short ? Size::Char : Size::Short;
      } else if (*p == 'l') {
        size = size == Size::Long ? Size::LongLong : Size::Long;
      } else if (*p == 'L' || *p == 'q') {
        size = Size::LongDouble;
      } else {
        break;
      }
    }
    if (width <= 0 || width > kDefaultWidth) width = kDefaultWidth;
    const char conversion = *p++;
    switch (conversion) {
      case 'd':
      case 'i':
      case 'o':
      case 'x':
      case 'X': {
        const int base = conversion == 'd'   ? 10
                         : conversion == 'i' ? 0
                         : conversion == 'o' ? 8
                                             : 16;
        std::int32_t value;
        const Field field = scan_integer(in, base, width, &value);
        if (field == Field::EndOfInput) return end_of_input();
        if (field == Field::Failed) return stored;
        if (!suppress) {
          store_integer(args, size, value);
          ++stored;
        }
        break;
      }
      case 'f': {
        long double value;
        const Field field = scan_decimal(in, width, &value);
        if (field == Field::EndOfInput) return end_of_input();
        if (field == Field::Failed) return stored;
        if (!suppress) {
          if (size == Size::LongDouble || size == Size::LongLong) {
            *va_arg(args, long double*) = value;
          } else if (size == Size::Long) {
            *va_arg(args, double*) = narrow<double>(value);
          } else {
            *va_arg(args, float*) = narrow<float>(value);
          }
          ++stored;
        }
        break;
      }
      case 's':
      case 'c':
      case '[': {
        bool in_set[256];
        if (conversion == '[') {
          p = parse_set(p, in_set);
          if (!p) return stored;
        } else {
          for (int c = 0; c < 256; ++c) in_set[c] = conversion == 'c' || !is_space(c);
          if (conversion == 's') in.skip_space();
          if (conversion == 'c' && width == kDefaultWidth) width = 1;
        }
        if (in.peek() < 0) return end_of_input();
        char* out = suppress ? nullptr : va_arg(args, char*);
        int n = 0;
        for (int c; n < width && (c = in.peek()) >= 0 && in_set[c]; ++n) {
          if (out) out[n] = static_cast<char>(c);
          in.take();
        }
        if (conversion == 'c' && n == 0) return stored;
        if (out) {
          if (conversion != 'c') out[n] = '\0';
          ++stored;
        }
        break;
      }
      case 'n':
        if (!suppress) store_integer(args, size, in.consumed);
        break;
      default:
        return stored;
    }
  }
  return stored;
}

}  // namespace

int stream_scanf(Stream* stream, const char* format, ...) {
  va_list args;
  va_start(args, format);
  const int result = scan(stream, format, args);
  va_end(args);
  return result;
}
