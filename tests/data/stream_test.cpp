// Plain-file streams: reading with the pushback, writing, seeking, paths.

#include <string>

#include "data/stream.h"
#include "read_all.h"
#include "temp_tree.h"

namespace {

TEST(Stream, PeekKeepsOneBytePushback) {
  TempTree tree;
  const std::string path = tree.write("f", "ab\ncd");
  StreamPtr s(stream_open(path.c_str(), "rb"));
  ASSERT_TRUE(s);
  EXPECT_EQ(stream_peekc(s.get()), 'a');
  EXPECT_EQ(stream_peekc(s.get()), 'a');
  char buffer[8];
  EXPECT_EQ(stream_read(s.get(), buffer, 2), 2u);  // the pushback counts
  EXPECT_EQ(std::string(buffer, 2), "ab");
  EXPECT_EQ(stream_getc(s.get()), '\n');
  EXPECT_EQ(stream_peekc(s.get()), 'c');
  EXPECT_STREQ(stream_gets(s.get(), buffer, sizeof buffer), "cd");
  EXPECT_EQ(stream_gets(s.get(), buffer, sizeof buffer), nullptr);
  EXPECT_EQ(stream_getc(s.get()), -1);
}

TEST(Stream, GetsStopsAtNewlineOrCapacity) {
  TempTree tree;
  const std::string path = tree.write("f", "line one\nxyz");
  StreamPtr s(stream_open(path.c_str(), "rb"));
  char buffer[5];
  EXPECT_STREQ(stream_gets(s.get(), buffer, sizeof buffer), "line");
  EXPECT_STREQ(stream_gets(s.get(), buffer, sizeof buffer), " one");
  EXPECT_STREQ(stream_gets(s.get(), buffer, sizeof buffer), "\n");
  EXPECT_STREQ(stream_gets(s.get(), buffer, sizeof buffer), "xyz");
  EXPECT_EQ(stream_gets(s.get(), buffer, 0), nullptr);
}

TEST(Stream, ByteValuesAbove127AreNotEndOfData) {
  TempTree tree;
  const std::string path = tree.write("f", "\xff\x80");
  StreamPtr s(stream_open(path.c_str(), "rb"));
  EXPECT_EQ(stream_getc(s.get()), 255);
  EXPECT_EQ(stream_peekc(s.get()), 128);
  EXPECT_EQ(stream_getc(s.get()), 128);
  EXPECT_EQ(stream_getc(s.get()), -1);
}

TEST(Stream, WritesCreateMissingFolders) {
  TempTree tree;
  const std::string path = tree.path("a//b/c/out.txt");
  StreamPtr s(stream_open(path.c_str(), "wb"));
  ASSERT_TRUE(s);
  EXPECT_EQ(stream_putc(s.get(), 'x'), 'x');
  EXPECT_EQ(stream_puts(s.get(), "yz"), 0);
  EXPECT_EQ(stream_write(s.get(), "\0w", 2), 2u);
  EXPECT_EQ(stream_printf(s.get(), " %d-%s", 42, "ok"), 6);
  EXPECT_TRUE(stream_flush(s.get()));
  s.reset();
  EXPECT_EQ(tree.read("a/b/c/out.txt"), std::string("xyz\0w 42-ok", 11));
}

TEST(Stream, SeekMovesAndClearsPushback) {
  TempTree tree;
  const std::string path = tree.write("f", "0123456789");
  StreamPtr s(stream_open(path.c_str(), "rb"));
  EXPECT_EQ(stream_peekc(s.get()), '0');
  EXPECT_TRUE(stream_seek(s.get(), 7));
  EXPECT_EQ(read_all(s.get()), "789");
  EXPECT_FALSE(stream_seek(s.get(), -3));
}

TEST(Stream, RefusesWhatIsNotAFileOrTooLong) {
  TempTree tree;
  tree.write("dir/f", "x");
  EXPECT_EQ(stream_open(tree.path("dir").c_str(), "rb"), nullptr);
  EXPECT_EQ(stream_open(tree.path("missing").c_str(), "rb"), nullptr);
  // A path cut at 511 characters would name another file: refused.
  const std::string long_name = tree.path(std::string(600, 'n'));
  EXPECT_EQ(stream_open(long_name.c_str(), "wb"), nullptr);
  EXPECT_EQ(stream_open(nullptr, "rb"), nullptr);
}

TEST(Stream, PlainPathFallsBackToGzip) {
  TempTree tree;
  const std::string gz(
      "\x1f\x8b\x08\x00\x00\x00\x00\x00\x00\x03\x01\x02\x00\xfd\xffhi\0\0\0\0\0\0\0\0", 25);
  tree.write("f.gz", gz);
  EXPECT_EQ(read_named(tree.path("f").c_str()), "hi");
  StreamPtr s(stream_open(tree.path("f").c_str(), "rb"));
  EXPECT_FALSE(stream_seek(s.get(), 0));  // compressed streams do not seek
}

}  // namespace
