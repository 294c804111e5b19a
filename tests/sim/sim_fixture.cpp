#include "sim_fixture.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "data/data_dirs.h"

void use_fixture_data(const char* fixture_folder) {
  static std::filesystem::path home =
      std::filesystem::temp_directory_path() / ("tavrin_sim_home_" + std::to_string(::getpid()));
  std::filesystem::create_directories(home);
  ::setenv("XDG_DATA_HOME", home.c_str(), 1);
  ::setenv("QZ_HOME", fixture_folder ? fixture_folder : home.c_str(), 1);
  reset_data_dirs_for_tests();
}
