#pragma once
// Points the game's folders at a test's own: the home directory
// (XDG_DATA_HOME) and the installation directory (QZ_HOME), then drops the
// folder index built from the previous ones, as the game reads them once.

#include <cstdlib>
#include <string>

#include "data/data_dirs.h"

inline void point_data_dirs(const std::string& home, const std::string& install) {
  setenv("XDG_DATA_HOME", home.c_str(), 1);
  setenv("QZ_HOME", install.c_str(), 1);
  reset_data_dirs_for_tests();
}
