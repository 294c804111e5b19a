// The tile map file: n * n surface indices, row by row.

#include <algorithm>
#include <cstdio>
#include <string>

#include "data/stream.h"
#include "platform/messages.h"
#include "track/save_file.h"
#include "track/surfaces.h"

bool load_tile_map(TileMap& map, std::string_view dir, int shift, float tile_size,
                   int surface_count) {
  map = TileMap{};
  std::string path = std::string(dir) + "/tilemap";
  StreamPtr in{stream_open(path.c_str(), "rb")};
  if (!in) {
    char text[1100];
    std::snprintf(text, sizeof text, "Can't open '%.950s'", path.c_str());
    post_message(text);
    return false;
  }
  map.n = 1 << shift;
  map.tile_size = tile_size;
  std::size_t count = static_cast<std::size_t>(map.n) * map.n;
  map.tiles.assign(count, 0);
  std::size_t got = stream_read(in.get(), map.tiles.data(), count);
  if (got < count) {
    // The missing tiles stay surface 0 rather than refusing a ridable track.
    char text[1100];
    std::snprintf(text, sizeof text,
                  "Warning: '%.900s' holds %zu of %zu tiles; the rest use surface 0", path.c_str(),
                  got, count);
    post_message(text);
  }
  auto last = static_cast<std::uint8_t>(std::clamp(surface_count - 1, 0, 255));
  for (auto& tile : map.tiles) tile = std::min(tile, last);
  return true;
}

bool save_tile_map(const TileMap& map, std::string_view track_name) {
  std::string name = "@" + std::string(track_name) + "/tilemap";
  bool saved = save_track_file(name, [&](Stream* out) {
    return stream_write(out, map.tiles.data(), map.tiles.size()) == map.tiles.size();
  });
  if (!saved) post_message("Can't open 'tilemap'");
  return saved;
}
