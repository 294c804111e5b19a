// .saf archives: the header reader and members served through the index.

#include <cstdio>
#include <string>
#include <vector>

#include "data/archive.h"
#include "data/data_dirs.h"
#include "data/stream.h"
#include "data_dirs_fixture.h"
#include "read_all.h"

namespace {

// An anonymous temporary file holding `bytes`, positioned at the start.
std::FILE* file_with(const std::string& bytes) {
  std::FILE* file = std::tmpfile();
  std::fwrite(bytes.data(), 1, bytes.size(), file);
  std::rewind(file);
  return file;
}

struct HeaderCase {
  const char* label;
  std::string bytes;
  bool ok;
  std::vector<ArchiveMember> members;
};

std::vector<HeaderCase> header_cases() {
  return {
      {"two members", "5 a\n3 b/c\n-\nhelloxyz", true, {{"a", 12, 5}, {"b/c", 17, 3}}},
      {"runs of slashes collapse", "2 x//y///z\n-\nhi", true, {{"x/y/z", 13, 2}}},
      {"any separator character", "4\tab\n-\nabcd", true, {{"ab", 7, 4}}},
      {"signed size", "+3 a\n-\nabc", true, {{"a", 7, 3}}},
      {"empty archive", "-\n", true, {}},
      {"unnamed line keeps its bytes", "2\n3 b\n-\nxxabc", true, {{"b", 10, 3}}},
      {"last line without newline", "5 a\n3 b/c\n-", false, {}},
      {"member line without newline", "5 a", false, {}},
      {"no terminator", "5 a\n", false, {}},
      {"empty file", "", false, {}},
      {"line that is neither", "5 a\nxyz\n-\n", false, {}},
      {"terminator with trailing space", "5 a\n- \n", false, {}},
      {"negative size", "-5 a\n-\n", false, {}},
      {"size beyond 32 bits", "99999999999 a\n-\n", false, {}},
      {"offsets beyond 32 bits", "2000000000 a\n2000000000 b\n-\n", false, {}},
      {"line of 1024 characters", "1 " + std::string(1021, 'n') + "\n-\nz", false, {}},
      {"zero byte in a line", std::string("5 a\0b\n-\n", 8), false, {}},
  };
}

TEST(ArchiveHeader, ReadsMembersOrRejectsTheWholeArchive) {
  for (const HeaderCase& c : header_cases()) {
    SCOPED_TRACE(c.label);
    std::FILE* file = file_with(c.bytes);
    std::vector<ArchiveMember> members{{"stale", 1, 1}};
    EXPECT_EQ(read_archive_header(file, &members), c.ok);
    EXPECT_EQ(members, c.members);
    std::fclose(file);
  }
}

TEST(ArchiveHeader, LongestAllowedLineIs1023Characters) {
  const std::string name(1023 - 3, 'n');  // "1 " + name + "\n" = 1023
  const std::string bytes = "1 " + name + "\n-\nz";
  std::FILE* file = file_with(bytes);
  std::vector<ArchiveMember> members;
  EXPECT_TRUE(read_archive_header(file, &members));
  ASSERT_EQ(members.size(), 1u);
  EXPECT_EQ(members[0].name, name);
  std::fclose(file);
}

using ArchiveIndexTest = DataDirsTest;

TEST_F(ArchiveIndexTest, ServesMembersAtTheirOffsets) {
  install("pack.saf", "5 a\n3 b/c\n-\nhelloxyz");
  EXPECT_EQ(read_named("@a"), "hello");
  EXPECT_EQ(read_named("@b/c"), "xyz");
  bool compressed = true;
  const FileIndexEntry* entry = find_index_entry("b/c", &compressed);
  ASSERT_NE(entry, nullptr);
  EXPECT_EQ(entry->offset, 17);
  EXPECT_EQ(entry->size, 3);
  EXPECT_FALSE(compressed);
  EXPECT_EQ(find_index_entry("a", &compressed)->offset, 12);
}

TEST_F(ArchiveIndexTest, MalformedHeaderDropsOnlyThatArchive) {
  install("bad.saf", "5 a\n3 b/c\n-");
  install("good.saf", "2 g\n-\nok");
  EXPECT_EQ(read_named("@a"), "<no stream>");
  EXPECT_EQ(read_named("@g"), "ok");
  for (const std::string& name : file_names()) EXPECT_NE(name, "a");
}

TEST_F(ArchiveIndexTest, ReadingStopsExactlyAtTheMemberEnd) {
  install("pack.saf", "5 a\n3 b/c\n-\nhelloxyz");
  StreamPtr s(stream_open("@a", "rb"));
  ASSERT_TRUE(s);
  char buffer[16];
  EXPECT_EQ(stream_read(s.get(), buffer, 5), 5u);
  EXPECT_EQ(stream_getc(s.get()), -1);
  EXPECT_EQ(stream_peekc(s.get()), -1);
  EXPECT_EQ(stream_read(s.get(), buffer, sizeof buffer), 0u);
  EXPECT_EQ(stream_gets(s.get(), buffer, sizeof buffer), nullptr);
}

TEST_F(ArchiveIndexTest, MemberShorterThanItsHeaderSaysEndsEarly) {
  install("pack.saf", "10 a\n-\nabc");
  EXPECT_EQ(read_named("@a"), "abc");
}

TEST_F(ArchiveIndexTest, SeekStaysInsideTheMember) {
  install("pack.saf", "5 a\n3 b/c\n-\nhelloxyz");
  StreamPtr s(stream_open("@b/c", "rb"));
  ASSERT_TRUE(s);
  EXPECT_EQ(stream_peekc(s.get()), 'x');
  EXPECT_TRUE(stream_seek(s.get(), 2));
  EXPECT_EQ(stream_getc(s.get()), 'z');
  EXPECT_TRUE(stream_seek(s.get(), 0));
  EXPECT_EQ(read_all(s.get()), "xyz");
  EXPECT_FALSE(stream_seek(s.get(), 3));
  EXPECT_FALSE(stream_seek(s.get(), -1));
}

TEST_F(ArchiveIndexTest, LookupIgnoresCaseInTheIndexOnly) {
  install("pack.saf", "4 venloop/terrain.hf\n-\nHFHF");
  install("plain/desc", "Plain");
  EXPECT_EQ(read_named("@Venloop/Terrain.HF"), "HFHF");
  // A plain file too is found through the index when the exact path fails.
  EXPECT_EQ(read_named("@PLAIN/desc"), "Plain");
}

TEST_F(ArchiveIndexTest, PlainFileOverridesArchiveMember) {
  install("pack.saf", "6 venloop/desc\n-\nmember");
  install("venloop/desc", "plain");
  EXPECT_EQ(read_named("@venloop/desc"), "plain");
  const std::vector<FileIndexEntry>& index = file_index();
  int seen = 0;
  for (const FileIndexEntry& entry : index) {
    if (entry.name != "venloop/desc") continue;
    // Sorted by source: the plain file (directory 1) before the member.
    EXPECT_EQ(entry.source, seen == 0 ? 1 : 2);
    ++seen;
  }
  EXPECT_EQ(seen, 2);
}

TEST_F(ArchiveIndexTest, ArchiveOrdinalCountsUnreadableArchives) {
  install("a.saf", "garbage");
  install("b.saf", "1 m\n-\nx");
  bool compressed;
  const FileIndexEntry* entry = find_index_entry("m", &compressed);
  ASSERT_NE(entry, nullptr);
  EXPECT_EQ(entry->source, 2 + 1);  // two directories, then b.saf is the second archive
}

}  // namespace
