#include "data/stream.h"

#include <sys/stat.h>

#include <cstdarg>
#include <cstring>
#include <string>

#include "data/data_dirs.h"
#include "data/inflater.h"
#include "data/stream_internal.h"

bool mode_writes(const char* mode) {
  return std::strchr(mode, 'r') == nullptr || std::strchr(mode, '+') != nullptr;
}

void make_parent_dirs(const char* path) {
  std::string prefix;
  for (const char* p = path; *p; ++p) {
    if (*p == '/' && !prefix.empty() && prefix.back() != '/') {
      mkdir(prefix.c_str(), 0777);  // an existing folder is fine
    }
    prefix += *p;
  }
}

static Stream* wrap_file(std::FILE* file) {
  auto* stream = new Stream;
  stream->file = file;
  return stream;
}

static Stream* start_compressed(Stream* stream) {
  stream->compressed = true;
  if (!start_inflater(stream)) {
    std::fclose(stream->file);
    delete stream;
    return nullptr;
  }
  return stream;
}

Stream* open_plain_path(const char* path, const char* mode) {
  if (std::strlen(path) > kMaxPathLength) return nullptr;
  const bool writes = mode_writes(mode);
  if (writes) make_parent_dirs(path);
  if (std::FILE* file = std::fopen(path, mode)) {
    // Reading a folder "succeeds" on Linux; it is not a file of ours.
    struct stat info;
    if (writes || (fstat(fileno(file), &info) == 0 && !S_ISDIR(info.st_mode))) {
      return wrap_file(file);
    }
    std::fclose(file);
    return nullptr;
  }
  if (writes) return nullptr;
  const std::string gz = std::string(path) + ".gz";
  if (gz.size() > kMaxPathLength) return nullptr;
  std::FILE* file = std::fopen(gz.c_str(), "rb");
  if (!file) return nullptr;
  return start_compressed(wrap_file(file));
}

Stream* open_file_range(const char* path, int offset, int size, bool compressed) {
  if (offset < 0 || size < 0) return nullptr;
  std::FILE* file = std::fopen(path, "rb");
  if (!file) return nullptr;
  if (std::fseek(file, offset, SEEK_SET) != 0) {
    std::fclose(file);
    return nullptr;
  }
  Stream* stream = wrap_file(file);
  stream->base = offset;
  stream->limit = size;
  return compressed ? start_compressed(stream) : stream;
}

Stream* stream_open(const char* name, const char* mode) {
  if (!name || !mode) return nullptr;
  if (name[0] != '@') return open_plain_path(name, mode);
  const char* relative = name + 1;
  for (int i = 0; const char* dir = data_dir(i); ++i) {
    const std::string path = std::string(dir) + relative;
    if (Stream* stream = open_plain_path(path.c_str(), mode)) return stream;
  }
  if (mode_writes(mode)) return nullptr;
  bool compressed = false;
  const FileIndexEntry* entry = find_index_entry(relative, &compressed);
  if (!entry) return nullptr;
  return open_file_range(entry->path.c_str(), entry->offset, entry->size, compressed);
}

void stream_close(Stream* stream) {
  if (!stream) return;
  free_inflater(stream);
  std::fclose(stream->file);
  delete stream;
}

// Reads up to `count` bytes of data, ignoring the pushback.
static std::size_t read_data(Stream* stream, std::uint8_t* out, std::size_t count) {
  if (stream->compressed) return inflate_some(stream, out, count);
  const std::size_t left = static_cast<std::size_t>(stream->limit - stream->position);
  if (count > left) count = left;
  const std::size_t got = std::fread(out, 1, count, stream->file);
  stream->position += static_cast<int>(got);
  return got;
}

int stream_getc(Stream* stream) {
  if (stream->pushback >= 0) {
    const int c = stream->pushback;
    stream->pushback = -1;
    return c;
  }
  std::uint8_t byte;
  return read_data(stream, &byte, 1) == 1 ? byte : -1;
}

int stream_peekc(Stream* stream) {
  if (stream->pushback < 0) stream->pushback = stream_getc(stream);
  return stream->pushback;
}

char* stream_gets(Stream* stream, char* buffer, int capacity) {
  if (capacity < 1) return nullptr;
  int n = 0;
  while (n < capacity - 1) {
    const int c = stream_getc(stream);
    if (c < 0) break;
    buffer[n++] = static_cast<char>(c);
    if (c == '\n') break;
  }
  buffer[n] = '\0';
  return n > 0 ? buffer : nullptr;
}

std::size_t stream_read(Stream* stream, void* buffer, std::size_t count) {
  auto* out = static_cast<std::uint8_t*>(buffer);
  std::size_t done = 0;
  if (count > 0 && stream->pushback >= 0) {
    out[done++] = static_cast<std::uint8_t>(stream->pushback);
    stream->pushback = -1;
  }
  return done + read_data(stream, out + done, count - done);
}

int stream_putc(Stream* stream, int c) {
  return std::fputc(c, stream->file) == EOF ? -1 : c & 0xff;
}

int stream_puts(Stream* stream, const char* text) {
  return std::fputs(text, stream->file) == EOF ? -1 : 0;
}

std::size_t stream_write(Stream* stream, const void* data, std::size_t count) {
  return std::fwrite(data, 1, count, stream->file);
}

int stream_printf(Stream* stream, const char* format, ...) {
  va_list args;
  va_start(args, format);
  const int n = std::vfprintf(stream->file, format, args);
  va_end(args);
  return n < 0 ? -1 : n;
}

bool stream_seek(Stream* stream, int position) {
  if (stream->compressed || position < 0 || position >= stream->limit) return false;
  if (std::fseek(stream->file, static_cast<long>(stream->base) + position, SEEK_SET) != 0) {
    return false;
  }
  stream->position = position;
  stream->pushback = -1;
  return true;
}

bool stream_flush(Stream* stream) { return std::fflush(stream->file) == 0; }

// Real path of a rename or remove argument; empty when it is too long or there is
// no directory for an '@' name.
static std::string rename_path(const char* name) {
  std::string path;
  if (name[0] == '@') {
    const char* home = data_dir(0);
    if (!home) return {};
    path = std::string(home) + (name + 1);
  } else {
    path = name;
  }
  return path.size() > kMaxPathLength ? std::string() : path;
}

bool stream_rename(const char* old_name, const char* new_name) {
  const std::string from = rename_path(old_name);
  const std::string to = rename_path(new_name);
  if (from.empty() || to.empty()) return false;
  return std::rename(from.c_str(), to.c_str()) == 0;
}

bool stream_remove(const char* name) {
  const std::string path = rename_path(name);
  return !path.empty() && std::remove(path.c_str()) == 0;
}
