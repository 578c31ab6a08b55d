// Cutting output into lines: carriage returns kept, an unterminated last line counted.
#include "support/split_lines.h"

#include <gtest/gtest.h>

TEST(SplitLines, KeepsCarriageReturnsAndAnUnterminatedLastLine) {
  EXPECT_EQ(splitLines("a\r\nb\n\nc"), (std::vector<std::string>{"a\r", "b", "", "c"}));
  EXPECT_EQ(splitLines("a\n"), (std::vector<std::string>{"a"}));
  EXPECT_TRUE(splitLines("").empty());
}
