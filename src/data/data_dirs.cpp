#include "data/data_dirs.h"

#include <dirent.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>

#include "data/archive.h"
#include "data/game_data_digest.h"
#include "data/listings_internal.h"
#include "data/stream_internal.h"
#include "platform/log.h"

extern char** environ;

namespace {

// Built on first use, kept until exit (or reset_data_dirs_for_tests).
struct DataDirs {
  std::vector<std::string> dirs;
  bool has_home = false;
};
struct Index {
  std::vector<FileIndexEntry> entries;
  std::vector<std::string> names;
};

std::unique_ptr<DataDirs> g_dirs;
std::unique_ptr<Index> g_index;

// Folders deeper than this are not walked: a guard against link loops and
// absurd trees, far beyond any real data layout.
constexpr int kMaxWalkDepth = 32;

std::optional<std::string> find_home() {
  const char* xdg = std::getenv("XDG_DATA_HOME");
  std::string base;
  if (xdg && xdg[0] == '/') {
    base = xdg;
  } else if (const char* home = std::getenv("HOME"); home && home[0]) {
    base = std::string(home) + "/.local/share";
  } else {
    return std::nullopt;
  }
  return base + "/Tavrin/";
}

std::string executable_dir() {
  char path[PATH_MAX];
  const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  if (n <= 0) return "./";
  path[n] = '\0';
  char* slash = std::strrchr(path, '/');
  if (!slash) return "./";
  slash[1] = '\0';
  return path;
}

const DataDirs& dirs() {
  if (!g_dirs) {
    g_dirs = std::make_unique<DataDirs>();
    if (std::optional<std::string> home = find_home()) {
      g_dirs->dirs.push_back(*home);
      g_dirs->has_home = true;
    }
    // An empty QZ_HOME would make "/" a data directory and the index a
    // walk of the whole file system: it counts as unset.
    if (const char* qz = std::getenv("QZ_HOME"); qz && qz[0]) {
      g_dirs->dirs.push_back(std::string(qz) + "/");
    } else {
      g_dirs->dirs.push_back(executable_dir());
    }
  }
  return *g_dirs;
}

void walk(const std::string& dir, const std::string& relative, int source, int depth,
          std::vector<FileIndexEntry>* entries) {
  if (depth > kMaxWalkDepth) return;
  DIR* handle = opendir((dir + relative).c_str());
  if (!handle) return;
  while (dirent* item = readdir(handle)) {
    if (std::strcmp(item->d_name, ".") == 0 || std::strcmp(item->d_name, "..") == 0) continue;
    const std::string name = relative + item->d_name;
    const std::string path = dir + name;
    struct stat info;
    if (lstat(path.c_str(), &info) != 0) continue;
    if (S_ISDIR(info.st_mode)) {
      walk(dir, name + "/", source, depth + 1, entries);
      continue;
    }
    // A link to a file counts as the file; links to folders are not walked.
    if (S_ISLNK(info.st_mode) && stat(path.c_str(), &info) != 0) continue;
    if (!S_ISREG(info.st_mode)) continue;
    const int size = static_cast<int>(std::min<off_t>(info.st_size, INT_MAX));
    entries->push_back({path, name, 0, size, source});
  }
  closedir(handle);
}

void sort_entries(std::vector<FileIndexEntry>* entries) {
  std::sort(entries->begin(), entries->end(), [](const FileIndexEntry& a, const FileIndexEntry& b) {
    const int order = std::strcmp(a.name.c_str(), b.name.c_str());
    return order != 0 ? order < 0 : a.source < b.source;
  });
}

bool is_archive_name(const std::string& name) {
  return name.size() > 4 && name.compare(name.size() - 4, 4, ".saf") == 0;
}

void add_archive_members(const FileIndexEntry& archive, int source,
                         std::vector<FileIndexEntry>* entries) {
  std::FILE* file = std::fopen(archive.path.c_str(), "rb");
  if (!file) return;
  std::vector<ArchiveMember> members;
  if (read_archive_header(file, &members)) {
    for (ArchiveMember& member : members) {
      entries->push_back(
          {archive.path, std::move(member.name), member.offset, member.size, source});
    }
  }
  std::fclose(file);
}

const Index& index() {
  if (!g_index) {
    g_index = std::make_unique<Index>();
    std::vector<FileIndexEntry>& entries = g_index->entries;
    const std::vector<std::string>& list = dirs().dirs;
    const int dir_count = static_cast<int>(list.size());
    for (int i = 0; i < dir_count; ++i) walk(list[i], "", i, 0, &entries);
    sort_entries(&entries);
    // Members are appended behind the walked files; only those are visited.
    const std::size_t walked = entries.size();
    int ordinal = 0;
    for (std::size_t i = 0; i < walked; ++i) {
      if (!is_archive_name(entries[i].name)) continue;
      const FileIndexEntry archive = entries[i];  // copy: the vector grows
      add_archive_members(archive, dir_count + ordinal++, &entries);
    }
    sort_entries(&entries);
    for (const FileIndexEntry& entry : entries) {
      if (g_index->names.empty() || g_index->names.back() != entry.name) {
        g_index->names.push_back(entry.name);
      }
    }
  }
  return *g_index;
}

bool parse_digest(const char* hex, Ripemd160Digest* digest) {
  if (std::strlen(hex) != 40) return false;
  for (std::size_t i = 0; i < digest->size(); ++i) {
    unsigned value = 0;
    for (int k = 0; k < 2; ++k) {
      const char c = hex[2 * i + k];
      const char* digits = "0123456789abcdef";
      const char* at = std::strchr(digits, c >= 'A' && c <= 'F' ? c - 'A' + 'a' : c);
      if (!at) return false;
      value = value * 16 + static_cast<unsigned>(at - digits);
    }
    (*digest)[i] = static_cast<std::uint8_t>(value);
  }
  return true;
}

}  // namespace

