// This call's log lines: what grew past the offset, bounded, and nothing read
// from a log the component itself would refuse (a link, a FIFO, a device).
#include "ansible/module/log_lines.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "testing/test_support.h"

namespace fleet {
namespace {

using testsupport::writeFile;
using Lines = std::vector<std::string>;

class LogLines : public ::testing::Test {
 protected:
  std::string log() const { return dir_ / "Component.log"; }
  testsupport::TempDir dir_;
};

TEST_F(LogLines, OnlyWhatGrewPastTheOffset) {
  EXPECT_EQ(logSize(log()), 0);
  LogRead read = logLinesSince(log(), 0);
  EXPECT_TRUE(read.lines.empty());
  EXPECT_EQ(read.refusal, "") << "no log yet is no fault";

  writeFile(log(), "earlier\n");
  const long long start = logSize(log());
  writeFile(log(), "earlier\nfirst\r\nsecond");
  EXPECT_EQ(logLinesSince(log(), start).lines, (Lines{"first", "second"}));
  writeFile(log(), "new\n");
  EXPECT_EQ(logLinesSince(log(), start + 100).lines, (Lines{"new"})) << "a log that shrank is read whole";
}

TEST_F(LogLines, TheNewestBytesWithinTheBound) {
  const std::string line(999, 'x');
  std::string text;
  while (static_cast<long long>(text.size()) < 2 * kLogBound) text += line + "\n";
  writeFile(log(), text + "last\n");
  const Lines lines = logLinesSince(log(), 0).lines;
  ASSERT_GT(lines.size(), 2u);
  EXPECT_EQ(lines.back(), "last");
  long long kept = 0;
  for (size_t i = 1; i < lines.size(); ++i) kept += static_cast<long long>(lines[i].size()) + 1;
  EXPECT_EQ(lines.front(), "[" + std::to_string(static_cast<long long>(text.size()) + 5 - kept) +
                               " earlier bytes of this call left out]");
  EXPECT_LE(kept, kLogBound);
}

TEST_F(LogLines, ALogTheComponentWouldRefuseIsNotRead) {
  writeFile(dir_ / "file", "a line\n");
  ASSERT_EQ(mkfifo((dir_ / "fifo").c_str(), 0600), 0);
  const struct {
    const char* name;
    const char* target;  // nullptr: a FIFO, or the folder itself
  } cases[] = {
      {"to a file", "file"},
      {"to a FIFO", "fifo"},
      {"to /dev/zero", "/dev/zero"},
      {"a FIFO", nullptr},
  };
  for (const auto& c : cases) {
    (void)unlink(log().c_str());
    if (c.target == nullptr) {
      ASSERT_EQ(mkfifo(log().c_str(), 0600), 0);
    } else {
      const std::string target = c.target[0] == '/' ? c.target : dir_ / c.target;
      ASSERT_EQ(symlink(target.c_str(), log().c_str()), 0);
    }
    EXPECT_EQ(logSize(log()), 0) << c.name;
    const LogRead read = logLinesSince(log(), 0);
    EXPECT_TRUE(read.lines.empty()) << c.name;
    EXPECT_EQ(read.refusal,
              "the component log " + log() + " is not a regular file; the lines of this call are left out")
        << c.name;
  }
  (void)unlink(log().c_str());
  testsupport::makeDirs(log());
  EXPECT_NE(logLinesSince(log(), 0).refusal, "") << "a folder in the log's place";
}

}  // namespace
}  // namespace fleet
