#include "robots/line_layout.h"

#include "track/timing_gates.h"

namespace {

std::vector<int> line_gate_prefix(std::span<const int> entries) {
  std::vector<int> prefix(entries.size() + 1, 0);
  for (std::size_t k = 0; k < entries.size(); ++k)
    prefix[k + 1] = prefix[k] + (entries[k] < kNoSplitFlag ? 1 : 0);
  return prefix;
}

}  // namespace

LineLayout make_line_layout(std::span<const int> first_lap, std::span<const int> normal_lap) {
  LineLayout layout;
  layout.first_lap.assign(first_lap.begin(), first_lap.end());
  layout.normal_lap.assign(normal_lap.begin(), normal_lap.end());
  layout.first_count = static_cast<int>(first_lap.size());
  layout.normal_count = static_cast<int>(normal_lap.size());
  layout.first_prefix = line_gate_prefix(first_lap);
  layout.normal_prefix = line_gate_prefix(normal_lap);
  layout.first_lines = layout.first_prefix.back();
  layout.normal_lines = layout.normal_prefix.back();
  return layout;
}

int segment_count(const LineLayout& layout) {
  if (layout.first_lines < 1 || layout.normal_lines < 1) return 0;
  return layout.first_lines + layout.normal_lines;
}

int gate_pass_lap_entry(const LineLayout& layout, int g) {
  if (g < 0 || segment_count(layout) == 0) return -1;
  if (g < layout.first_count) return layout.first_lap[g];
  return layout.normal_lap[(g - layout.first_count) % layout.normal_count];
}

bool is_line_gate(const LineLayout& layout, int g) {
  int entry = gate_pass_lap_entry(layout, g);
  return entry >= 0 && entry < kNoSplitFlag;
}

bool is_lap_end(const LineLayout& layout, int g) {
  if (segment_count(layout) == 0) return false;
  int k = g + 1 - layout.first_count;
  return k >= 0 && k % layout.normal_count == 0;
}

int line_segment(const LineLayout& layout, int g) {
  if (g <= 0 || segment_count(layout) == 0) return 0;
  if (g <= layout.first_count) return layout.first_prefix[g];
  int rest = g - layout.first_count;
  return layout.first_lines + rest / layout.normal_count * layout.normal_lines +
         layout.normal_prefix[rest % layout.normal_count];
}

int store_index(const LineLayout& layout, int s) {
  if (segment_count(layout) == 0 || s < 0) return 0;
  if (s < layout.first_lines) return s;
  return layout.first_lines + (s - layout.first_lines) % layout.normal_lines;
}

int previous_line_gate(const LineLayout& layout, int g) {
  for (int p = g - 1; p >= 0; --p)
    if (is_line_gate(layout, p)) return p;
  return -1;
}
