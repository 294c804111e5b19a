// A robot lines file of arbitrary bytes read into a store, then pruned,
// planned and offered a candidate, so that hostile statistics reach every
// division and table index. An odd first byte puts the store's own header
// in front, so the fuzzer spends its time past the header check.

#include <cstdint>
#include <string>
#include <vector>

#include "data/stream.h"
#include "fuzz_file.h"
#include "robots/line_plan.h"
#include "robots/line_submit.h"
#include "robots/lines_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  static const std::vector<int> first_lap = {0, 1 + 100000, 2};
  static const std::vector<int> normal_lap = {3, 4, 5 + 100000};
  LineStore store;
  create_line_store(store, first_lap, normal_lap);  // 2 + 2 segments

  std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
  if (data[0] & 1) text = "ct03 4\n" + text;
  const std::string path =
      write_fuzz_file(reinterpret_cast<const std::uint8_t*>(text.data()), text.size(), ".lines");
  Stream* stream = stream_open(path.c_str(), "rb");
  if (!stream) return 0;
  read_lines(store, stream, "fuzz");
  stream_close(stream);

  int lines = 0;
  for (int c = 0; c < store_segments(store); ++c) lines += occupied_cells(store, c);
  if (lines == 0) return 0;  // nothing read: planning would only see empty cells

  analyze_lines(store);
  LinePlan plan;
  plan_segments(store, 1, 5, 3, plan);
  for (int c = 0; c < store_segments(store); ++c) {
    choose_eviction(store, c);
    for (int i = 0; i < kLinesPerSegment; ++i) {
      std::vector<LinePoint> shifted = segment_cells(store, c)[i].points;
      if (shifted.empty()) continue;
      for (LinePoint& p : shifted) p.x += 1;
      submit_candidate(store, c, shifted, false, 100, 200);
    }
  }
  return 0;
}
