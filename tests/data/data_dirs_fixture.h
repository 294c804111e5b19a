#pragma once
// Points the home directory (XDG_DATA_HOME) and the installation directory
// (QZ_HOME) at folders of a temporary tree, and rebuilds the index for
// every test.

#include <cstdlib>
#include <string>

#include "data/data_dirs.h"
#include "data/point_data_dirs.h"
#include "temp_tree.h"

class DataDirsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (const char* home = std::getenv("HOME")) saved_home_ = home;
    unsetenv("KORB_LOGFILE");
    point_data_dirs(tree.path("xdg"), tree.path("install"));
  }
  // Tests may change HOME; the next one gets it back.
  void TearDown() override {
    setenv("HOME", saved_home_.c_str(), 1);
    reset_data_dirs_for_tests();
  }

  // Files in the home directory and in the installation directory.
  std::string home(const std::string& name, const std::string& bytes) {
    return tree.write("xdg/Tavrin/" + name, bytes);
  }
  std::string install(const std::string& name, const std::string& bytes) {
    return tree.write("install/" + name, bytes);
  }

  TempTree tree;

 private:
  std::string saved_home_;
};
