#include "data/archive.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

// The member name after the size: one separator skipped, the newline
// dropped, runs of '/' collapsed.
static std::string member_name(const char* text) {
  std::string name;
  for (const char* p = text; *p && *p != '\n'; ++p) {
    if (*p == '/' && !name.empty() && name.back() == '/') continue;
    name += *p;
  }
  return name;
}

bool read_archive_header(std::FILE* file, std::vector<ArchiveMember>* members) {
  members->clear();
  std::vector<long> sizes;  // one per header line, including unnamed ones
  std::vector<std::string> names;
  long long running = 0;
  char line[1024];
  for (;;) {
    if (!std::fgets(line, sizeof line, file)) return false;
    const std::size_t length = std::strlen(line);
    // fgets stops at an embedded zero byte as well; such a line is short.
    if (length == 0 || line[length - 1] != '\n') return false;
    running += static_cast<long long>(length);
    char* end = nullptr;
    errno = 0;
    const long size = std::strtol(line, &end, 10);
    if (end == line) {
      if (std::strcmp(line, "-\n") == 0) break;
      return false;
    }
    if (errno == ERANGE || size < 0 || size > INT_MAX) return false;
    sizes.push_back(size);
    names.push_back(*end == '\n' ? std::string() : member_name(end + 1));
  }
  for (std::size_t i = 0; i < sizes.size(); ++i) {
    if (running + sizes[i] > INT_MAX) {
      members->clear();
      return false;
    }
    if (!names[i].empty()) {
      members->push_back({names[i], static_cast<int>(running), static_cast<int>(sizes[i])});
    }
    running += sizes[i];
  }
  return true;
}
