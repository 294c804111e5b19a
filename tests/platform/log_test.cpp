// The log is opened once per process, so every case runs its first log
// calls in a child process (death-test fork) and then reads the file. The
// parent process must never log: a child would inherit an opened log.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/log.h"
#include "platform/messages.h"
#include "platform/options.h"
#include "platform/temp_dir.h"

namespace {

using ::testing::HasSubstr;
using ::testing::Not;

// True when line starts with a stamp "[h:mm:ss.cc] "; *rest gets the text.
bool split_stamp(const std::string& line, std::string* rest) {
  size_t i = 0;
  auto digits = [&](size_t count) {
    size_t start = i;
    while (i < line.size() && std::isdigit(static_cast<unsigned char>(line[i]))) ++i;
    return count ? i - start == count : i > start;
  };
  auto literal = [&](char c) { return i < line.size() && line[i++] == c; };
  if (!(literal('[') && digits(0) && literal(':') && digits(2) && literal(':') && digits(2) &&
        literal('.') && digits(2) && literal(']') && literal(' ')))
    return false;
  *rest = line.substr(i);
  return true;
}

// The log's entries without their stamps, checking the stamps' form.
std::vector<std::string> entries(const std::string& text) {
  std::vector<std::string> out;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    std::string line = text.substr(start, end - start);
    std::string rest;
    EXPECT_TRUE(split_stamp(line, &rest)) << line;
    out.push_back(rest);
    start = end == std::string::npos ? text.size() : end + 1;
  }
  return out;
}

struct LogCase {
  const char* label;
  const char* environment;  // KORB_LOGFILE, "%s" = temp folder; null = unset
  const char* old_run_log;  // run.log before the run; null = absent
  bool naming_request;      // first call asks for <temp>/lastlog.txt
  bool lastlog_created;
  const char* run_log;  // run.log afterwards (stamps removed); null = absent
};

const LogCase log_cases[] = {
    {"naming request opens lastlog", nullptr, nullptr, true, true, nullptr},
    {"double angle appends", ">>%s/run.log", "old\n", true, false,
     "old\nLogfile \"%s/run.log\" opened|KORB 0.31|hello"},
    {"single angle truncates", ">%s/run.log", "old\n", true, false,
     "Logfile \"%s/run.log\" opened|KORB 0.31|hello"},
    {"plain name truncates", "%s/run.log", "old\n", true, false,
     "Logfile \"%s/run.log\" opened|KORB 0.31|hello"},
    {"variable without request logs first message", "%s/run.log", nullptr, false, false,
     "Logfile \"%s/run.log\" opened|KORB 0.31|first|hello"},
    {"no name, no log", nullptr, nullptr, false, false, nullptr},
};

std::string fill(const char* pattern, const std::string& dir) {
  std::string out = pattern;
  for (size_t at; (at = out.find("%s")) != std::string::npos;) out.replace(at, 2, dir);
  return out;
}

class LogFileTest : public ::testing::TestWithParam<LogCase> {
 protected:
  TempDir dir;
};

