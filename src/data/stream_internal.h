#pragma once
// The stream record, shared by the files of the data library only.

#include <climits>
#include <cstdio>

struct Inflater;

struct Stream {
  std::FILE* file = nullptr;
  int base = 0;         // byte offset of the data in the file
  int limit = INT_MAX;  // size of the data in bytes
  int position = 0;     // bytes consumed from the file (compressed bytes for gzip)
  int pushback = -1;    // one byte given back by a peek, -1 when empty
  bool compressed = false;
  Inflater* inflater = nullptr;  // owned; only for compressed streams
};

// Longest combined path the streams open; longer ones are refused.
inline constexpr int kMaxPathLength = 511;

// Opens a path with the plain path rule: for writing, missing folders are
// made first; for reading, path + ".gz" is tried when path does not open.
Stream* open_plain_path(const char* path, const char* mode);

// Opens bytes [offset, offset + size) of `path` for reading, inflating
// them when `compressed`.
Stream* open_file_range(const char* path, int offset, int size, bool compressed);

// True when `mode` writes (no 'r', or a '+').
bool mode_writes(const char* mode);

// Creates every missing folder along `path` (each prefix ending before a
// '/'); the last component is not created unless path ends in '/'.
void make_parent_dirs(const char* path);
