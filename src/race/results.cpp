#include "race/results.h"

#include <cstdio>
#include <memory>

#include "data/stream.h"
#include "race/laps.h"
#include "sim/bike.h"

namespace {

// printf into a std::string.
template <typename... Args>
void append(std::string& out, const char* format, Args... args) {
  char line[256];
  int n = std::snprintf(line, sizeof line, format, args...);
  if (n > 0) out.append(line, static_cast<size_t>(std::min<int>(n, sizeof line - 1)));
}

// Minutes, seconds and milliseconds of a time in ticks; the milliseconds
// are cut from the single-precision seconds, as the tools reading the file
// have always seen them.
void append_time(std::string& out, const GameState& game, int ticks) {
  float seconds = static_cast<float>(ticks * game.step);
  int whole = static_cast<int>(seconds);
  int millis = static_cast<int>(seconds * 1000) - whole * 1000;
  append(out, "%3d:%02d.%03d", whole / 60, whole % 60, millis);
}

int lap_of_gate(const GameState& game, int g) {
  if (g < game.first_lap_gates || game.lap_gates <= 0) return 0;
  return (g - game.first_lap_gates) / game.lap_gates + 1;
}

}  // namespace

std::string format_results(const GameState& game, std::time_t date) {
  std::string out;
  append(out, "Time=%.2f|Laps=%d|Track=%s|Date=%ld\r\n", game.race_ticks * game.step, game.laps,
         game.track_name ? game.track_name : "", static_cast<long>(date));
  append(out, "%4s | %12s | %4s | %10s | %4s | %10s\r\n", "No.", "Bike", "Laps", "Total Time",
         "BLap", "Best Time");
  auto finishers = [&](auto&& each) {
    for (int i = 0; i < game.standing_count; ++i) {
      const StandingEntry& entry = game.standings[static_cast<size_t>(i)];
      const Bike* bike = game.bikes[static_cast<size_t>(entry.slot)];
      if (bike && is_finished(game, entry.slot)) each(entry, *bike);
    }
  };
  finishers([&](const StandingEntry& entry, const Bike& bike) {
    std::string model(bike.model.name);
    append(out, "%4s | %12s | %4d | ", bike.number_text, model.c_str(),
           laps_for_gates(game, entry.gates));
    append_time(out, game, entry.tick - game.drop_tick);
    const BestLap best = best_lap(game, entry.slot);
    append(out, " | %4d | ", best.lap);
    append_time(out, game, best.ticks);
    out += "\r\n";
  });
  finishers([&](const StandingEntry& entry, const Bike&) {
    const LineRecorder& progress = game.progress[static_cast<size_t>(entry.slot)];
    const int gates = progress.next_gate;
    append(out, "\r\n%d\r\n", gates);
    for (int g = 0; g < gates; ++g) {
      const int c = crossing_tick(progress, g);
      if (c < 0)
        append(out, "%8d", -1);
      else
        append(out, "%8.3f", (c - game.drop_tick) * game.step);
      const bool same_line = g + 1 < gates && lap_of_gate(game, g + 1) == lap_of_gate(game, g);
      out += same_line ? " " : "\r\n";
    }
  });
  return out;
}

bool write_results(const GameState& game) {
  const std::string text = format_results(game, std::time(nullptr));
  static constexpr const char* temporary = "@results.txt.new";
  Stream* out = stream_open(temporary, "wb");
  if (!out) return false;
  bool written = stream_write(out, text.data(), text.size()) == text.size();
  written = stream_flush(out) && written;
  stream_close(out);
  if (written && stream_rename(temporary, "@results.txt")) return true;
  stream_remove(temporary);
  return false;
}