const char* data_dir(int i) {
  const std::vector<std::string>& list = dirs().dirs;
  if (i < 0 || i >= static_cast<int>(list.size())) return nullptr;
  return list[i].c_str();
}

const char* home_directory() { return dirs().has_home ? dirs().dirs[0].c_str() : nullptr; }

const std::vector<std::string>& file_names() { return index().names; }

const std::vector<FileIndexEntry>& file_index() { return index().entries; }

const FileIndexEntry* find_index_entry(const char* name, bool* compressed) {
  const std::size_t length = std::strlen(name);
  for (const FileIndexEntry& entry : index().entries) {
    const char* candidate = entry.name.c_str();
    if (strcasecmp(candidate, name) == 0) {
      *compressed = false;
      return &entry;
    }
    if (entry.name.size() == length + 3 && strncasecmp(candidate, name, length) == 0 &&
        strcasecmp(candidate + length, ".gz") == 0) {
      *compressed = true;
      return &entry;
    }
  }
  return nullptr;
}

int open_home_directory() {
  const char* home = home_directory();
  if (!home) return 0;
  make_parent_dirs(home);
  std::string path = home;
  if (path.size() > 1) path.pop_back();  // the trailing '/'
  // Started directly, not through a shell, so no path can be misread as
  // a command.
  char* argv[] = {const_cast<char*>("xdg-open"), path.data(), nullptr};
  pid_t pid;
  if (posix_spawnp(&pid, "xdg-open", nullptr, nullptr, argv, environ) == 0) {
    waitpid(pid, nullptr, 0);
  }
  return 0;
}

bool marker_digest(const char* path, Ripemd160Digest* digest) {
  std::FILE* file = std::fopen(path, "rb");
  if (!file) return false;
  Ripemd160 hash;
  std::uint8_t block[256];
  for (std::size_t total = 0; total < 1048576;) {
    const std::size_t got = std::fread(block, 1, sizeof block, file);
    if (got == 0) break;
    hash.update(block, got);
    total += got;
  }
  std::fclose(file);
  *digest = hash.finish();
  return true;
}

bool check_game_data_digest(const Ripemd160Digest& expected) {
  if (const char* home = home_directory()) {
    make_parent_dirs(home);
    korb_log("KORB_LOGFILE=%slastlog.txt", home);
  }
  for (int i = 0; const char* dir = data_dir(i); ++i) {
    const std::string path = std::string(dir) + "zzzz.saf";
    Ripemd160Digest digest;
    if (marker_digest(path.c_str(), &digest) && digest == expected) return true;
  }
  return false;
}

bool check_game_data() {
  Ripemd160Digest expected{};
  if (!parse_digest(kGameDataDigest, &expected)) return false;
  return check_game_data_digest(expected);
}

void reset_data_dirs_for_tests() {
  g_index.reset();
  g_dirs.reset();
  reset_screenshot_counter();
}
