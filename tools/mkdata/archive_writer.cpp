#include "archive_writer.h"

#include <string_view>

namespace mkdata {

namespace {

// The reader takes at most 1023 characters per header line, line end
// included.
constexpr std::size_t kMaxHeaderLine = 1023;

bool readable_name(std::string_view name) {
  if (name.empty() || name == "-") return false;
  // The size is followed by exactly one separator; a name starting with a
  // blank would still read back, but nothing we write needs one.
  if (name.front() == ' ' || name.front() == '\t') return false;
  return name.find_first_of("\r\n") == std::string_view::npos;
}

}  // namespace

bool build_archive(const std::vector<ArchiveMember>& members, std::string& out) {
  std::string header;
  std::size_t data_size = 0;
  for (const ArchiveMember& m : members) {
    if (!readable_name(m.name)) return false;
    std::string line = std::to_string(m.bytes.size()) + " " + m.name + "\n";
    if (line.size() > kMaxHeaderLine) return false;
    header += line;
    data_size += m.bytes.size();
  }
  header += "-\n";
  std::string result;
  result.reserve(header.size() + data_size);
  result += header;
  for (const ArchiveMember& m : members) result += m.bytes;
  out = std::move(result);
  return true;
}

}  // namespace mkdata
