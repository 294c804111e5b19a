#include "marker_archive.h"

#include "archive_writer.h"

namespace mkdata {

std::string marker_archive() {
  const std::vector<ArchiveMember> members = {
      {"zzzz/readme.txt",
       "Tavrin game data\n"
       "\n"
       "This archive marks a complete Tavrin data set. The game checks it\n"
       "before it starts; it holds no tracks, bikes or pictures of its own.\n"
       "Every file of the data set is made by tavrin-mkdata from the\n"
       "project's own sources.\n"},
      {"zzzz/version", "tavrin-data 1\n"},
  };
  std::string bytes;
  build_archive(members, bytes);  // fixed names, always readable
  return bytes;
}

}  // namespace mkdata
