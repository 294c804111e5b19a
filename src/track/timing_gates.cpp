#include "track/timing_gates.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>
#include <string>

#include "data/stream.h"
#include "platform/log.h"
#include "platform/messages.h"
#include "track/save_file.h"

double normalize_heading(double a) {
  if (!std::isfinite(a)) return 0;
  constexpr double pi = std::numbers::pi;
  double x = (a + pi) / (2 * pi);
  return (x - std::floor(x)) * 2 * pi - pi;
}

int normalize_lap_entry(int v, int checkpoint_count) {
  if (v < 0) return 0;
  int flag = v >= kNoSplitFlag ? kNoSplitFlag : 0;
  int index = std::min(v % kNoSplitFlag, std::max(checkpoint_count - 1, 0));
  return index + flag;
}

static int splitting_entries(const std::vector<int>& list) {
  return static_cast<int>(
      std::count_if(list.begin(), list.end(), [](int v) { return v < kNoSplitFlag; }));
}

bool timing_active(const TimingGates& gates) {
  return !gates.checkpoints.empty() && splitting_entries(gates.first_lap) > 0 &&
         splitting_entries(gates.normal_lap) > 0;
}

bool gate_crossed(const Checkpoint& c, Vec3 p) {
  double dx = p.x - c.centre.x, dz = p.z - c.centre.z;
  return dx * dx + dz * dz <= double(c.radius) * c.radius &&
         dx * c.direction.x + dz * c.direction.z >= 0;
}

int gate_pass_entry(const TimingGates& gates, int g) {
  if (g < 0 || !timing_active(gates)) return -1;
  int f = static_cast<int>(gates.first_lap.size());
  if (g < f) return gates.first_lap[g];
  return gates.normal_lap[(g - f) % gates.normal_lap.size()];
}

int gate_pass_checkpoint(const TimingGates& gates, int g) {
  int entry = gate_pass_entry(gates, g);
  return entry < 0 ? -1 : entry % kNoSplitFlag;
}

void free_timing_gates(TimingGates& gates) { gates = TimingGates{}; }

namespace {

// The next section keyword, or an empty string at the end of the file.
std::string next_word(Stream* in) {
  char word[81];
  if (stream_scanf(in, " %80s ", word) != 1) return {};
  return word;
}

void read_lap_list(Stream* in, std::vector<int>& list) {
  int v;
  while (static_cast<int>(list.size()) < kMaxLapEntries && stream_scanf(in, "%d", &v) == 1)
    list.push_back(v);
}

}  // namespace

bool load_timing_gates(TimingGates& gates, std::string_view path) {
  gates = TimingGates{};
  StreamPtr in{stream_open(std::string(path).c_str(), "rb")};
  if (!in) return false;

  std::string word = next_word(in.get());
  if (word == "startinggate:") {
    float x, y, z, a;
    while (static_cast<int>(gates.starts.size()) < kMaxStartPositions &&
           stream_scanf(in.get(), " [ %f %f %f ] %f", &x, &y, &z, &a) == 4) {
      gates.starts.push_back({{x, y, z}, static_cast<float>(normalize_heading(a)), -1});
    }
    word = next_word(in.get());
  }
  if (word == "checkpoints:") {
    Checkpoint c;
    float r, cx, cy, cz, dx, dy, dz;
    while (static_cast<int>(gates.checkpoints.size()) < kMaxCheckpoints &&
           stream_scanf(in.get(), "%f [ %f %f %f ] [ %f %f %f ]", &r, &cx, &cy, &cz, &dx, &dy,
                        &dz) == 7) {
      c.radius = r;
      c.centre = {cx, cy, cz};
      c.direction = {dx, dy, dz};
      gates.checkpoints.push_back(c);
    }
    word = next_word(in.get());
    if (word == "firstlap:") {
      read_lap_list(in.get(), gates.first_lap);
      word = next_word(in.get());
    }
    if (word == "normallap:") read_lap_list(in.get(), gates.normal_lap);
  }

  int count = static_cast<int>(gates.checkpoints.size());
  for (int& v : gates.first_lap) v = normalize_lap_entry(v, count);
  for (int& v : gates.normal_lap) v = normalize_lap_entry(v, count);
  if (!timing_active(gates)) {
    gates.checkpoints.clear();
    gates.first_lap.clear();
    gates.normal_lap.clear();
    return false;
  }
  if (debug_level > 0) {
    korb_log("Found %d timing gates, first lap has %d gates, normal lap has %d\n", count,
             static_cast<int>(gates.first_lap.size()), static_cast<int>(gates.normal_lap.size()));
  }
  return true;
}

bool save_timing_gates(const TimingGates& gates, std::string_view track_name) {
  std::string name = "@" + std::string(track_name) + "/timing_gates";
  bool saved = save_track_file(name, [&](Stream* out) {
    bool ok = true;
    auto put = [&](int written) { ok = ok && written >= 0; };
    if (!gates.starts.empty()) {
      put(stream_printf(out, "startinggate:\n"));
      for (const StartPosition& s : gates.starts) {
        put(stream_printf(out, "[%f %f %f]", s.position.x, s.position.y, s.position.z));
        put(stream_printf(out, " %f\n", double(s.heading)));
      }
    }
    if (!gates.checkpoints.empty()) {
      put(stream_printf(out, "checkpoints:\n"));
      for (const Checkpoint& c : gates.checkpoints) {
        put(stream_printf(out, "%f ", double(c.radius)));
        put(stream_printf(out, "[%f %f %f]", c.centre.x, c.centre.y, c.centre.z));
        put(stream_printf(out, " "));
        put(stream_printf(out, "[%f %f %f]", c.direction.x, c.direction.y, c.direction.z));
        put(stream_printf(out, "\n"));
      }
    }
    if (!gates.first_lap.empty()) {
      put(stream_printf(out, "firstlap:\n"));
      for (int v : gates.first_lap) put(stream_printf(out, "%d ", v));
      put(stream_printf(out, "\n"));
    }
    if (!gates.normal_lap.empty()) {
      put(stream_printf(out, "normallap:\n"));
      for (int v : gates.normal_lap) put(stream_printf(out, "%d ", v));
      put(stream_printf(out, "\n"));
    }
    return ok;
  });
  if (!saved) post_message("Can't open 'timing_gates'\n");
  return saved;
}
