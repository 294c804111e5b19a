#include "sound/sound_table.h"

#include <cstdint>
#include <cstdio>
#include <map>

#include "data/stream.h"
#include "platform/messages.h"

namespace {

// Kept for the run: std::map nodes never move, so the pointers handed
// out stay valid.
std::map<std::string, SoundTable, std::less<>> tables;
std::map<std::string, std::vector<float>, std::less<>> samples_by_name;

// Sizes past these are not sound tables but damage; refusing them keeps a
// hostile header from asking for gigabytes.
constexpr int max_rows = 4096;
constexpr int max_columns = 4096;

void post_cell_error(int row, int column, const char* file) {
  char text[600];
  std::snprintf(text, sizeof text, "(%d, %d) Error reading '%.512s'", row, column, file);
  post_message(text);
}

// Reads the remap list of one cell up to its -1; false (posted) when an
// entry is not an integer.
bool read_remap(Stream* stream, int row, int column, std::vector<int>& remap) {
  for (;;) {
    int value = 0;
    if (stream_scanf(stream, " %d", &value) != 1) {
      char text[64];
      std::snprintf(text, sizeof text, "(%d, %d) Bad remap entry", row, column);
      post_message(text);
      return false;
    }
    if (value == -1) return true;
    remap.push_back(value);
  }
}

bool read_cell(Stream* stream, int row, int column, SoundCell& cell) {
  if (!read_remap(stream, row, column, cell.remap)) return false;
  float segments = 0;
  char file[1024] = "";
  if (stream_scanf(stream, " %f %1023s", &segments, file) != 2) {
    post_cell_error(row, column, file);
    return false;
  }
  const std::vector<float>* samples = sound_samples(file);
  // Every segment needs at least one sample; a count below one (or not a
  // number) would divide by zero when the segment is played.
  if (!samples || !(segments >= 1) || segments > static_cast<float>(samples->size())) {
    post_cell_error(row, column, file);
    return false;
  }
  cell.samples = samples->data();
  cell.sample_count = static_cast<int>(samples->size());
  cell.segment_count = static_cast<int>(segments);
  for (int& m : cell.remap)
    m = ((m % cell.segment_count) + cell.segment_count) % cell.segment_count;
  return true;
}

bool read_table(Stream* stream, SoundTable& table) {
  int rows = 0, columns = 0;
  if (stream_scanf(stream, " SOUNDTABLE %d %d", &rows, &columns) != 2) return false;
  if (rows < 1 || columns < 1 || rows > max_rows || columns > max_columns) return false;
  std::vector<float> rpm, load;
  for (int r = 0; r < rows; ++r) {
    float value = 0;
    if (stream_scanf(stream, " %f", &value) != 1) return false;
    rpm.push_back(value);
  }
  for (int c = 0; c < columns; ++c) {
    float value = 0;
    if (stream_scanf(stream, " %f", &value) != 1) return false;
    load.push_back(value);
  }
  table.rows = rows;
  table.columns = columns;
  for (int r = 0; r < rows; ++r) {
    for (int c = 0; c < columns; ++c) {
      SoundCell cell;
      cell.rpm = rpm[static_cast<size_t>(r)];
      cell.load = load[static_cast<size_t>(c)];
      if (!read_cell(stream, r, c, cell)) return false;
      table.cells.push_back(std::move(cell));
    }
  }
  return true;
}

}  // namespace

const std::vector<float>* sound_samples(const std::string& file_name) {
  if (auto it = samples_by_name.find(file_name); it != samples_by_name.end()) return &it->second;
  StreamPtr stream(stream_open(file_name.c_str(), "rb"));
  if (!stream) return nullptr;
  std::vector<float> samples;
  std::uint8_t buffer[8192];
  std::size_t carried = 0;  // a low byte waiting for its high byte
  for (;;) {
    std::size_t got = stream_read(stream.get(), buffer + carried, sizeof buffer - carried);
    if (got == 0) break;
    std::size_t bytes = carried + got;
    for (std::size_t i = 0; i + 1 < bytes; i += 2) {
      auto value = static_cast<std::int16_t>(buffer[i] | (buffer[i + 1] << 8));
      samples.push_back(static_cast<float>(value) / 32768.0f);
    }
    carried = bytes % 2;
    if (carried) buffer[0] = buffer[bytes - 1];
  }
  if (samples.empty()) return nullptr;
  return &samples_by_name.emplace(file_name, std::move(samples)).first->second;
}

const SoundTable* keep_sound_table(SoundTable table) {
  std::string name = table.name;
  return &tables.try_emplace(std::move(name), std::move(table)).first->second;
}

const SoundTable* sound_table(std::string_view name) {
  if (auto it = tables.find(name); it != tables.end()) return &it->second;
  std::string file(name);
  StreamPtr stream(stream_open(file.c_str(), "rb"));
  if (!stream) return nullptr;
  SoundTable table;
  table.name = file;
  if (!read_table(stream.get(), table)) return nullptr;
  return keep_sound_table(std::move(table));
}
