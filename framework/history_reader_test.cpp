// Reading the run history: pairing, the last runs, the older file, lines
// that are not records, refused files and the read bound.
#include "framework/history_reader.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "framework/history_file.h"
#include "testing/test_support.h"

namespace {

struct HistoryRoot : testsupport::ScopedSystemRoot {
  void current(const std::string& text) const { testsupport::writeFile(historyPath(), text); }
  void older(const std::string& text) const { testsupport::writeFile(olderHistoryPath(), text); }
};

std::string line(const std::string& runId, const std::string& phase) {
  return R"({"schema":1,"phase":")" + phase + R"(","run_id":")" + runId + "\"}";
}
std::string started(const std::string& runId) { return line(runId, "started"); }
std::string ended(const std::string& runId) { return line(runId, "ended"); }

// Each run as "id:S" (started only), "id:E" (ended only) or "id:SE".
std::vector<std::string> shape(const HistoryRead& read) {
  std::vector<std::string> runs;
  for (const HistoryRun& run : read.runs) {
    EXPECT_TRUE(run.started.empty() || run.started == started(run.runId)) << run.started;
    EXPECT_TRUE(run.ended.empty() || run.ended == ended(run.runId)) << run.ended;
    runs.push_back(run.runId + ":" + (run.started.empty() ? "" : "S") + (run.ended.empty() ? "" : "E"));
  }
  return runs;
}

using Shape = std::vector<std::string>;

}  // namespace

// Runs in the order they began, each with its own end, however the records
// of runs side by side interleave.
TEST(HistoryReader, RecordsArePairedByRunId) {
  HistoryRoot host;
  host.current(started("a") + "\n" + started("b") + "\n" + ended("b") + "\n" + ended("a") + "\n" +
               started("c") + "\n" + ended("lost") + "\n" + started("a") + "\n" + ended("a") + "\n" +
               ended("a") + "\n");
  const HistoryRead read = readHistory(10);
  EXPECT_TRUE(read.found);
  EXPECT_EQ(read.problem, "");
  EXPECT_EQ(shape(read), (Shape{"a:SE", "b:SE", "c:S", "lost:E", "a:SE", "a:E"}));
}

TEST(HistoryReader, TheLastRunsAreKeptOldestFirst) {
  HistoryRoot host;
  std::string text;
  for (const char* id : {"1", "2", "3", "4", "5"}) text += started(id) + "\n" + ended(id) + "\n";
  host.current(text + started("6"));
  EXPECT_EQ(shape(readHistory(3)), (Shape{"4:SE", "5:SE", "6:S"}));
  EXPECT_EQ(shape(readHistory(1)), (Shape{"6:S"}));
}

TEST(HistoryReader, LinesThatAreNotRecordsAreSkipped) {
  HistoryRoot host;
  const std::string deep =
      R"({"phase":"ended","run_id":"deep","x":)" + std::string(40, '[') + std::string(40, ']') + "}";
  const char* others[] = {"not json",
                          "[1,2]",
                          "\"text\"",
                          R"({"phase":"started"})",
                          R"({"run_id":"x"})",
                          R"({"phase":"begun","run_id":"x"})",
                          R"({"phase":"ended","run_id":""})",
                          R"({"phase":"ended","run_id":7})",
                          R"({"phase":"started","run_id":"cut)"};
  std::string text = started("a") + "\n\n";
  for (const char* other : others) text += std::string(other) + "\n";
  host.current(text + deep + "\n" + ended("a") + "\n");
  const HistoryRead read = readHistory(10);
  EXPECT_EQ(shape(read), (Shape{"a:SE"}));
  EXPECT_EQ(read.skippedLines, sizeof others / sizeof others[0] + 1);
}

// The older file is read only when the current one holds too few runs; a
// run whose start went with it is whole again.
TEST(HistoryReader, TheOlderFileComesFirstWhenNeeded) {
  HistoryRoot host;
  host.older(started("1") + "\n" + ended("1") + "\n" + started("2") + "\n");
  host.current(ended("2") + "\n" + started("3") + "\n" + ended("3") + "\n");
  EXPECT_EQ(shape(readHistory(10)), (Shape{"1:SE", "2:SE", "3:SE"}));
  EXPECT_EQ(shape(readHistory(2)), (Shape{"2:E", "3:SE"}));
  ASSERT_EQ(unlink(historyPath().c_str()), 0);
  EXPECT_EQ(shape(readHistory(1)), (Shape{"2:S"}));
}

TEST(HistoryReader, NoHistoryIsNoProblem) {
  HistoryRoot host;
  const HistoryRead read = readHistory(10);
  EXPECT_FALSE(read.found);
  EXPECT_EQ(read.problem, "");
  EXPECT_TRUE(read.runs.empty());
}

// A link is never followed and a FIFO never waited on; the other file is
// still read.
TEST(HistoryReader, OnlyRegularFilesAreRead) {
  HistoryRoot host;
  testsupport::writeFile(host.root / "elsewhere", started("x") + "\n");
  host.older(started("1") + "\n" + ended("1") + "\n");
  ASSERT_EQ(symlink((host.root / "elsewhere").c_str(), historyPath().c_str()), 0);
  HistoryRead read = readHistory(10);
  EXPECT_EQ(shape(read), (Shape{"1:SE"}));
  EXPECT_NE(read.problem.find(historyPath() + " is a symbolic link"), std::string::npos) << read.problem;
  ASSERT_EQ(unlink(historyPath().c_str()), 0);
  ASSERT_EQ(mkfifo(historyPath().c_str(), 0644), 0);
  read = readHistory(10);
  EXPECT_EQ(shape(read), (Shape{"1:SE"}));
  EXPECT_NE(read.problem.find(historyPath() + " is not a regular file"), std::string::npos) << read.problem;
}

namespace {

// kHistoryReadBytes exactly: head, lines that are not records, and last.
std::string tailOf(const std::string& head, const std::string& last) {
  const std::string filler = std::string(1023, '#') + "\n";
  std::string tail = head;
  while (tail.size() + 2 * filler.size() + last.size() <= kHistoryReadBytes) tail += filler;
  tail += std::string(kHistoryReadBytes - tail.size() - last.size() - 1, '#') + "\n" + last;
  return tail;
}

}  // namespace

// Only the last part of a long file is read; a line that part begins inside
// of is not taken for a line, one it begins with is.
TEST(HistoryReader, OnlyTheLastPartOfALongFileIsRead) {
  HistoryRoot host;
  const std::string first = started("first") + "\n";
  const std::string last = started("last") + "\n";
  host.current(started("early") + "\n" + first.substr(0, 10) + tailOf(first.substr(10), last));
  HistoryRead read = readHistory(10);
  EXPECT_EQ(shape(read), (Shape{"last:S"}));
  const std::size_t fillers = read.skippedLines;
  host.current(started("early") + "\n" + tailOf(first, last));
  read = readHistory(10);
  EXPECT_EQ(shape(read), (Shape{"first:S", "last:S"}));
  EXPECT_EQ(read.skippedLines, fillers);
}
