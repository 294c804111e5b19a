#include "track/save_file.h"

#include <cstdio>

bool save_track_file(const std::string& name, const std::function<bool(Stream*)>& write) {
  std::string temp = name + ".tmp";
  Stream* out = stream_open(temp.c_str(), "wb");
  if (!out) return false;
  bool ok = write(out) && stream_flush(out);
  stream_close(out);
  return ok && stream_rename(temp.c_str(), name.c_str());
}
