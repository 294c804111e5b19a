#pragma once
// The data directories, the merged file index and the game-data check.
//
// The directory list is, in order: the home directory
// ($XDG_DATA_HOME, default $HOME/.local/share, + "/Tavrin/"; absent when
// neither variable is set; a relative XDG_DATA_HOME is ignored), then
// QZ_HOME + "/" when QZ_HOME is set and not empty, else the running
// executable's folder + "/". Every entry ends in '/'. The home
// directory, when present, is entry 0 and is where the game writes.
//
// The file index holds one entry per visible file of all directories and
// of every ".saf" archive in them, sorted by (name, source), so for each
// name the entry with the smallest source (home before installation,
// plain files before archive members) wins. The list and the index are
// built once, on first use, and live until exit (or until
// reset_data_dirs_for_tests).

#include <string>
#include <vector>

#include "base/ripemd160.h"

// One visible file. For an archive member `path` is the archive's path and
// `offset` where the member's bytes start in it.
struct FileIndexEntry {
  std::string path;  // real path to open
  std::string name;  // relative name as the game asks for it, '/' separated
  int offset = 0;    // bytes from the start of `path`
  int size = 0;      // bytes
  int source = 0;    // priority: directory position, or directory count + archive ordinal
};

// The i-th data directory (ending in '/'), or null past the end. The
// pointer stays valid until exit.
const char* data_dir(int i);

// The home directory ("/.../Tavrin/"), or null when the system gives none.
const char* home_directory();

// The merged name list: the index's names, sorted by byte comparison,
// duplicates removed. Built on first use.
const std::vector<std::string>& file_names();

// The whole index, sorted by (name, source). Built on first use.
const std::vector<FileIndexEntry>& file_index();

// First index entry, in sorted order, whose name equals `name` ignoring
// letter case, or equals it ignoring case followed by ".gz" (then
// *compressed is set). Null when there is none.
const FileIndexEntry* find_index_entry(const char* name, bool* compressed);

// The --open-home action: creates every missing folder along the home
// path and asks the desktop to show it in the file browser. Returns 0 (the
// program's exit status).
int open_home_directory();

// True when the game data is installed: some data directory holds a
// "zzzz.saf" whose first MiB (or whole content, if shorter) has the
// RIPEMD-160 digest of data/game_data_digest.h. First creates the home
// directory and starts the log at "lastlog.txt" in it.
bool check_game_data();

// check_game_data against a chosen digest (for tests).
bool check_game_data_digest(const Ripemd160Digest& expected);

// Digest of the first 1 MiB of the file at `path`, read 256 bytes at a
// time; false when it cannot be opened.
bool marker_digest(const char* path, Ripemd160Digest* digest);

// For tests only: forgets the directory list, the index and the
// screenshot counter, so the next call re-reads XDG_DATA_HOME, HOME and
// QZ_HOME and walks the folders again.
void reset_data_dirs_for_tests();
