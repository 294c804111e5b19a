#pragma once
// The ".saf" archive header. An archive is a text header of lines
// "<size> <name>\n" (size in bytes, a base-10 integer; one separator
// character; the name up to the newline, runs of '/' counting as one),
// ended by the line "-\n", followed by the members' bytes concatenated in
// header order with no padding. There is no magic number or checksum.

#include <cstdio>
#include <string>
#include <vector>

struct ArchiveMember {
  std::string name;
  int offset = 0;  // bytes from the start of the archive file
  int size = 0;
  bool operator==(const ArchiveMember&) const = default;
};

// Reads the header from the start of `file` and gives each member its
// offset. False when the header is malformed: a line longer than 1023
// characters or without its final newline, a line that is neither a
// member nor "-", or a size that is negative or does not fit the
// archive's 32-bit offsets. A malformed archive has no members at all.
// Lines with an empty name take their bytes but add no member.
bool read_archive_header(std::FILE* file, std::vector<ArchiveMember>* members);
