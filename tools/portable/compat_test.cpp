// The C library functions the portable build supplies over older ones: each
// must do the job of the one it stands for, and return.
#include <gtest/gtest.h>

#include <cstdio>

TEST(PortableCompat, SscanfReadsAndReturns) {
  int number = 0;
  char word[8] = {};
  EXPECT_EQ(std::sscanf("42 abc", "%d %7s", &number, word), 2);
  EXPECT_EQ(number, 42);
  EXPECT_STREQ(word, "abc");
}
