#include "data_set.h"

#include "marker_archive.h"
#include "output.h"

bool write_data_set(const std::filesystem::path& dir, std::string& error) {
  // The marker first: it is what the game's data check looks for.
  return write_file(dir / "zzzz.saf", marker_archive(), &error);
}
