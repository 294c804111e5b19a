// Interned strings, the clock, the error box of the null driver and the
// out-of-memory path.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/error_box.h"
#include "platform/intern.h"
#include "platform/memory.h"

namespace {

TEST(InternTest, EqualTextsShareOneCopy) {
  std::string a = "tracks/venloop";
  std::string b = "tracks/venloop";
  const char* first = intern_string(a);
  EXPECT_EQ(intern_string(b), first);
  EXPECT_NE(intern_string("tracks/sxarena"), first);
  EXPECT_STREQ(first, "tracks/venloop");
  // The copy is owned: changing the caller's buffer changes nothing.
  a[0] = 'X';
  EXPECT_STREQ(first, "tracks/venloop");
}

TEST(InternTest, CopiesStayValidWhileManyMoreAreAdded) {
  const char* first = intern_string("keep me");
  std::vector<const char*> more;
  for (int i = 0; i < 5000; ++i) more.push_back(intern_string("name " + std::to_string(i)));
  EXPECT_EQ(intern_string("keep me"), first);
  EXPECT_STREQ(first, "keep me");
  EXPECT_STREQ(more[4321], "name 4321");
  EXPECT_STREQ(intern_string(std::string_view("abcdef", 3)), "abc");
}

TEST(ClockTest, SleepReturnsOnlyAfterTheTimeHasPassed) {
  for (double wanted : {0.0, 0.0005, 0.003}) {
    double start = korb_time();
    korb_sleep(wanted);
    EXPECT_GE(korb_time() - start, wanted);
  }
  double start = korb_time();
  korb_sleep(-1.0);
  EXPECT_GE(korb_time(), start);
}

TEST(ErrorBoxTest, NullDriverWritesTitleAndTextToStandardError) {
  ::testing::internal::CaptureStderr();
  korb_error_box("Problem starting Tavrin", "Can't find game data\n");
  korb_error_box("Error", "%s %d", "code", 7);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(),
            "Problem starting Tavrin\nCan't find game data\nError\ncode 7\n");
}

TEST(ErrorBoxTest, TextIsCutTo1023Characters) {
  ::testing::internal::CaptureStderr();
  korb_error_box("T", "%s", std::string(5000, 'y').c_str());
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "T\n" + std::string(1023, 'y') + "\n");
}

TEST(OutOfMemoryTest, FatalPathShowsBoxAndExitsWithOne) {
  EXPECT_EXIT(fatal_out_of_memory(), ::testing::ExitedWithCode(1),
              "Error\nOut of virtual memory\n");
}

TEST(OutOfMemoryTest, XmallocGivesUsableBlocks) {
  void* empty = xmalloc(0);
  ASSERT_NE(empty, nullptr);
  std::free(empty);
  auto* block = static_cast<unsigned char*>(xmalloc(4096));
  block[4095] = 1;
  std::free(block);
}

// The sanitizers report an impossible allocation themselves instead of
// returning null, so these run only in the normal build.
#if !defined(__SANITIZE_ADDRESS__)
TEST(OutOfMemoryTest, FailedAllocationsEndInTheFatalPath) {
  EXPECT_EXIT(xmalloc(SIZE_MAX / 2), ::testing::ExitedWithCode(1), "Out of virtual memory");
  EXPECT_EXIT(
      {
        install_out_of_memory_handler();
        std::vector<char> huge;
        huge.reserve(SIZE_MAX / 4);
      },
      ::testing::ExitedWithCode(1), "Out of virtual memory");
}
#endif

}  // namespace
