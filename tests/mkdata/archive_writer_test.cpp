#include "archive_writer.h"
#include "marker_archive.h"

#include <gtest/gtest.h>

#include <string>

#include "base/ripemd160.h"

namespace {

using namespace mkdata;

TEST(ArchiveWriter, LaysOutHeaderTerminatorAndMembers) {
  std::string bytes;
  ASSERT_TRUE(build_archive({{"a", "hello"}, {"b/c", "xyz"}}, bytes));
  // Members start right after "-\n": hello at byte 12, xyz at byte 17.
  EXPECT_EQ(bytes, "5 a\n3 b/c\n-\nhelloxyz");
}

TEST(ArchiveWriter, RefusesNamesTheReaderCannotTakeBack) {
  const std::string too_long(1100, 'n');
  for (const std::string& name : {std::string(), std::string("-"), std::string("a\nb"),
                                  std::string("a\rb"), std::string(" lead"), too_long}) {
    std::string bytes = "untouched";
    EXPECT_FALSE(build_archive({{name, "x"}}, bytes)) << "name of " << name.size() << " chars";
    EXPECT_EQ(bytes, "untouched");
  }
}

TEST(MarkerArchive, KeepsTheBytesTheDataCheckExpects) {
  // The game compiles this digest in; a change here must change it too.
  std::string bytes = marker_archive();
  EXPECT_EQ(digest_hex(ripemd160(bytes.data(), bytes.size())),
            "d4f12f2ef4f4a86b95599f9a86f050445cf5b05d");
  EXPECT_EQ(bytes.rfind("236 zzzz/readme.txt\n14 zzzz/version\n-\n", 0), 0u);
}

}  // namespace
