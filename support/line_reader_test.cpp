// Reading a stream line by line: empty lines, long lines and an unterminated last line.
#include "support/line_reader.h"

#include <gtest/gtest.h>

#include <cstdio>

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
