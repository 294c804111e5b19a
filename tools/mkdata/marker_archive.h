#pragma once
// "zzzz.saf", the archive whose presence and exact bytes tell the game that
// a complete data set is installed. The game compares the RIPEMD-160 of
// its first MiB with a compiled-in constant, so its content is fixed:
// changing anything here means changing that constant too.

#include <string>

namespace mkdata {

// The archive's bytes (a readme and a version member).
std::string marker_archive();

}  // namespace mkdata
