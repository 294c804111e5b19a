// The .saf header reader on arbitrary bytes: members must stay inside the
// 32-bit offsets and come in header order.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "data/archive.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::FILE* file = std::tmpfile();
  if (!file) return 0;
  std::fwrite(data, 1, size, file);
  std::rewind(file);
  std::vector<ArchiveMember> members;
  const bool ok = read_archive_header(file, &members);
  if (!ok && !members.empty()) std::abort();
  long long previous_end = 0;
  for (const ArchiveMember& m : members) {
    if (m.size < 0 || m.offset < previous_end || m.name.empty()) std::abort();
    previous_end = static_cast<long long>(m.offset) + m.size;
  }
  std::fclose(file);
  return 0;
}
