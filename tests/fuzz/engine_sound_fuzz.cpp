// Engine sound files of arbitrary bytes: the input, split at its first
// zero byte, is a ".braap" description and a sound table it names. In the
// table every '$' stands for a small sample file that exists, so the
// fuzzer reaches the cells without guessing paths. The description is
// then synthesised for a few short frames through the readback driver, so a
// hostile number that slipped through shows as a bad index or value.

#include <cstdint>
#include <cstdio>
#include <string>

#include "data/stream.h"
#include "fuzz_file.h"
#include "platform/audio.h"
#include "sound/engine_synthesis.h"

namespace {

const std::string& sample_path() {
  static const std::string path = [] {
    std::string p = fuzz_file_path(".raw");
    std::FILE* file = std::fopen(p.c_str(), "wb");
    if (file) {
      for (int i = 0; i < 256; ++i) {
        std::int16_t v = static_cast<std::int16_t>((i % 32 - 16) * 1500);
        std::fwrite(&v, sizeof v, 1, file);
      }
      std::fclose(file);
    }
    return p;
  }();
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool audio = audio_start_readback(nullptr, 44100, 64) != nullptr;
  if (!audio) return 0;
  const std::string input(reinterpret_cast<const char*>(data), size);
  std::size_t split = input.find('\0');
  std::string braap = input.substr(0, split);
  std::string table = split == std::string::npos ? "" : input.substr(split + 1);
  for (std::size_t at; (at = table.find('$')) != std::string::npos;)
    table.replace(at, 1, sample_path());

  // Tables are kept for the run by name, so each input gets a new name.
  static int counter = 0;
  const std::string table_path = fuzz_file_path((std::to_string(++counter) + ".table").c_str());
  if (std::FILE* file = std::fopen(table_path.c_str(), "wb")) {
    std::fwrite(table.data(), 1, table.size(), file);
    std::fclose(file);
  }
  braap = "soundtable " + table_path + "\n" + braap;
  const std::string braap_path =
      write_fuzz_file(reinterpret_cast<const std::uint8_t*>(braap.data()), braap.size(), ".braap");

  EngineSound sound;
  create_engine_sound_for(sound, "500", "");  // no class file to look for
  Stream* stream = stream_open(braap_path.c_str(), "rb");
  if (stream) {
    read_engine_sound_file(sound.desc, stream);
    stream_close(stream);
  }
  std::remove(table_path.c_str());

  // Short frames keep each run fast: 64 new samples a frame, each frame
  // starting with a firing so the table lookup runs every time.
  Listener listener;
  EngineFrame frame;
  sound.write_pos = 4410 - 64;
  for (int f = 0; f < 4; ++f) {
    frame.rpm = 800.0f + 9000.0f * f;
    frame.torque = 4.0f * f - 2;
    sound.phase = (1 << 24) - 1;
    synthesize_engine(sound, frame, listener, 1);
    audio_read_back();
  }
  free_engine_sound(sound);
  return 0;
}
