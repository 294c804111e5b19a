#include "output.h"

#include <cstdarg>
#include <cstdio>
#include <fstream>
#include <system_error>

namespace mkdata {

bool write_file(const std::filesystem::path& path, std::string_view bytes, std::string* error) {
  auto fail = [&](const std::string& why) {
    if (error) *error = "can't write '" + path.string() + "': " + why;
    return false;
  };
  std::error_code ec;
  if (path.has_parent_path()) {
    std::filesystem::create_directories(path.parent_path(), ec);
    if (ec) return fail(ec.message());
  }
  std::filesystem::path temp = path;
  temp += ".tmp";
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    if (!out) return fail("cannot create file");
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.flush();
    if (!out) {
      out.close();
      std::filesystem::remove(temp, ec);
      return fail("write failed");
    }
  }
  std::filesystem::rename(temp, path, ec);
  if (ec) {
    std::filesystem::remove(temp, ec);
    return fail("rename failed");
  }
  return true;
}

std::string format(const char* fmt, ...) {
  va_list args;
  va_start(args, fmt);
  va_list copy;
  va_copy(copy, args);
  int n = std::vsnprintf(nullptr, 0, fmt, copy);
  va_end(copy);
  std::string text;
  if (n > 0) {
    text.resize(static_cast<std::size_t>(n) + 1);
    std::vsnprintf(text.data(), text.size(), fmt, args);
    text.resize(static_cast<std::size_t>(n));
  }
  va_end(args);
  return text;
}

}  // namespace mkdata