TEST_P(LogFileTest, OpensTheNamedFileAndWritesStampedEntries) {
  const LogCase& c = GetParam();
  const std::string folder = dir.path.string();
  if (c.old_run_log) write_file(dir / "run.log", c.old_run_log);
  EXPECT_EXIT(
      {
        if (c.environment)
          setenv("KORB_LOGFILE", fill(c.environment, folder).c_str(), 1);
        else
          unsetenv("KORB_LOGFILE");
        if (c.naming_request)
          korb_log("KORB_LOGFILE=%s", (dir / "lastlog.txt").c_str());
        else
          korb_log("first\n");
        korb_log("hello\n");
        std::exit(0);
      },
      ::testing::ExitedWithCode(0), "");

  EXPECT_EQ(std::filesystem::exists(dir / "lastlog.txt"), c.lastlog_created);
  if (c.lastlog_created) {
    std::vector<std::string> expected = {"Logfile \"" + (dir / "lastlog.txt") + "\" opened",
                                         "KORB 0.31", "hello"};
    EXPECT_EQ(entries(read_file(dir / "lastlog.txt")), expected);
  }
  if (!c.run_log) {
    EXPECT_EQ(std::filesystem::exists(dir / "run.log"), c.old_run_log != nullptr);
    return;
  }
  std::string text = read_file(dir / "run.log");
  std::string expected = fill(c.run_log, folder);
  if (expected.starts_with("old\n")) {
    ASSERT_TRUE(text.starts_with("old\n")) << text;
    text.erase(0, 4);
    expected.erase(0, 4);
  }
  std::string joined;
  for (const std::string& entry : entries(text)) joined += (joined.empty() ? "" : "|") + entry;
  EXPECT_EQ(joined, expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, LogFileTest, ::testing::ValuesIn(log_cases), [](const auto& info) {
  std::string name = info.param.label;
  for (char& ch : name)
    if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
  return name;
});

TEST(LogTest, AppendingRunsKeepEveryRun) {
  TempDir dir;
  for (int run = 0; run < 2; ++run)
    EXPECT_EXIT(
        {
          setenv("KORB_LOGFILE", (">>" + (dir / "run.log")).c_str(), 1);
          korb_log("KORB_LOGFILE=%s", (dir / "lastlog.txt").c_str());
          korb_log("run\n");
          std::exit(0);
        },
        ::testing::ExitedWithCode(0), "");
  auto lines = entries(read_file(dir / "run.log"));
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "KORB 0.31"), 2);
  EXPECT_FALSE(std::filesystem::exists(dir / "lastlog.txt"));
}

TEST(LogTest, UnwritableFileRunsWithoutLog) {
  TempDir dir;
  EXPECT_EXIT(
      {
        unsetenv("KORB_LOGFILE");
        korb_log("KORB_LOGFILE=%s", (dir / "missing/folder/lastlog.txt").c_str());
        korb_log("still running\n");
        std::exit(3);
      },
      ::testing::ExitedWithCode(3), "");
}

TEST(LogTest, StampShowsHoursUnwrapped) {
  EXPECT_EQ(log_stamp(0), "[0:00:00.00] ");
  EXPECT_EQ(log_stamp(3723.456), "[1:02:03.45] ");
  EXPECT_EQ(log_stamp(100 * 3600.0), "[100:00:00.00] ");
}

TEST(LogTest, ReportedErrorIsLoggedAndKept) {
  TempDir dir;
  EXPECT_STREQ(korb_last_error(), "Unknown");
  EXPECT_EXIT(
      {
        setenv("KORB_LOGFILE", (dir / "run.log").c_str(), 1);
        korb_report_error("no joystick");
        std::exit(std::string(korb_last_error()) == "no joystick" ? 0 : 2);
      },
      ::testing::ExitedWithCode(0), "");
  EXPECT_THAT(read_file(dir / "run.log"), HasSubstr("] Error: no joystick\n"));
}

TEST(LogTest, PostedMessagesAreLoggedWholeWithOneNewline) {
  TempDir dir;
  const std::string long_text(200, 'm');
  EXPECT_EXIT(
      {
        setenv("KORB_LOGFILE", (dir / "run.log").c_str(), 1);
        post_message(long_text.c_str());
        post_message("Saved \"screenshot001.png\"\n");
        std::exit(0);
      },
      ::testing::ExitedWithCode(0), "");
  std::vector<std::string> expected = {"Logfile \"" + (dir / "run.log") + "\" opened", "KORB 0.31",
                                       long_text, "Saved \"screenshot001.png\""};
  EXPECT_EQ(entries(read_file(dir / "run.log")), expected);
}

TEST(LogTest, UnrecognizedOptionFromEnvironmentIsLoggedAndDefaulted) {
  TempDir dir;
  EXPECT_EXIT(
      {
        setenv("KORB_LOGFILE", (dir / "run.log").c_str(), 1);
        setenv("KORB_OPTIONS", "[threaded:maybe][sound-rate:44100]", 1);
        bool threaded = korb_option_flag("threaded", false);
        int rate = korb_option_int("sound-rate", 22050);
        std::exit(!threaded && rate == 44100 ? 0 : 2);
      },
      ::testing::ExitedWithCode(0), "");
  std::string log = read_file(dir / "run.log");
  EXPECT_THAT(log, HasSubstr("] unrecognized setting for threaded\n"));
  EXPECT_THAT(log, Not(HasSubstr("sound-rate")));
}

}  // namespace
