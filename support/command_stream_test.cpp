// Command streams: output read line by line while the command still runs,
// and a command without end stopped at the bound.
#include "support/command_stream.h"

#include <gtest/gtest.h>

TEST(CommandStream, ReadsWhileTheCommandRuns) {
  CommandStream stream("printf 'a\\nb\\n'; printf '%070000d\\n' 0", 70000, 1 << 20);
  std::string line;
  ASSERT_TRUE(stream.readLine(line));
  EXPECT_EQ(line, "a");
  ASSERT_TRUE(stream.readLine(line));
  EXPECT_EQ(line, "b");
  ASSERT_TRUE(stream.readLine(line));
  EXPECT_EQ(line, std::string(70000, '0'));
  EXPECT_FALSE(stream.readLine(line));
}

// Read to the bound, then stopped: the stream's end does not wait for "yes".
TEST(CommandStream, EndlessCommandIsStoppedAtTheBound) {
  CommandStream stream("yes", 10, 100000);
  std::string line;
  int lines = 0;
  while (stream.readLine(line)) ++lines;
  EXPECT_EQ(lines, 50000);
}

TEST(CommandStream, CommandThatCannotRunGivesNoLines) {
  CommandStream stream("exit 3", 10, 100);
  std::string line;
  EXPECT_FALSE(stream.readLine(line));
}

TEST(CommandStream, FinishSaysHowTheCommandEnded) {
  CommandStream stream("printf 'a\\nbb\\n'; exit 5", 10, 100);
  std::string line;
  ASSERT_TRUE(stream.readLine(line));
  ASSERT_TRUE(stream.readLine(line));
  EXPECT_FALSE(stream.readLine(line));
  const CommandRecord record = stream.finish();
  EXPECT_EQ(record.text, "printf 'a\\nbb\\n'; exit 5");
  EXPECT_TRUE(record.started);
  EXPECT_EQ(record.status.exitCode, 5);
  EXPECT_FALSE(record.status.signalled);
  EXPECT_EQ(record.outputBytes, 5u);
  EXPECT_FALSE(record.cutAtBound);
}

// Finished early, the command is stopped and no further line is read.
TEST(CommandStream, FinishStopsACommandAtItsBound) {
  CommandStream stream("yes", 10, 100);
  std::string line;
  ASSERT_TRUE(stream.readLine(line));
  int more = 0;
  while (stream.readLine(line)) ++more;
  const CommandRecord record = stream.finish();
  EXPECT_EQ(more, 49);
  EXPECT_EQ(record.outputBytes, 100u);
  EXPECT_TRUE(record.cutAtBound);
  EXPECT_NE(record.status.exitCode, 0);
  EXPECT_FALSE(stream.readLine(line));
  // A second finish gives the same end.
  EXPECT_EQ(stream.finish().status.exitCode, record.status.exitCode);
}
