#include "net/protocol.h"

#include "base/ripemd160.h"

std::string format_rider_info(const RiderInfo& info, std::size_t limit) {
  const BikeTextureChoice& t = info.textures;
  std::string text = info.model + '|' + t.rider_body + '|' + t.bike + '|' + t.wheels + '|' +
                     t.helmet + '\n' + info.number + '\n' + info.name;
  if (text.size() > limit) text = info.model + '\n' + info.number + '\n' + info.name;
  if (text.size() > limit) text.resize(limit);
  return text;
}

RiderInfo parse_rider_info(std::string_view text) {
  RiderInfo info;
  const std::size_t first = text.find('\n');
  std::string_view head = text.substr(0, first);
  std::string* parts[] = {&info.model, &info.textures.rider_body, &info.textures.bike,
                          &info.textures.wheels, &info.textures.helmet};
  for (std::string* part : parts) {
    const std::size_t bar = head.find('|');
    *part = head.substr(0, bar);
    if (bar == std::string_view::npos) break;
    head.remove_prefix(bar + 1);
  }
  if (first == std::string_view::npos) return info;
  std::string_view rest = text.substr(first + 1);
  const std::size_t second = rest.find('\n');
  info.number = rest.substr(0, std::min<std::size_t>(second, 3));
  if (second == std::string_view::npos) return info;
  rest.remove_prefix(second + 1);
  info.name = rest.substr(0, rest.find('\n'));
  return info;
}

std::array<std::uint8_t, 4> password_proof(std::string_view password, std::int32_t token) {
  if (password.empty()) return {0, 0, 0, 0};
  Ripemd160 hash;
  hash.update(password.data(), password.size());
  const auto t = static_cast<std::uint32_t>(token);
  const std::uint8_t bytes[4] = {static_cast<std::uint8_t>(t), static_cast<std::uint8_t>(t >> 8),
                                 static_cast<std::uint8_t>(t >> 16),
                                 static_cast<std::uint8_t>(t >> 24)};
  hash.update(bytes, 4);
  const Ripemd160Digest d = hash.finish();
  return {d[3], d[2], d[1], d[0]};
}
