// Data directories, the merged index, the listings and the game-data check.

#include <sys/stat.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "base/ripemd160.h"
#include "data/data_dirs.h"
#include "data/listings.h"
#include "data_dirs_fixture.h"
#include "read_all.h"

namespace {

using DirsTest = DataDirsTest;

TEST_F(DirsTest, HomeFirstThenQzHome) {
  EXPECT_EQ(std::string(data_dir(0)), tree.path("xdg") + "/Tavrin/");
  EXPECT_EQ(std::string(home_directory()), tree.path("xdg") + "/Tavrin/");
  EXPECT_EQ(std::string(data_dir(1)), tree.path("install") + "/");
  EXPECT_EQ(data_dir(2), nullptr);
  EXPECT_EQ(data_dir(-1), nullptr);
}

TEST_F(DirsTest, WithoutQzHomeTheExecutableFolderIsSearched) {
  for (bool empty : {false, true}) {
    // An empty QZ_HOME counts as unset rather than naming "/".
    empty ? setenv("QZ_HOME", "", 1) : unsetenv("QZ_HOME");
    reset_data_dirs_for_tests();
    const std::string dir = data_dir(1);
    EXPECT_EQ(dir.back(), '/');
    struct stat info;
    EXPECT_EQ(stat((dir + "data_tests").c_str(), &info), 0) << dir;
    EXPECT_EQ(data_dir(2), nullptr);
  }
}

TEST_F(DirsTest, HomeFallsBackToDotLocalShare) {
  unsetenv("XDG_DATA_HOME");
  setenv("HOME", tree.path("user").c_str(), 1);
  reset_data_dirs_for_tests();
  EXPECT_EQ(std::string(data_dir(0)), tree.path("user") + "/.local/share/Tavrin/");
}

TEST_F(DirsTest, RelativeXdgDataHomeIsIgnored) {
  setenv("XDG_DATA_HOME", "relative/place", 1);
  setenv("HOME", tree.path("user").c_str(), 1);
  reset_data_dirs_for_tests();
  EXPECT_EQ(std::string(data_dir(0)), tree.path("user") + "/.local/share/Tavrin/");
}

TEST_F(DirsTest, NoHomeWhenTheSystemGivesNone) {
  unsetenv("XDG_DATA_HOME");
  unsetenv("HOME");
  reset_data_dirs_for_tests();
  EXPECT_EQ(home_directory(), nullptr);
  EXPECT_EQ(std::string(data_dir(0)), tree.path("install") + "/");
}

TEST_F(DirsTest, HomeOverridesInstallation) {
  install("venloop/desc", "install");
  home("venloop/desc", "home");
  EXPECT_EQ(read_named("@venloop/desc"), "home");
  int count = 0;
  for (const std::string& name : file_names()) count += name == "venloop/desc";
  EXPECT_EQ(count, 1);  // the merged list has no duplicates
}

TEST_F(DirsTest, IndexIsSortedByNameThenSource) {
  install("b", "1");
  install("a/z", "2");
  home("b", "3");
  install("pack.saf", "1 a/y\n-\nq");
  std::vector<std::string> names;
  for (const FileIndexEntry& e : file_index())
    names.push_back(e.name + "#" + std::to_string(e.source));
  EXPECT_EQ(names, (std::vector<std::string>{"a/y#2", "a/z#1", "b#0", "b#1", "pack.saf#1"}));
  EXPECT_EQ(file_names(), (std::vector<std::string>{"a/y", "a/z", "b", "pack.saf"}));
}

TEST_F(DirsTest, CompressedFileIsFoundUnderItsPlainName) {
  // "x" deflated with a minimal gzip header (stored block).
  const std::string gz(
      "\x1f\x8b\x08\x00\x00\x00\x00\x00\x00\x03\x01\x01\x00\xfe\xffx\0\0\0\0\0\0\0\0", 24);
  install("x/terrain.hf.gz", gz);
  install("pack.saf", "24 m/x.txt.gz\n-\n" + gz);
  EXPECT_EQ(read_named("@x/terrain.hf"), "x");
  EXPECT_EQ(read_named("@m/x.txt"), "x");
  EXPECT_EQ(read_named("@M/X.TXT"), "x");
  EXPECT_EQ(read_named("@m/x.txt.gz"), gz);
}

TEST_F(DirsTest, WritesLandInTheHomeDirectoryCreatingFolders) {
  {
    StreamPtr out(stream_open("@demos/deep/run.qzdemo", "wb"));
    ASSERT_TRUE(out);
    EXPECT_EQ(stream_puts(out.get(), "data"), 0);
  }
  EXPECT_EQ(tree.read("xdg/Tavrin/demos/deep/run.qzdemo"), "data");
}

TEST_F(DirsTest, RenameOfAtNamesWorksInTheHomeDirectory) {
  home("config.tmp", "new");
  home("config", "old");
  EXPECT_TRUE(stream_rename("@config.tmp", "@config"));
  EXPECT_EQ(tree.read("xdg/Tavrin/config"), "new");
  EXPECT_FALSE(stream_rename("@config.tmp", "@config"));
  EXPECT_TRUE(stream_remove("@config"));
  EXPECT_FALSE(std::filesystem::exists(tree.path("xdg/Tavrin/config")));
  EXPECT_FALSE(stream_remove("@config"));
}

TEST_F(DirsTest, TracksAreListedByDisplayName) {
  install("venloop/terrain.hf", "h");
  install("venloop/desc", "Venloop Motocross\r\nmore");
  install("sxarena/terrain.hf.gz", "h");
  install("sxarena/terrain.hf", "h");
  install("sxarena/desc", "arena cross\n");
  install("practice/terrain.hf", "h");
  install("notatrack/terrain.hfx", "h");
  std::vector<std::string> seen;
  for (const TrackListing& t : list_tracks()) seen.push_back(t.name + "=" + t.display);
  EXPECT_EQ(seen, (std::vector<std::string>{"sxarena=arena cross", "practice=practice",
                                            "venloop=Venloop Motocross"}));
}

TEST_F(DirsTest, DemosAndGraphicsVariants) {
  home("demos/race one.qzdemo", "d");
  install("demos/old.qzdemo", "d");
  install("demos/notes.txt", "n");
  install("bikes/rider_body-red.png", "p");
  install("bikes/rider_body-red_norm.png", "p");
  install("bikes/rider_body-blue_spec.png", "p");
  install("rider_body-green.png", "p");
  install("bikes/rider_head-x.png", "p");
  std::vector<std::string> demos;
  for (const DemoListing& d : list_demos()) demos.push_back(d.name + "=" + d.display);
  EXPECT_EQ(demos,
            (std::vector<std::string>{"demos/old.qzdemo=old", "demos/race one.qzdemo=race one"}));
  std::vector<std::string> variants;
  for (const GraphicsVariant& v : list_graphics_variants("rider_body-")) {
    variants.push_back(v.file + "=" + v.display);
  }
  EXPECT_EQ(variants, (std::vector<std::string>{"=default", "@bikes/rider_body-red.png=red",
                                                "@rider_body-green.png=green"}));
}

TEST_F(DirsTest, ScreenshotsNumberOnFromTheHighestFound) {
  home("screenshot007.png", "p");
  home("screenshot12.ppm", "p");
  home("screenshots.txt", "p");
  EXPECT_EQ(next_screenshot_number(), 13);
  EXPECT_EQ(next_screenshot_number(), 14);
  reset_data_dirs_for_tests();
  tree.write("xdg/Tavrin/unrelated", "");
  std::filesystem::remove(tree.path("xdg/Tavrin/screenshot007.png"));
  std::filesystem::remove(tree.path("xdg/Tavrin/screenshot12.ppm"));
  EXPECT_EQ(next_screenshot_number(), 0);
}

// The game-data check against a chosen digest.
class GameDataTest : public DataDirsTest {
 protected:
  static Ripemd160Digest digest_of(const std::string& bytes) {
    return ripemd160(bytes.data(), bytes.size());
  }
};

TEST_F(GameDataTest, ShortMarkerIsHashedWhole) {
  const std::string marker = "1 a\n-\nz" + std::string(1000, 'q');
  install("zzzz.saf", marker);
  EXPECT_TRUE(check_game_data_digest(digest_of(marker)));
  EXPECT_FALSE(check_game_data_digest(digest_of(marker + "x")));
  // The check creates the home directory on its way.
  struct stat info;
  EXPECT_EQ(stat(tree.path("xdg/Tavrin").c_str(), &info), 0);
}

TEST_F(GameDataTest, OnlyTheFirstMebibyteCounts) {
  std::string marker(1048576 + 300, '\0');
  for (std::size_t i = 0; i < marker.size(); ++i) marker[i] = static_cast<char>(i * 7 + i / 251);
  install("zzzz.saf", marker);
  const Ripemd160Digest first = digest_of(marker.substr(0, 1048576));
  EXPECT_TRUE(check_game_data_digest(first));
  EXPECT_FALSE(check_game_data_digest(digest_of(marker)));
}

TEST_F(GameDataTest, MarkerMayBeInTheHomeDirectoryAndMissingMeansFalse) {
  EXPECT_FALSE(check_game_data_digest(digest_of("")));
  home("zzzz.saf", "");
  EXPECT_TRUE(check_game_data_digest(digest_of("")));
}

}  // namespace
