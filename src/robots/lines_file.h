#pragma once
// The lines files: one text file per track and skill ("lines_novice",
// "lines_amateur", "lines_expert" in the track's folder) holding the
// store's cells, and the store's part of a session start.
//
// Format (read with the data scanner, whitespace-tolerant):
//   "ct03 %d\n"                       the number of segments S
//   per segment 0 .. S - 1:
//     "%d\n"                          the number of lines that follow
//     per line: "%d %d %d %d %d %d %d %d %d\n" with point_count,
//       rec_single, rec_double, tests, best_single, best_double,
//       sum_single, sum_double, failures; then point_count lines
//       "[%f %f %f] %f %f\n" with x, y, z, speed, lean.
// line_id and last_picked are not stored; every line read gets a new id.

#include <string_view>

#include "robots/line_store.h"

struct Stream;

inline constexpr int kSkillCount = 3;

// "lines_novice", "lines_amateur", "lines_expert" for skills 0, 1, 2;
// null for any other skill.
const char* lines_file_name(int skill);

// Brings the statistics of a line read from a file into range. Values
// that cannot be right are reset first (negative counts and sums to 0,
// negative times to 1000000), so no later division can fail. Then, while
// sum_double > 100000000, tests > 65535 or failures > 65535, at most 16
// times: h = tests / 2; when h is not 0, sum_single = h x (sum_single /
// tests), sum_double = h x (sum_double / tests), tests = h; failures =
// failures / 2. Finally sums are capped at 100000000 and counts at 65535.
void scale_line_statistics(LineCell& cell);

// Reads a lines file into the (cleared) cells of the store. The header
// must read and name the store's segment count, else nothing is read and
// false is returned. Lines fill cells 0, 1, ... of their segment; lines
// beyond the 45th are read and dropped, and so are lines without points.
// Reading stops at the first record that does not read (the cells read
// until then stay); a line whose points do not all read is not kept.
// Points are kept only as they are actually read, so an absurd count in
// the file costs no memory. `name` is for the log.
bool read_lines(LineStore& store, Stream* stream, const char* name);

// Writes the store's non-empty cells in the format above. False when a
// write fails.
bool write_lines(const LineStore& store, Stream* stream);

// `load_lines`: selects `skill` as the store's skill and reads the file
// "@" + track + "/" + lines_file_name(skill) (the home directory's copy
// first, then the installed one). A missing, unreadable or mismatched
// file leaves the store empty. True when a file was read.
bool load_lines(LineStore& store, std::string_view track, int skill);

// `save_lines`: writes the store's cells for its skill to the @ name above
// (landing in the home directory) through a temporary name
// (+ ".tmp") that is renamed into place once complete, so a crash or a
// full disk never destroys the previous file. Logs and returns false on
// failure. Nothing is written for a store without segments, skill or any
// line at all: an empty home copy would hide the installed lines.
bool save_lines(const LineStore& store, std::string_view track);

// Session start, first half: when the store's skill is selected and
// learning is on (no --nolearn), the cells are saved for the track they
// were loaded with; then every cell is cleared.
void remember_lines(LineStore& store, std::string_view track, bool learn);

// Session start, last half (after load_lines): prune_crowded_segments,
// then plan_lap_lines.
void analyze_lines(LineStore& store);
