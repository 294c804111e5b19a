#pragma once
// Puts a fuzz input into a file of its own, so it can be read through the
// game's streams exactly as data files are.

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

inline std::string fuzz_file_path(const char* suffix) {
  return "/tmp/tavrin-fuzz-" + std::to_string(getpid()) + suffix;
}

inline std::string write_fuzz_file(const std::uint8_t* data, std::size_t size, const char* suffix) {
  const std::string path = fuzz_file_path(suffix);
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file) {
    std::fwrite(data, 1, size, file);
    std::fclose(file);
  }
  return path;
}
