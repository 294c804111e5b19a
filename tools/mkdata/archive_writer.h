#pragma once
// Packing files into a ".saf" archive: a text header of "size name" lines,
// the terminator line "-", then the members' bytes back to back in header
// order, with no padding.

#include <string>
#include <vector>

namespace mkdata {

struct ArchiveMember {
  std::string name;   // path inside the archive, '/' separated
  std::string bytes;  // contents, stored as they are
};

// The whole archive as bytes. Returns false (and leaves out untouched)
// when a name could not be read back: empty, starting with a digit sign
// the size parse would eat, holding a line end, or making the header line
// longer than the reader's 1023 characters.
bool build_archive(const std::vector<ArchiveMember>& members, std::string& out);

}  // namespace mkdata
