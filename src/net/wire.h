#pragma once
// Little-endian packet building and reading for the race protocol. Every
// read checks the length first: a reader that runs past the end of the
// datagram yields zeros and stays failed, so a parser reads all its fields
// and then asks `ok()` once before acting on any of them.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// Appends fields to a datagram under construction.
struct PacketWriter {
  std::vector<std::uint8_t> bytes;

  explicit PacketWriter(int type) { bytes.push_back(static_cast<std::uint8_t>(type)); }
  PacketWriter& u8(int value) {
    bytes.push_back(static_cast<std::uint8_t>(value));
    return *this;
  }
  PacketWriter& i32(std::int32_t value) {
    const auto v = static_cast<std::uint32_t>(value);
    for (int shift = 0; shift < 32; shift += 8)
      bytes.push_back(static_cast<std::uint8_t>(v >> shift));
    return *this;
  }
  PacketWriter& raw(std::span<const std::uint8_t> data) {
    bytes.insert(bytes.end(), data.begin(), data.end());
    return *this;
  }
  PacketWriter& text(std::string_view data) {
    bytes.insert(bytes.end(), data.begin(), data.end());
    return *this;
  }
};

// Reads fields of one received datagram, starting after the type byte.
class PacketReader {
 public:
  explicit PacketReader(std::span<const std::uint8_t> datagram, std::size_t start = 1)
      : data_(datagram), at_(start), ok_(start <= datagram.size()) {}

  std::int32_t i32() {
    if (!take(4)) return 0;
    const std::uint8_t* p = data_.data() + at_ - 4;
    return static_cast<std::int32_t>(std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 |
                                     std::uint32_t{p[2]} << 16 | std::uint32_t{p[3]} << 24);
  }
  int u8() { return take(1) ? data_[at_ - 1] : 0; }
  // `n` bytes, or an empty span (and failed) when fewer are left.
  std::span<const std::uint8_t> bytes(std::size_t n) {
    if (!take(n)) return {};
    return data_.subspan(at_ - n, n);
  }
  // Everything up to the end of the datagram, as text.
  std::string rest() {
    if (!ok_) return {};
    std::string text(reinterpret_cast<const char*>(data_.data()) + at_, data_.size() - at_);
    at_ = data_.size();
    return text;
  }
  std::size_t remaining() const { return ok_ ? data_.size() - at_ : 0; }
  bool ok() const { return ok_; }

 private:
  bool take(std::size_t n) {
    if (!ok_ || data_.size() - at_ < n) {
      ok_ = false;
      return false;
    }
    at_ += n;
    return true;
  }
  std::span<const std::uint8_t> data_;
  std::size_t at_;
  bool ok_;
};
