// Command streams: output read line by line while the command still runs.
#include "support/command_stream.h"

#include <gtest/gtest.h>

TEST(LineReader, CommandStreamReadsWhileTheCommandRuns) {
  CommandStream stream("printf 'a\\nb\\n'; printf '%070000d\\n' 0");
  std::string line;
  ASSERT_TRUE(stream.readLine(line));
  EXPECT_EQ(line, "a");
  ASSERT_TRUE(stream.readLine(line));
  EXPECT_EQ(line, "b");
  ASSERT_TRUE(stream.readLine(line));
  EXPECT_EQ(line, std::string(70000, '0'));
  EXPECT_FALSE(stream.readLine(line));
}
