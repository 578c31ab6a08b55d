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
