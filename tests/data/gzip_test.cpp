// gzip streams against files made by the gzip command and by zlib.

#include <zlib.h>

#include <cstdlib>
#include <string>

#include "data/stream.h"
#include "data_dirs_fixture.h"
#include "read_all.h"

namespace {

// Text that compresses but spans several 16384-byte input blocks.
std::string sample_text() {
  std::string text;
  unsigned x = 12345;
  for (int i = 0; i < 60000; ++i) {
    x = x * 1103515245u + 12345u;
    text += (x >> 24) % 5 == 0 ? '\n' : static_cast<char>('a' + (x >> 16) % 26);
    text += static_cast<char>(x >> 8);  // every byte value appears
  }
  return text;
}

// Compresses root/name with the gzip command; returns root/name.gz.
std::string run_gzip(const TempTree& tree, const std::string& name, const char* flags) {
  const std::string command =
      "gzip " + std::string(flags) + " -c '" + tree.path(name) + "' > '" + tree.path(name) + ".gz'";
  EXPECT_EQ(std::system(command.c_str()), 0) << command;
  return tree.read(name + ".gz");
}

// gzip data with every optional header field, made by zlib itself.
std::string zlib_gzip(const std::string& data, bool header_crc) {
  z_stream z{};
  EXPECT_EQ(deflateInit2(&z, 9, Z_DEFLATED, 31, 8, Z_DEFAULT_STRATEGY), Z_OK);
  static char extra[] = "EXTRA-FIELD";
  static char name[] = "stored-name.txt";
  static char comment[] = "a comment";
  gz_header header{};
  header.extra = reinterpret_cast<Bytef*>(extra);
  header.extra_len = sizeof extra;
  header.name = reinterpret_cast<Bytef*>(name);
  header.comment = reinterpret_cast<Bytef*>(comment);
  header.hcrc = header_crc;
  deflateSetHeader(&z, &header);
  std::string out(deflateBound(&z, data.size()) + 64, '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  z.avail_in = static_cast<uInt>(data.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  EXPECT_EQ(deflate(&z, Z_FINISH), Z_STREAM_END);
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

TEST(Gzip, FilesMadeByTheGzipCommandReadBackExactly) {
  TempTree tree;
  const std::string text = sample_text();
  for (const char* flags : {"-n", "-N", "-1", "-9"}) {
    SCOPED_TRACE(flags);
    tree.write("t", text);
    const std::string gz = run_gzip(tree, "t", flags);
    std::filesystem::remove(tree.path("t"));
    EXPECT_EQ(read_named(tree.path("t").c_str()) == text, true);
    EXPECT_EQ((static_cast<unsigned char>(gz[3]) & 8) != 0, std::string(flags) != "-n");
  }
}

TEST(Gzip, EmptyFileReadsAsEmpty) {
  TempTree tree;
  tree.write("e", "");
  run_gzip(tree, "e", "-n");
  std::filesystem::remove(tree.path("e"));
  StreamPtr s(stream_open(tree.path("e").c_str(), "rb"));
  ASSERT_TRUE(s);
  EXPECT_EQ(stream_getc(s.get()), -1);
}

TEST(Gzip, EveryOptionalHeaderFieldIsSkipped) {
  TempTree tree;
  const std::string text = sample_text().substr(0, 5000);
  for (bool crc : {false, true}) {
    tree.write("z.gz", zlib_gzip(text, crc));
    EXPECT_EQ(read_named(tree.path("z").c_str()) == text, true) << crc;
  }
}

TEST(Gzip, TruncatedOrDamagedDataEndsEarly) {
  TempTree tree;
  const std::string text = sample_text();
  tree.write("t", text);
  const std::string gz = run_gzip(tree, "t", "-n");
  std::filesystem::remove(tree.path("t"));
  for (std::size_t cut : {std::size_t{11}, std::size_t{20}, gz.size() / 3, gz.size() - 9}) {
    SCOPED_TRACE(cut);
    tree.write("t.gz", gz.substr(0, cut));
    const std::string got = read_named(tree.path("t").c_str());
    EXPECT_LT(got.size(), text.size() + (cut == gz.size() - 9 ? 1 : 0));
    EXPECT_EQ(text.compare(0, got.size(), got), 0);
  }
  std::string damaged = gz;
  for (std::size_t i = 200; i < damaged.size(); i += 97)
    damaged[i] = static_cast<char>(~damaged[i]);
  tree.write("t.gz", damaged);
  EXPECT_LE(read_named(tree.path("t").c_str()).size(), text.size() + 65536);
}

TEST(Gzip, WrongHeadersFailToOpen) {
  TempTree tree;
  const std::string body = std::string("\x01\x01\x00\xfe\xffx", 6) + std::string(8, '\0');
  const struct {
    const char* label;
    std::string bytes;
  } cases[] = {
      {"wrong magic", std::string("\x1f\x8c\x08\x00\0\0\0\0\0\x03", 10) + body},
      {"wrong method", std::string("\x1f\x8b\x07\x00\0\0\0\0\0\x03", 10) + body},
      {"reserved flag", std::string("\x1f\x8b\x08\x20\0\0\0\0\0\x03", 10) + body},
      {"too short", std::string("\x1f\x8b\x08", 3)},
      {"name never ends", std::string("\x1f\x8b\x08\x08\0\0\0\0\0\x03nnnn", 14)},
      {"extra longer than data", std::string("\x1f\x8b\x08\x04\0\0\0\0\0\x03\xff\x7f", 12) + body},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    tree.write("h.gz", c.bytes);
    EXPECT_EQ(stream_open(tree.path("h").c_str(), "rb"), nullptr);
  }
}

using GzipMemberTest = DataDirsTest;

TEST_F(GzipMemberTest, CompressedMemberIsServedDecompressedAndBounded) {
  const std::string text = sample_text();
  tree.write("src/x.txt", text);
  const std::string gz = run_gzip(tree, "src/x.txt", "");
  // The archive continues after the member with bytes that must not leak.
  install("pack.saf", std::to_string(gz.size()) + " x.txt.gz\n5 y\n-\n" + gz + "after");
  EXPECT_EQ(read_named("@x.txt") == text, true);
  EXPECT_EQ(read_named("@y"), "after");
}

}  // namespace
