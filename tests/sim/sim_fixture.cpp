#include "sim_fixture.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "data/data_dirs.h"
#include "data/point_data_dirs.h"

void use_fixture_data(const char* fixture_folder) {
  static std::filesystem::path home =
      std::filesystem::temp_directory_path() / ("tavrin_sim_home_" + std::to_string(::getpid()));
  std::filesystem::create_directories(home);
  point_data_dirs(home.string(), fixture_folder ? fixture_folder : home.string());
}
