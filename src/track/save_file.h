#pragma once
// Writing a track file safely: the editor's saves go to a temporary name
// that is renamed over the real file only when everything was written, so
// a crash or a full disk never destroys the previous copy.

#include <functional>
#include <string>

#include "data/stream.h"

// Opens `name` + ".tmp" for writing, lets `write` fill it, and renames it
// to `name` when `write` returned true and the data reached the disk.
// False when the file could not be created, written or renamed.
bool save_track_file(const std::string& name, const std::function<bool(Stream*)>& write);
