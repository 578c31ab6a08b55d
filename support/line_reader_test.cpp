#include "support/line_reader.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "support/command_stream.h"

TEST(LineReader, LinesOfAnyLengthArriveWhole) {
  std::FILE* stream = std::tmpfile();
  ASSERT_NE(stream, nullptr);
  const std::string longLine(100000, 'x');
  (void)std::fputs(("first\n\n" + longLine + "\nlast without end").c_str(), stream);
  std::rewind(stream);
  std::string line;
  const std::string expected[] = {"first", "", longLine, "last without end"};
  for (const std::string& want : expected) {
    ASSERT_TRUE(readWholeLine(stream, line));
    EXPECT_EQ(line, want);
  }
  EXPECT_FALSE(readWholeLine(stream, line));
  (void)std::fclose(stream);
}

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
