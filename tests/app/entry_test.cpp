// Start-up and shutdown of the whole program. The log, the data
// directories and the settings are per process, so every run happens in a
// child process (death-test fork); this program's parent never logs.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "app/entry.h"
#include "base/ripemd160.h"
#include "data/data_dirs.h"
#include "data/game_data_digest.h"
#include "platform/temp_dir.h"

namespace {

namespace fs = std::filesystem;

class EntryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(dir / "install");
    setenv("XDG_DATA_HOME", (dir / "xdg").c_str(), 1);
    setenv("QZ_HOME", (dir / "install").c_str(), 1);
    unsetenv("KORB_LOGFILE");
    unsetenv("KORB_OPTIONS");
  }

  // The generated marker archive, when it is the one this build accepts.
  bool install_game_data() {
    const std::string marker = std::string(TAVRIN_BUILD_DIR) + "/zzzz.saf";
    Ripemd160Digest digest;
    if (!marker_digest(marker.c_str(), &digest) || digest_hex(digest) != kGameDataDigest)
      return false;
    fs::copy_file(marker, dir / "install/zzzz.saf");
    return true;
  }

  void install_track(const std::string& name, const std::string& desc) {
    fs::create_directories(dir / ("install/" + name));
    write_file(dir / ("install/" + name + "/terrain.hf"), "not read at start-up");
    write_file(dir / ("install/" + name + "/desc"), desc);
  }

  static void run(std::vector<const char*> args) {
    args.insert(args.begin(), "tavrin");
    args.push_back(nullptr);
    std::exit(tavrin_main(static_cast<int>(args.size()) - 1, const_cast<char**>(args.data())));
  }

  TempDir dir;
};

TEST_F(EntryTest, MissingGameDataShowsTheErrorAndExitsZero) {
  EXPECT_EXIT(run({}), ::testing::ExitedWithCode(0),
              "Problem starting Tavrin\nCan't find game data\n");
  // The check starts the log in the home directory first.
  EXPECT_TRUE(fs::exists(dir / "xdg/Tavrin/lastlog.txt"));
  EXPECT_FALSE(fs::exists(dir / "xdg/Tavrin/config"));
}

TEST_F(EntryTest, NoTracksExitsOneBeforeAnythingElse) {
  if (!install_game_data()) GTEST_SKIP() << "the generated data is not the accepted release";
  EXPECT_EXIT(run({}), ::testing::ExitedWithCode(1), "^No tracks found\n$");
  EXPECT_FALSE(fs::exists(dir / "xdg/Tavrin/config"));
}

TEST_F(EntryTest, BadOptionExitsOne) {
  if (!install_game_data()) GTEST_SKIP() << "the generated data is not the accepted release";
  install_track("loop", "Loop\n");
  EXPECT_EXIT(run({"-x"}), ::testing::ExitedWithCode(1), "bad option '-x'");
  EXPECT_EXIT(run({"a.qzdemo", "b.qzdemo"}), ::testing::ExitedWithCode(1), "Too many files!");
}

// The null driver has no window: the run gets through the settings, the
// command line and the track list, then takes the "no window" exit, which
// must not rewrite the player's configuration.
TEST_F(EntryTest, WithoutAWindowExitsOneAndKeepsTheConfiguration) {
  if (!install_game_data()) GTEST_SKIP() << "the generated data is not the accepted release";
  install_track("loop", "Loop\n");
  install_track("arena", "");
  fs::create_directories(dir / "xdg/Tavrin");
  write_file(dir / "xdg/Tavrin/config", "laps=7\nunknown_key=1\n");
  EXPECT_EXIT(run({"--width", "800", "--debug"}), ::testing::ExitedWithCode(1), "");
  EXPECT_EQ(read_file(dir / "xdg/Tavrin/config"), "laps=7\nunknown_key=1\n");
  std::string log = read_file(dir / "xdg/Tavrin/lastlog.txt");
  // With --debug the track list is logged; an empty desc names the folder.
  EXPECT_THAT(log, ::testing::HasSubstr("] loop -> Loop\n"));
  EXPECT_THAT(log, ::testing::HasSubstr("] arena -> arena\n"));
  EXPECT_THAT(log, ::testing::HasSubstr("] No window"));
}

}  // namespace
