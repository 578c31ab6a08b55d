// The history's lines since a mark, across a rename, and only from regular
// files.
#include "ansible/module/run_history.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

#include "testing/test_support.h"

namespace fleet {
namespace {

using testsupport::writeFile;

class RunHistory : public ::testing::Test {
 protected:
  void SetUp() override { testsupport::makeDirs(root_.path() + "/var/vlx"); }
  std::string path() const { return runHistoryPath(root_.path()); }
  std::string older() const { return olderRunHistoryPath(root_.path()); }
  void append(const std::string& text) const {
    FILE* file = std::fopen(path().c_str(), "a");
    ASSERT_NE(file, nullptr);
    EXPECT_GE(std::fputs(text.c_str(), file), 0);
    EXPECT_EQ(std::fclose(file), 0);
  }
  testsupport::TempDir root_;
};

using Lines = std::vector<std::string>;

HistoryLines wholeHistory(const std::string& path, const std::string& older) {
  HistoryLines out;
  out.problem =
      forEachHistoryLine(path, older, [&out](const std::string& line) { out.lines.push_back(line); });
  return out;
}

TEST_F(RunHistory, OnlyWhatCameAfterTheMark) {
  EXPECT_EQ(historyLinesSince(path(), older(), markHistory(path())).lines, Lines());
  const HistoryMark none = markHistory(path());
  append("one\n");
  EXPECT_EQ(historyLinesSince(path(), older(), none).lines, Lines({"one"}));
  const HistoryMark mark = markHistory(path());
  append("two\nthree\n");
  EXPECT_EQ(historyLinesSince(path(), older(), mark).lines, Lines({"two", "three"}));
  EXPECT_EQ(wholeHistory(path(), older()).lines, Lines({"one", "two", "three"}));
}

TEST_F(RunHistory, ARenameInBetween) {
  append("one\n");
  const HistoryMark mark = markHistory(path());
  append("two\n");
  ASSERT_EQ(std::rename(path().c_str(), older().c_str()), 0);
  append("three\n");
  EXPECT_EQ(historyLinesSince(path(), older(), mark).lines, Lines({"two", "three"}));
  EXPECT_EQ(wholeHistory(path(), older()).lines, Lines({"one", "two", "three"}));
  // An older file that is not the marked one was not renamed by this run.
  writeFile(older(), "stranger\n");
  const HistoryMark again = markHistory(path());
  ASSERT_EQ(std::rename(path().c_str(), (path() + ".x").c_str()), 0);
  append("four\n");
  EXPECT_EQ(historyLinesSince(path(), older(), again).lines, Lines({"four"}));
}

TEST_F(RunHistory, LinesAcrossThePiecesReadAtATime) {
  const std::string longLine(3 << 20, 'x');
  append("first\n" + longLine + "\nlast without an end");
  EXPECT_EQ(wholeHistory(path(), older()).lines, Lines({"first", longLine, "last without an end"}));
}

TEST_F(RunHistory, OnlyARegularFileIsRead) {
  writeFile(root_.path() + "/elsewhere", "secret\n");
  ASSERT_EQ(symlink((root_.path() + "/elsewhere").c_str(), path().c_str()), 0);
  HistoryLines lines = wholeHistory(path(), older());
  EXPECT_EQ(lines.lines, Lines());
  EXPECT_NE(lines.problem.find("cannot be opened"), std::string::npos) << lines.problem;
  ASSERT_EQ(unlink(path().c_str()), 0);
  ASSERT_EQ(mkfifo(path().c_str(), 0600), 0);
  lines = wholeHistory(path(), older());
  EXPECT_EQ(lines.problem, "the run history " + path() + " is not a regular file");
}

}  // namespace
}  // namespace fleet
