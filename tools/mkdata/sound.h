#pragma once
// Engine sounds: one ".braap" description per bike graphic prefix and per
// class default, the sound tables they name and the firing samples of the
// tables (raw 16-bit little-endian PCM), all synthesised here.

#include <string>
#include <utility>
#include <vector>

namespace mkdata {

// (path relative to the data folder, bytes) of every engine sound file.
std::vector<std::pair<std::string, std::string>> sound_files();

}  // namespace mkdata
