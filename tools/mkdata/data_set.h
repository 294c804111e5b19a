#pragma once
// The whole generated data set: "zzzz.saf" and every track folder.

#include <filesystem>
#include <string>

namespace mkdata {

// Writes the data set into dir (created when missing). Same source, same
// bytes: nothing depends on time, locale or memory addresses. Returns
// false with a message in error when a file could not be written.
bool write_data_set(const std::filesystem::path& dir, std::string& error);

}  // namespace mkdata
