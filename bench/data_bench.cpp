// Reading game data: gzip inflate through a stream, and the text scanner
// on the kind of number-heavy text the track and line files hold.

#include <benchmark/benchmark.h>
#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <unistd.h>

#include "data/stream.h"

namespace {

// A fresh temporary path with the given ending, removed afterwards.
struct TempFile {
  std::string path;
  explicit TempFile(const char* suffix) {
    char pattern[] = "/tmp/tavrin-bench-XXXXXX";
    const int fd = mkstemp(pattern);
    if (fd >= 0) close(fd);
    std::remove(pattern);
    path = std::string(pattern) + suffix;
  }
  ~TempFile() { std::remove(path.c_str()); }
};

// 4 MiB of text-like bytes, compressible about as well as terrain data.
std::vector<unsigned char> sample_bytes() {
  std::vector<unsigned char> bytes(4 << 20);
  unsigned state = 12345;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    state = state * 1103515245u + 12345u;
    bytes[i] = static_cast<unsigned char>('a' + (state >> 16) % 16);
  }
  return bytes;
}

void BM_InflateGzipStream(benchmark::State& state) {
  const std::vector<unsigned char> bytes = sample_bytes();
  // The stream finds "name.gz" when asked for "name", as the game does.
  TempFile file(".gz");
  const std::string plain_name = file.path.substr(0, file.path.size() - 3);
  gzFile gz = gzopen(file.path.c_str(), "wb6");
  gzwrite(gz, bytes.data(), static_cast<unsigned>(bytes.size()));
  gzclose(gz);

  std::vector<unsigned char> buffer(1 << 16);
  for (auto _ : state) {
    StreamPtr stream(stream_open(plain_name.c_str(), "rb"));
    std::size_t total = 0;
    while (std::size_t n = stream_read(stream.get(), buffer.data(), buffer.size())) total += n;
    if (total != bytes.size()) state.SkipWithError("inflated size differs");
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK(BM_InflateGzipStream)->Unit(benchmark::kMillisecond);

void BM_ScanNumbers(benchmark::State& state) {
  constexpr int kLines = 20000;
  TempFile file(".txt");
  {
    StreamPtr out(stream_open(file.path.c_str(), "wb"));
    for (int i = 0; i < kLines; ++i)
      stream_printf(out.get(), "[%.3f %.3f %.3f %.2f %.4f] %d\n", i * 0.25, 10.5 - i * 0.001,
                    -i * 0.125, 40.0 + i % 7, 0.01 * (i % 13), i);
  }
  for (auto _ : state) {
    StreamPtr in(stream_open(file.path.c_str(), "rb"));
    float x, y, z, speed, lean;
    int id, lines = 0;
    while (stream_scanf(in.get(), " [%f %f %f %f %f] %d", &x, &y, &z, &speed, &lean, &id) == 6)
      ++lines;
    if (lines != kLines) state.SkipWithError("scanned line count differs");
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * kLines));
}
BENCHMARK(BM_ScanNumbers)->Unit(benchmark::kMillisecond);

}  // namespace
