#include "data_set.h"

#include "marker_archive.h"
#include "output.h"
#include "shapes.h"
#include "sound.h"
#include "track_build.h"

namespace mkdata {

bool write_data_set(const std::filesystem::path& dir, std::string& error) {
  // The marker first: it is what the game's data check looks for.
  if (!write_file(dir / "zzzz.saf", marker_archive(), &error)) return false;
  for (const ShapeFile& shape : shape_files())
    if (!write_file(dir / shape.name, shape_text(shape), &error)) return false;
  for (const auto& [name, bytes] : sound_files())
    if (!write_file(dir / name, bytes, &error)) return false;
  for (const TrackDesc& desc : all_tracks()) {
    BuiltTrack track = build_track(desc);
    for (const auto& [name, bytes] : track.files) {
      if (bytes.empty() && name != "desc") {
        error = "could not encode " + desc.folder + "/" + name;
        return false;
      }
      if (!write_file(dir / desc.folder / name, bytes, &error)) return false;
    }
  }
  return true;
}

}  // namespace mkdata
