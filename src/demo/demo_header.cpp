// Reading and writing the text header of a demo file.
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "demo/demo.h"
#include "platform/messages.h"

namespace {

constexpr int max_line = 1023;

// Reads one line with its newline into `line` (without it). False when the
// file ends first or the line is longer than max_line characters.
bool read_line(Stream* stream, std::string& line) {
  line.clear();
  for (int n = 0; n < max_line; ++n) {
    int c = stream_getc(stream);
    if (c < 0) return false;
    if (c == '\n') return true;
    line.push_back(static_cast<char>(c));
  }
  return false;
}

// "QZ" then up to five whole numbers; returns how many were read (each
// must fit an int), or -1 without the "QZ" mark.
int scan_numbers(const std::string& line, long numbers[5]) {
  if (line.compare(0, 2, "QZ") != 0) return -1;
  const char* p = line.c_str() + 2;
  int count = 0;
  while (count < 5) {
    char* end;
    errno = 0;
    long v = std::strtol(p, &end, 10);
    if (end == p || errno == ERANGE || v < INT_MIN || v > INT_MAX) break;
    numbers[count++] = v;
    p = end;
  }
  return count;
}

// A track name that stays inside the data folders.
bool plain_folder_name(const std::string& name) {
  return !name.empty() && name[0] != '.' && name.find_first_of("/\\") == std::string::npos;
}

bool refuse(const char* name, const char* why) {
  char text[300];
  std::snprintf(text, sizeof text, "demo %.200s: %s", name, why);
  post_message(text);
  return false;
}

// Header fields are single-line texts without the field separator.
std::string field(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c == '|' || c == '\n' || c == '\r') c = '_';
  return out;
}

}  // namespace

int demo_state_size(int version) {
  return version == 5   ? static_cast<int>(bike_state_size)
         : version == 4 ? static_cast<int>(bike_state_size_v4)
                        : 0;
}

bool read_demo_header(Stream* stream, const char* name, DemoHeader& header) {
  header = DemoHeader{};
  std::string line;
  int length = 0;
  // The first line may end the file without a newline only when it is
  // everything; a header always goes on, so demand the newline here too.
  if (!read_line(stream, line)) return refuse(name, "no header line");
  length += static_cast<int>(line.size()) + 1;
  long n[5];
  int count = scan_numbers(line, n);
  if (count < 3) return refuse(name, "not a demo file");
  if (n[0] != 4 && n[0] != 5) return refuse(name, "unsupported demo version");
  if (n[1] < 0 || n[1] > max_bikes) return refuse(name, "bad number of bikes");
  if (n[2] < 0 || (count > 3 && n[3] < 0) || (count > 4 && n[4] < 0))
    return refuse(name, "bad race length");
  header.version = static_cast<int>(n[0]);
  header.race_ticks = static_cast<int>(n[2]);
  header.laps = count > 3 ? static_cast<int>(n[3]) : 0;
  header.drop_tick = count > 4 ? static_cast<int>(n[4]) : static_cast<int>(14 / simulation_step);

  if (!read_line(stream, header.track)) return refuse(name, "header cut short");
  length += static_cast<int>(header.track.size()) + 1;
  if (!plain_folder_name(header.track)) return refuse(name, "bad track name");

  header.bikes.resize(static_cast<std::size_t>(n[1]));
  for (DemoBike& bike : header.bikes) {
    if (!read_line(stream, line)) return refuse(name, "header cut short");
    length += static_cast<int>(line.size()) + 1;
    std::string* fields[] = {&bike.model, &bike.rider, &bike.bike, &bike.wheel, &bike.helmet};
    std::size_t start = 0;
    for (std::string* f : fields) {
      if (start > line.size()) break;
      std::size_t bar = line.find('|', start);
      *f = line.substr(start, bar == std::string::npos ? std::string::npos : bar - start);
      start = bar == std::string::npos ? line.size() + 1 : bar + 1;
    }
    if (!read_line(stream, line)) return refuse(name, "header cut short");
    length += static_cast<int>(line.size()) + 1;
    bike.number = line.substr(0, 3);
  }
  header.length = length;
  return true;
}

int write_demo_header(Stream* stream, const DemoHeader& header) {
  std::string text = "QZ05 " + std::to_string(header.bikes.size()) + " " +
                     std::to_string(header.race_ticks) + " " + std::to_string(header.laps) + " " +
                     std::to_string(header.drop_tick) + "\n" + field(header.track) + "\n";
  for (const DemoBike& b : header.bikes)
    text += field(b.model) + "|" + field(b.rider) + "|" + field(b.bike) + "|" + field(b.wheel) +
            "|" + field(b.helmet) + "\n" + field(b.number.substr(0, 3)) + "\n";
  if (stream_write(stream, text.data(), text.size()) != text.size()) return -1;
  return static_cast<int>(text.size());
}
