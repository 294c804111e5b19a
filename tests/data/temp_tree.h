#pragma once
// A temporary folder tree for tests, removed at the end of the test.

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include <gtest/gtest.h>

class TempTree {
 public:
  TempTree() {
    char pattern[] = "/tmp/tavrin-data-XXXXXX";
    const char* made = mkdtemp(pattern);
    EXPECT_NE(made, nullptr);
    root_ = made ? made : "/tmp";
  }
  ~TempTree() { std::filesystem::remove_all(root_); }
  TempTree(const TempTree&) = delete;
  TempTree& operator=(const TempTree&) = delete;

  const std::string& root() const { return root_; }
  std::string path(const std::string& relative) const { return root_ + "/" + relative; }

  // Writes `bytes` to root/relative, creating the folders on the way.
  std::string write(const std::string& relative, const std::string& bytes) const {
    const std::string full = path(relative);
    std::filesystem::create_directories(std::filesystem::path(full).parent_path());
    std::ofstream(full, std::ios::binary) << bytes;
    return full;
  }

  std::string read(const std::string& relative) const { return read_file(path(relative)); }

  // The whole file at `full` ("" when it cannot be read).
  static std::string read_file(const std::string& full) {
    std::ifstream in(full, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  // Copies the build folder's generated data needed to race on `track`
  // (the marker archive, the shapes and the track's folder) into
  // root/relative, for a test that damages its copy; returns that folder.
  std::string install_track(const std::string& relative, const std::string& track) const {
    namespace fs = std::filesystem;
    const fs::path to = path(relative);
    fs::create_directories(to);
    for (const auto& entry : fs::directory_iterator(TAVRIN_BUILD_DIR))
      if (entry.path().extension() == ".shp" || entry.path().filename() == "zzzz.saf")
        fs::copy_file(entry.path(), to / entry.path().filename());
    fs::copy(fs::path(TAVRIN_BUILD_DIR) / track, to / track, fs::copy_options::recursive);
    return to.string();
  }

 private:
  std::string root_;
};
