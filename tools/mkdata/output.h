#pragma once
// Writing generated files. Every file is built completely in memory first
// and then written under a temporary name and renamed into place, so an
// interrupted run never leaves a half-written file that looks complete.

#include <filesystem>
#include <string>
#include <string_view>

namespace mkdata {

// Writes bytes to path, creating missing folders. Returns false and fills
// error (when given) with a message naming the path on failure.
bool write_file(const std::filesystem::path& path, std::string_view bytes,
                std::string* error = nullptr);

// printf into a std::string; the generator's text files are built with it
// so that numbers are formatted exactly as the game's readers expect.
std::string format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

}  // namespace mkdata
