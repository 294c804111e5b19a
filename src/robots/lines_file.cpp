#include "robots/lines_file.h"

#include <algorithm>
#include <array>
#include <string>

#include "data/stream.h"
#include "platform/log.h"
#include "robots/line_plan.h"

namespace {

constexpr std::int32_t kMaxSum = 100000000;
constexpr std::int32_t kMaxCount = 65535;
constexpr int kMaxScalingRounds = 16;

std::string lines_at_name(std::string_view track, int skill) {
  std::string name = "@";
  name.append(track);
  name += '/';
  name += lines_file_name(skill);
  return name;
}

// Reads one line's points; false when any of them does not read.
bool read_points(Stream* stream, int count, std::vector<LinePoint>& points) {
  points.clear();
  for (int k = 0; k < count; ++k) {
    LinePoint p;
    if (stream_scanf(stream, " [%f %f %f ] %f %f", &p.x, &p.y, &p.z, &p.speed, &p.lean) != 5)
      return false;
    points.push_back(p);
  }
  return true;
}

}  // namespace

const char* lines_file_name(int skill) {
  static constexpr std::array<const char*, kSkillCount> names = {"lines_novice", "lines_amateur",
                                                                 "lines_expert"};
  return skill >= 0 && skill < kSkillCount ? names[skill] : nullptr;
}

void scale_line_statistics(LineCell& cell) {
  for (std::int32_t* count : {&cell.tests, &cell.failures, &cell.sum_single, &cell.sum_double})
    *count = std::max(*count, 0);
  for (std::int32_t* time :
       {&cell.rec_single, &cell.rec_double, &cell.best_single, &cell.best_double})
    if (*time < 0) *time = kNoTime;

  for (int round = 0;
       round < kMaxScalingRounds &&
       (cell.sum_double > kMaxSum || cell.tests > kMaxCount || cell.failures > kMaxCount);
       ++round) {
    std::int32_t h = cell.tests / 2;
    if (h != 0) {
      cell.sum_single = h * (cell.sum_single / cell.tests);
      cell.sum_double = h * (cell.sum_double / cell.tests);
      cell.tests = h;
    }
    cell.failures /= 2;
  }
  cell.sum_single = std::min(cell.sum_single, kMaxSum);
  cell.sum_double = std::min(cell.sum_double, kMaxSum);
  cell.tests = std::min(cell.tests, kMaxCount);
  cell.failures = std::min(cell.failures, kMaxCount);
}

bool read_lines(LineStore& store, Stream* stream, const char* name) {
  clear_line_store(store);
  const int segments = store_segments(store);
  int file_segments = 0;
  if (stream_scanf(stream, "ct03 %d ", &file_segments) != 1) {
    korb_log("Robot lines '%s' unreadable, ignored\n", name);
    return false;
  }
  if (file_segments != segments) {
    korb_log("Robot lines '%s' are for %d segments, the track has %d: ignored\n", name,
             file_segments, segments);
    return false;
  }
  std::vector<LinePoint> points;
  for (int c = 0; c < segments; ++c) {
    int lines = 0;
    if (stream_scanf(stream, "%d", &lines) != 1 || lines < 0) return true;
    if (debug_level >= 1) korb_log("%d: %d\n", c, lines);
    auto cells = segment_cells(store, c);
    int filled = 0;
    for (int k = 0; k < lines; ++k) {
      LineCell read;
      int point_count = 0;
      if (stream_scanf(stream, "%d %d %d %d %d %d %d %d %d", &point_count, &read.rec_single,
                       &read.rec_double, &read.tests, &read.best_single, &read.best_double,
                       &read.sum_single, &read.sum_double, &read.failures) != 9)
        return true;
      if (!read_points(stream, point_count, points)) return true;
      if (points.empty() || filled >= kLinesPerSegment) continue;
      LineCell& cell = cells[filled++];
      scale_line_statistics(read);
      read.points = points;
      read.last_picked = cell.last_picked;
      read.line_id = new_line_id(store);
      cell = std::move(read);
    }
  }
  return true;
}

bool write_lines(const LineStore& store, Stream* stream) {
  const int segments = store_segments(store);
  bool ok = stream_printf(stream, "ct03 %d\n", segments) >= 0;
  for (int c = 0; c < segments && ok; ++c) {
    ok = stream_printf(stream, "%d\n", occupied_cells(store, c)) >= 0;
    for (const auto& cell : segment_cells(store, c)) {
      if (cell.points.empty() || !ok) continue;
      ok = stream_printf(stream, "%d %d %d %d %d %d %d %d %d\n", cell.point_count(),
                         cell.rec_single, cell.rec_double, cell.tests, cell.best_single,
                         cell.best_double, cell.sum_single, cell.sum_double, cell.failures) >= 0;
      for (const auto& p : cell.points) {
        if (!ok) break;
        ok = stream_printf(stream, "[%f %f %f] %f %f\n", p.x, p.y, p.z, p.speed, p.lean) >= 0;
      }
    }
  }
  return ok && stream_flush(stream);
}

bool load_lines(LineStore& store, std::string_view track, int skill) {
  clear_line_store(store);
  store.skill = skill;
  if (!lines_file_name(skill) || store_segments(store) == 0) return false;
  std::string name = lines_at_name(track, skill);
  StreamPtr stream(stream_open(name.c_str(), "rb"));
  if (!stream) return false;
  return read_lines(store, stream.get(), name.c_str());
}

bool save_lines(const LineStore& store, std::string_view track) {
  if (!lines_file_name(store.skill) || store_segments(store) == 0) return false;
  // A store without a single line was neither loaded nor taught anything;
  // writing it would only hide the installed lines behind an empty copy.
  bool any = false;
  for (const auto& cell : store.cells) any = any || !cell.points.empty();
  if (!any) return false;
  std::string name = lines_at_name(track, store.skill);
  std::string temporary = name + ".tmp";
  StreamPtr stream(stream_open(temporary.c_str(), "wb"));
  if (!stream) {
    korb_log("Can't write robot lines '%s'\n", temporary.c_str());
    return false;
  }
  bool written = write_lines(store, stream.get());
  stream.reset();
  if (!written || !stream_rename(temporary.c_str(), name.c_str())) {
    korb_log("Can't write robot lines '%s'; the previous copy is kept\n", name.c_str());
    return false;
  }
  return true;
}

void remember_lines(LineStore& store, std::string_view track, bool learn) {
  if (store.skill != -1 && learn) save_lines(store, track);
  clear_line_store(store);
}

void analyze_lines(LineStore& store) {
  prune_crowded_segments(store);
  plan_lap_lines(store);
}
