#pragma once
// Sound tables: the grains an engine sound is made of, a two-dimensional
// grid of recorded firing samples indexed by engine speed (rows) and
// engine load (columns).
//
// Table file (text, read with the data scanner; white space is free):
//   "SOUNDTABLE %d %d"   rows NR, columns NC
//   NR numbers           engine speed of each row (rpm)
//   NC numbers           load value of each column
//   per row, per column: a list of integers ended by -1 (the remap list),
//                        then "%f %1023s": segment count and sample file
// Sample files are raw 16-bit little-endian signed PCM (value / 32768).
//
// Tables and samples are loaded once per name and kept for the whole run,
// so pointers to them stay valid until exit. Main thread only.

#include <string>
#include <string_view>
#include <vector>

struct SoundCell {
  const float* samples = nullptr;  // values in [-1, 1), shared by name
  int sample_count = 0;
  int segment_count = 1;   // the sample is this many equal segments, one per firing
  std::vector<int> remap;  // segment order by firing, each 0..segment_count - 1; may be empty
  float rpm = 0;           // the row's engine speed
  float load = 0;          // the column's load
};

struct SoundTable {
  std::string name;
  int rows = 0;                  // NR >= 1
  int columns = 0;               // NC >= 1
  std::vector<SoundCell> cells;  // NR x NC, row-major

  const SoundCell& cell(int row, int column) const {
    return cells[static_cast<size_t>(row * columns + column)];
  }
};

// The table of that name: the one already loaded (the built-in tables
// count), else the file of that name (opened unchanged, usually an "@"
// name) loaded and kept. On failure the cause is posted ("(%d, %d) Bad
// remap entry", "(%d, %d) Error reading '%.512s'" for a cell, nothing more
// for a missing or malformed file) and null returned; nothing is kept, so
// the next call tries again.
const SoundTable* sound_table(std::string_view name);

// Adds a table made by the program itself (the built-ins) under its name,
// unless one of that name is there already; returns the kept one.
const SoundTable* keep_sound_table(SoundTable table);

// The samples of a raw 16-bit sample file, cached by file name. Null when
// the file cannot be opened or is empty (nothing cached then). A trailing
// odd byte is dropped.
const std::vector<float>* sound_samples(const std::string& file_name);
