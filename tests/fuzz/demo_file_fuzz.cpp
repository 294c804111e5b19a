// Demo files of arbitrary bytes through the playback: the header reader,
// then frames and a rewind, so a header that slipped through with a bad
// count or length would show as a read outside the frame buffer.

#include <cstdint>
#include <cstdio>

#include "demo/demo.h"
#include "fuzz_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string path = write_fuzz_file(data, size, ".qzdemo");
  GameState game;
  DemoState demo;
  if (open_playback(game, demo, path.c_str())) {
    for (game.tick = 1; game.tick < 64 && !demo.playback_ended; ++game.tick) play_tick(game, demo);
    game.tick = 200;
    seek_playback(game, demo, -1);
    seek_playback(game, demo, 1);
  }
  close_playback(demo);
  std::remove(path.c_str());
  return 0;
}
