// The console: narrow and wide writes in any order reach the same stream.
#include "support/console.h"

#include <gtest/gtest.h>

#include <cstdio>

TEST(Console, NarrowWideNarrowAllReachTheStream) {
  std::FILE* stream = std::tmpfile();
  ASSERT_NE(stream, nullptr);
  writeConsole(stream, std::string("one "));
  writeConsole(stream, std::wstring(L"two "));
  writeConsole(stream, std::string("three"));
  std::rewind(stream);
  char buffer[64] = {};
  std::size_t n = std::fread(buffer, 1, sizeof buffer - 1, stream);
  (void)std::fclose(stream);
  EXPECT_EQ(std::string(buffer, n), "one two three");
}
